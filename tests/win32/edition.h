// The edition this program is a client of. Each edition's program is built from the same test
// files with VEMO_WIN32_EDITION_<TOKEN|TRACE|PICKER> and linked with that edition's import
// library; the tests ask these constants where the editions differ.
#pragma once

namespace vemo::test {

enum class Edition { Token, Trace, Picker };

#if defined(VEMO_WIN32_EDITION_TOKEN)
inline constexpr Edition kEdition = Edition::Token;
#elif defined(VEMO_WIN32_EDITION_TRACE)
inline constexpr Edition kEdition = Edition::Trace;
#elif defined(VEMO_WIN32_EDITION_PICKER)
inline constexpr Edition kEdition = Edition::Picker;
#else
#error "define VEMO_WIN32_EDITION_TOKEN, VEMO_WIN32_EDITION_TRACE or VEMO_WIN32_EDITION_PICKER"
#endif

// The token and trace editions fall back on the token and export two decorated names.
inline constexpr bool kUsesToken = kEdition != Edition::Picker;
inline constexpr bool kWritesUserLog = kEdition == Edition::Token;
inline constexpr bool kWritesTrace = kEdition == Edition::Trace;

}  // namespace vemo::test
