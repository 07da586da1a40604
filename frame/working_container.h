// The working key container "temporary" of the current user's default RSA provider: a
// context obtained by deleting the container if it is there and creating it anew. It holds no
// key; the digest and the raw verification use it only for a context.
//
// The container is one named object per user account, so two processes using it at once would
// delete it under each other. A named mutex of the user account serialises its use: the lock is
// held from before the open until the context is released.
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
    // The last error of the step that failed, when !ok().
    DWORD lastError() const { return error_; }

    static constexpr const char* kContainerName = "temporary";
    // The lock is "<namespace>\\CVemoDll_C.temporary.<user's SID>": in the global namespace, so
    // that a service and an interactive program of the same user wait for each other, or in the
    // session's namespace where the account may not create global objects.
    static constexpr const char* kLockBaseName = "CVemoDll_C.temporary.";
    static constexpr DWORD kLockTimeoutMs = 60 * 1000;

private:
    HANDLE lock_ = nullptr;  // the user's lock, which the library keeps open
    bool lockHeld_ = false;
    win::ProviderContext context_;  // released before the lock (declared after it)
    DWORD error_ = 0;
};

}  // namespace vemo
