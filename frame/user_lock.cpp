#include "frame/user_lock.h"

#include <aclapi.h>
#include <sddl.h>

#include <mutex>
#include <string>
#include <vector>

#include "frame/failure_code.h"
#include "frame/win_handles.h"

namespace vemo {
namespace {

// The current user's SID; empty (with the failure code) when it cannot be read.
std::vector<uint8_t> CurrentUserSid(DWORD& error) {
    win::KernelHandle token;
    DWORD size = 0;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()) ||
        (!GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size) && GetLastError() != ERROR_INSUFFICIENT_BUFFER)) {
        error = LastFailureCode();
        return {};
    }
    std::vector<uint8_t> buffer(size);
    if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) {
        error = LastFailureCode();
        return {};
    }
    const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    const auto* bytes = static_cast<const uint8_t*>(sid);
    return std::vector<uint8_t>(bytes, bytes + GetLengthSid(sid));
}

std::wstring SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text)) return {};
    const win::LocalMemory held(text);
    return text;
}

// Security that gives the object to the user: the user owns it and alone may use it.
struct UserOnlySecurity {
    win::LocalMemory descriptor;
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};

    bool make(const std::wstring& sid) {
        const std::wstring text = L"O:" + sid + L"D:P(A;;GA;;;" + sid + L")";
        PSECURITY_DESCRIPTOR made = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1, &made, nullptr)) {
            return false;
        }
        descriptor.reset(made);
        attributes.lpSecurityDescriptor = made;
        return true;
    }
};

bool OwnedBy(HANDLE object, PSID user) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const win::LocalMemory held(descriptor);
    return owner != nullptr && EqualSid(owner, user);
}

// The mutex in the user's private namespace, which is made or, made by another of the user's
// processes, opened. False where the system has no private namespaces.
bool LockInPrivateNamespace(const std::wstring& name, PSID user, UserOnlySecurity& security, MadeUserLock& made) {
    win::BoundaryDescriptor boundary(CreateBoundaryDescriptorW(name.c_str(), 0));
    HANDLE added = boundary.get();
    if (!boundary || !AddSIDToBoundaryDescriptor(&added, user)) return false;
    boundary.release();
    boundary.reset(added);  // adding may move the descriptor

    win::PrivateNamespace space(CreatePrivateNamespaceW(&security.attributes, boundary.get(), name.c_str()));
    if (!space && GetLastError() == ERROR_ALREADY_EXISTS) {
        space.reset(OpenPrivateNamespaceW(boundary.get(), name.c_str()));
    }
    if (!space) return false;
    win::KernelHandle mutex(CreateMutexW(&security.attributes, FALSE, (name + L"\\temporary").c_str()));
    if (!mutex) return false;
    made.space = std::move(space);
    made.mutex = std::move(mutex);
    made.kind = UserLockKind::PrivateNamespace;
    return true;
}

// The named mutex the user owns, global or in the session's namespace; false when every name
// is taken by another owner (or cannot be made).
bool LockByOwnedName(const std::wstring& name, PSID user, const std::wstring& sid, UserOnlySecurity& security,
                     MadeUserLock& made) {
    for (const wchar_t* scope : {L"Global\\", L"Local\\"}) {
        const std::wstring named = scope + name + L".working-container." + sid;
        win::KernelHandle mutex(CreateMutexW(&security.attributes, FALSE, named.c_str()));
        if (mutex && OwnedBy(mutex.get(), user)) {
            made.mutex = std::move(mutex);
            made.kind = UserLockKind::OwnedName;
            return true;
        }
    }
    return false;
}

// The lock made so far, kept for the life of the library (released when it is unloaded).
struct KeptLock {
    std::mutex guard;
    MadeUserLock made;
};

KeptLock& TheKeptLock() {
    static KeptLock kept;
    return kept;
}

}  // namespace

bool MakeUserLock(const std::wstring& name, MadeUserLock& made, DWORD& error) {
    const std::vector<uint8_t> user = CurrentUserSid(error);
    if (user.empty()) return false;
    const PSID sid = const_cast<uint8_t*>(user.data());
    const std::wstring sidText = SidText(sid);
    UserOnlySecurity security;
    if (sidText.empty() || !security.make(sidText)) {
        error = LastFailureCode();
        return false;
    }
    if (LockInPrivateNamespace(name, sid, security, made) || LockByOwnedName(name, sid, sidText, security, made)) {
        return true;
    }
    made.mutex.reset(CreateMutexW(nullptr, FALSE, nullptr));
    made.kind = UserLockKind::ProcessOnly;
    if (!made.mutex) error = LastFailureCode();
    return static_cast<bool>(made.mutex);
}

bool TheUserLock(UserLock& lock, DWORD& error) {
    KeptLock& kept = TheKeptLock();
    const std::lock_guard<std::mutex> hold(kept.guard);
    if (!kept.made.mutex) {
        MadeUserLock made;
        if (!MakeUserLock(kLockName, made, error)) return false;
        kept.made = std::move(made);
    }
    lock.mutex = kept.made.mutex.get();
    lock.kind = kept.made.kind;
    return true;
}

}  // namespace vemo
