// The name the token's provider is registered and opened under.
#pragma once

namespace vemo::token {

inline constexpr char kTokenProviderName[] = "UNION Technology Ekey Cryptographic Provider";
inline constexpr wchar_t kTokenProviderNameW[] = L"UNION Technology Ekey Cryptographic Provider";

}  // namespace vemo::token
