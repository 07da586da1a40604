#include "token/provider/system_rsa.h"

#include <wincrypt.h>

#include "frame/failure_code.h"

namespace vemo::csp {

DWORD LastSystemError() { return LastFailureCode(); }

DWORD OpenSystemRsa(win::ProviderContext& context) {
    const bool opened = CryptAcquireContextA(context.put(), nullptr, MS_ENH_RSA_AES_PROV_A, PROV_RSA_AES,
                                             CRYPT_VERIFYCONTEXT | CRYPT_SILENT);
    return opened ? ERROR_SUCCESS : LastSystemError();
}

}  // namespace vemo::csp
