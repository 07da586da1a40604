#include "working_container.h"

#include <sddl.h>

#include <string>

namespace vemo {
namespace {

// The current user's SID as text ("S-1-5-21-..."); empty when it cannot be read.
std::string CurrentUserSid() {
    win::KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return {};
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::string buffer(size, '\0');
    char* text = nullptr;
    if (size == 0 || !GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size) ||
        !ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
        return {};
    }
    std::string sid(text);
    LocalFree(text);
    return sid;
}

// The user's lock: global where the account may create it, else in the session's namespace.
HANDLE OpenUserLock() {
    const std::string name = WorkingContainer::kLockBaseName + CurrentUserSid();
    HANDLE lock = CreateMutexA(nullptr, FALSE, ("Global\\" + name).c_str());
    if (lock == nullptr) lock = CreateMutexA(nullptr, FALSE, ("Local\\" + name).c_str());
    return lock;
}

// The user's lock, opened by the first call and kept for the life of the library (closed when it
// is unloaded): the user of a process does not change, and each call then costs only a wait and
// a release instead of reading the user's SID and opening the lock again.
struct UserLock {
    win::KernelHandle handle;
    DWORD error = 0;  // why it could not be opened
};

const UserLock& TheUserLock() {
    static const UserLock lock = [] {
        UserLock opened;
        opened.handle.reset(OpenUserLock());
        if (!opened.handle) opened.error = GetLastError();
        return opened;
    }();
    return lock;
}

}  // namespace

WorkingContainer::WorkingContainer() {
    const UserLock& lock = TheUserLock();
    if (!lock.handle) {
        error_ = lock.error;
        return;
    }
    lock_ = lock.handle.get();
    const DWORD wait = WaitForSingleObject(lock_, kLockTimeoutMs);
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
    if (lockHeld_) ReleaseMutex(lock_);
}

}  // namespace vemo
