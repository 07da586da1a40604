#include "working_container.h"

namespace vemo {

WorkingContainer::WorkingContainer() {
    lock_.reset(CreateMutexA(nullptr, FALSE, kLockName));
    if (!lock_) {
        error_ = GetLastError();
        return;
    }
    const DWORD wait = WaitForSingleObject(lock_.get(), kLockTimeoutMs);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {  // abandoned: its owner died, ours now
        error_ = wait == WAIT_TIMEOUT ? ERROR_TIMEOUT : GetLastError();
        return;
    }
    lockHeld_ = true;

    // The deletion itself tells whether the container was there (NTE_BAD_KEYSET: it was not),
    // so no context is opened on a container about to go. (Such an opening context also costs
    // a handle for the rest of the process under Wine 8.)
    HCRYPTPROV unused = 0;
    if (!CryptAcquireContextA(&unused, kContainerName, nullptr, PROV_RSA_FULL, CRYPT_DELETEKEYSET)) {
        const DWORD deleteError = GetLastError();
        if (deleteError != static_cast<DWORD>(NTE_BAD_KEYSET)) {
            error_ = deleteError;
            return;
        }
    }
    if (!CryptAcquireContextA(context_.put(), kContainerName, nullptr, PROV_RSA_FULL,
                              CRYPT_NEWKEYSET)) {
        error_ = GetLastError();
    }
}

WorkingContainer::~WorkingContainer() {
    context_.reset();
    if (lockHeld_) ReleaseMutex(lock_.get());
}

}  // namespace vemo
