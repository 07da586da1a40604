#include "token/provider/system_rsa.h"

#include <wincrypt.h>

namespace vemo::csp {

DWORD LastSystemError() {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : static_cast<DWORD>(NTE_FAIL);
}

DWORD OpenSystemRsa(win::ProviderContext& context) {
    const bool opened = CryptAcquireContextA(context.put(), nullptr, MS_ENHANCED_PROV_A, PROV_RSA_FULL,
                                             CRYPT_VERIFYCONTEXT | CRYPT_SILENT);
    return opened ? ERROR_SUCCESS : LastSystemError();
}

}  // namespace vemo::csp
