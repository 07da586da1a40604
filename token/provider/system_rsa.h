// The system's own RSA provider, which does the token's arithmetic: hashing and, with a key
// unprotected for the moment, signing. Its AES-capable kind (PROV_RSA_AES), the one that makes
// SHA-2 digests and signs them with their own DigestInfo, opened by name rather than as the
// default provider, so that a changed or missing default does not reach the token.
#pragma once

#include <windows.h>

#include "frame/win_handles.h"

namespace vemo::csp {

// A context of its own without container (CRYPT_VERIFYCONTEXT): ERROR_SUCCESS or the error.
DWORD OpenSystemRsa(win::ProviderContext& context);

// The error of the system call that just failed, never ERROR_SUCCESS.
DWORD LastSystemError();

}  // namespace vemo::csp
