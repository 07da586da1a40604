// The build switches that make one source tree into the token, trace and picker editions.
// Each edition is compiled with exactly one of VEMO_EDITION_TOKEN, VEMO_EDITION_TRACE and
// VEMO_EDITION_PICKER; code asks these constants instead of testing the macros.
#pragma once

namespace vemo::edition {

enum class Kind { Token, Trace, Picker };

#if defined(VEMO_EDITION_TOKEN)
inline constexpr Kind kKind = Kind::Token;
#elif defined(VEMO_EDITION_TRACE)
inline constexpr Kind kKind = Kind::Trace;
#elif defined(VEMO_EDITION_PICKER)
inline constexpr Kind kKind = Kind::Picker;
#else
#error "define VEMO_EDITION_TOKEN, VEMO_EDITION_TRACE or VEMO_EDITION_PICKER"
#endif

// The key lives in the USB key token (UTSecDll and its provider).
inline constexpr bool kUsesToken = kKind != Kind::Picker;
// Failures go to the daily user log.
inline constexpr bool kWritesUserLog = kKind == Kind::Token;
// Traced exports write blocks to the debug trace file.
inline constexpr bool kWritesTrace = kKind == Kind::Trace;
// Certificate text from the caller is normalised in the caller's own buffer (trace and
// picker) instead of a private copy (token).
inline constexpr bool kNormalisesCallerText = kKind != Kind::Token;
// The picker edition's text normaliser works in fixed 2500-byte buffers; 0: sized to the text.
inline constexpr unsigned kPemWorkBufferSize = kKind == Kind::Picker ? 2500 : 0;

}  // namespace vemo::edition
