// The software token's provider in the system's list of CryptoAPI providers, under the name
// the library opens it by.
#pragma once

#include <string>

namespace vemo::csp {

inline constexpr char kProviderName[] = "UNION Technology Ekey Cryptographic Provider";
inline constexpr wchar_t kProviderNameW[] = L"UNION Technology Ekey Cryptographic Provider";

// Registers the provider DLL at `dllPath` (a full path) as a PROV_RSA_FULL provider for the
// machine. Needs write access to HKEY_LOCAL_MACHINE. Answers ERROR_SUCCESS or the registry's
// error code.
long RegisterProvider(const std::wstring& dllPath);
// Removes the registration; ERROR_SUCCESS also when there was none.
long UnregisterProvider();

}  // namespace vemo::csp
