// The token provider's registration with CryptoAPI: the key
// HKLM\SOFTWARE\Microsoft\Cryptography\Defaults\Provider\<provider name> with the DLL's path,
// its type (PROV_RSA_FULL) and "SigInFile" = 0. Writing it needs administrator rights on Windows.
#pragma once

#include <optional>
#include <string>

#include "token/provider/provider_name.h"

namespace vemo::token::provision {

// Registers `dllPath` (made absolute) as the token provider; false with `error` set on failure.
bool RegisterTokenProvider(const std::string& dllPath, std::string& error);
// Removes the registration; true also when there was none.
bool UnregisterTokenProvider(std::string& error);
// The registered DLL path, if the provider is registered.
std::optional<std::string> RegisteredTokenProvider();

}  // namespace vemo::token::provision
