#include "working_container.h"

#include "failure_code.h"
#include "user_lock.h"

namespace vemo {

void WorkingContainer::fail(const char* function, DWORD error) {
    failedFunction_ = function;
    error_ = FailureCode(error);
}

WorkingContainer::WorkingContainer() {
    UserLock lock;
    DWORD error = 0;
    if (!TheUserLock(lock, error)) {
        fail("CreateMutex", error);
        return;
    }
    lock_ = lock.mutex;
    const DWORD wait = WaitForSingleObject(lock_, kLockTimeoutMs);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {  // abandoned: its owner died, ours now
        fail("WaitForSingleObject", wait == WAIT_TIMEOUT ? ERROR_TIMEOUT : GetLastError());
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
            fail("CryptAcquireContext", deleteError);
            return;
        }
    }
    if (!CryptAcquireContextA(context_.put(), kContainerName, nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET)) {
        fail("CryptAcquireContext", GetLastError());
    }
}

WorkingContainer::~WorkingContainer() {
    context_.reset();
    if (lockHeld_) ReleaseMutex(lock_);
}

}  // namespace vemo
