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

    {
        win::ProviderContext probe;
        if (CryptAcquireContextA(probe.put(), kContainerName, nullptr, PROV_RSA_FULL, 0)) {
            probe.reset();  // release the probe before deleting the container it opened
            HCRYPTPROV unused = 0;
            if (!CryptAcquireContextA(&unused, kContainerName, nullptr, PROV_RSA_FULL,
                                      CRYPT_DELETEKEYSET)) {
                error_ = GetLastError();
                return;
            }
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
