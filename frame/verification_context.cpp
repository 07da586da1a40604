#include "frame/verification_context.h"
#include "frame/failure_code.h"

#include <mutex>

namespace vemo {
namespace {

// Plain statics with nothing to do at their end: at the end of the process the context is the
// system's to reclaim.
std::mutex g_lock;
HCRYPTPROV g_context = 0;

}  // namespace

HCRYPTPROV SharedVerificationContext(DWORD& error) {
    const std::lock_guard<std::mutex> hold(g_lock);
    if (g_context == 0 && !CryptAcquireContextA(&g_context, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
        error = LastFailureCode();
        g_context = 0;
    }
    return g_context;
}

void ReleaseSharedVerificationContext() {
    const std::lock_guard<std::mutex> hold(g_lock);
    if (g_context != 0) CryptReleaseContext(g_context, 0);
    g_context = 0;
}

}  // namespace vemo
