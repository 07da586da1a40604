// The platform's AES-capable RSA provider (PROV_RSA_AES), the one whose hash objects include
// SHA-256, SHA-384 and SHA-512: the default provider of that type, opened as a verification
// context (no key container) for digests and verifications, or on a key container of its own.
#pragma once

#include "frame/failure_code.h"
#include "frame/win_handles.h"

namespace vemo {

// A verification context; on failure an empty one and the platform's error in `error`.
inline win::ProviderContext AesVerificationContext(DWORD& error) {
    win::ProviderContext context;
    if (!CryptAcquireContextA(context.put(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
        error = LastFailureCode();
        context.reset();
    }
    return context;
}

}  // namespace vemo
