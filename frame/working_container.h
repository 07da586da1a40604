// The working key container "temporary" of the current user's default RSA provider: a
// context obtained by deleting the container if it is there and creating it anew. It holds no
// key; the digest and the raw verification use it only for a context.
//
// The container is one named object per user account, so two processes using it at once would
// delete it under each other. The user's lock (frame/user_lock.h) serialises its use: it is
// held from before the deletion until the context is released, waited for at most
// kLockTimeoutMs.
#pragma once

#include "win_handles.h"

namespace vemo {

class WorkingContainer {
public:
    // Takes the user's lock, then deletes and creates the container.
    WorkingContainer();
    ~WorkingContainer();
    WorkingContainer(const WorkingContainer&) = delete;
    WorkingContainer& operator=(const WorkingContainer&) = delete;

    bool ok() const { return static_cast<bool>(context_); }
    HCRYPTPROV context() const { return context_.get(); }
    // When !ok(): the failure code of the step that failed (never 0: a step that failed without
    // saying why gives NTE_FAIL), and the platform function that failed, for the log line
    // "[ERROR]<function> is error,...": "CreateMutex" (no lock could be made),
    // "WaitForSingleObject" (the lock stayed busy: ERROR_TIMEOUT) or "CryptAcquireContext".
    DWORD lastError() const { return error_; }
    const char* failedFunction() const { return failedFunction_; }

    static constexpr const char* kContainerName = "temporary";
    static constexpr DWORD kLockTimeoutMs = 60 * 1000;

private:
    void fail(const char* function, DWORD error);

    HANDLE lock_ = nullptr;  // the user's lock, which the library keeps open
    bool lockHeld_ = false;
    win::ProviderContext context_;  // released before the lock (declared after it)
    DWORD error_ = 0;
    const char* failedFunction_ = "";
};

}  // namespace vemo
