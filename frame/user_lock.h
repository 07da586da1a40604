// The lock that orders the use of the user's working container "temporary" across threads and
// the user's processes, made so that no other account can create, open or hold it (a lock of a
// guessable name and default security could be made first by another local user, who would
// then stall every digest and verification of this one):
//  - where the system has private namespaces (Windows), a mutex in a private namespace whose
//    boundary is the user's SID, which only a token holding that SID can create or open, with
//    the user as owner and sole grantee of the namespace and the mutex;
//  - where it has none (Wine 8 implements no boundary descriptors), a named mutex made with the
//    same security, global where the account may create it, else in the session's namespace.
//    One found under that name with another owner is passed over; when none of ours can be
//    had, the calls are ordered within the process only.
// The lock is made by the first call that needs it and kept until the library unloads. A
// failure to make one is not kept: the next call tries again.
#pragma once

#include <string>

#include "frame/win_handles.h"

namespace vemo {

// How the lock orders the calls.
enum class UserLockKind {
    PrivateNamespace,  // across the user's processes, in a namespace only the user reaches
    OwnedName,         // across the user's processes, by a name whose object the user owns
    ProcessOnly,       // within this process: the names were taken by another owner
};

struct UserLock {
    HANDLE mutex = nullptr;  // kept by the library; never closed by the caller
    UserLockKind kind = UserLockKind::ProcessOnly;
};

// The user's lock; false with the failure code (never 0) in `error` when none can be made.
bool TheUserLock(UserLock& lock, DWORD& error);

// The lock's name: the private namespace's, the mutex's in it (with "\\temporary"), and without
// a namespace "Global\\" or "Local\\", the name, ".working-container." and the user's SID.
inline constexpr wchar_t kLockName[] = L"CVemoDll_C";

// A lock of the user under `name` as TheUserLock makes one, not kept: the caller owns `space`
// (the namespace, open while the mutex is to be found by name) and `mutex`. For the tests,
// which cannot take the library's own name from it once it is made.
struct MadeUserLock {
    win::PrivateNamespace space;
    win::KernelHandle mutex;
    UserLockKind kind = UserLockKind::ProcessOnly;
};
bool MakeUserLock(const std::wstring& name, MadeUserLock& made, DWORD& error);

}  // namespace vemo
