#include "validate/store_cache.h"

#include <cstring>
#include <mutex>
#include <vector>

#include "cert/store_search.h"

namespace vemo::validate {
namespace {

// Where the registry keeps the certificates that the current user's system stores gather: the
// user's and the machine's stores (watched or no store is kept), and where present the group
// policy's and the enterprise's.
struct WatchedKey {
    HKEY root;
    const char* path;
    bool required;
};
const WatchedKey kWatchedKeys[] = {
    {HKEY_CURRENT_USER, "Software\\Microsoft\\SystemCertificates", true},
    {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\SystemCertificates", true},
    {HKEY_CURRENT_USER, "Software\\Policies\\Microsoft\\SystemCertificates", false},
    {HKEY_LOCAL_MACHINE, "Software\\Policies\\Microsoft\\SystemCertificates", false},
    {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\EnterpriseCertificates", false},
};
// A certificate or list added or removed changes a value or a key below them.
constexpr DWORD kChanges = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
// Windows 8 and later: the notification outlives the thread that asked for it (without it, the
// thread's end only signals a change, and the stores are opened once more).
constexpr DWORD kThreadAgnostic = 0x10000000L;

bool Notify(HKEY key, HANDLE event) {
    return RegNotifyChangeKeyValue(key, TRUE, kChanges | kThreadAgnostic, event, TRUE) == ERROR_SUCCESS ||
           RegNotifyChangeKeyValue(key, TRUE, kChanges, event, TRUE) == ERROR_SUCCESS;
}

// One key watched: its handle and the event its next change signals. A notification is told
// once and then asked for again, so that exactly one is pending per key.
struct Watch {
    win::RegistryKey key;
    win::KernelHandle changed;
    bool pending = false;
};

class StoreCache {
public:
    StoreCache() {
        for (const WatchedKey& watched : kWatchedKeys) {
            Watch watch;
            watch.changed.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
            if (watch.changed &&
                RegOpenKeyExA(watched.root, watched.path, 0, KEY_NOTIFY, watch.key.put()) == ERROR_SUCCESS) {
                watches_.push_back(std::move(watch));
            } else if (watched.required) {
                complete_ = false;
            }
        }
    }

    win::CertStore get(const char* name) {
        const std::lock_guard<std::mutex> hold(lock_);
        if (!watching()) {
            roots_.reset();
            authorities_.reset();
            return cert::OpenSystemStore(name);
        }
        win::CertStore& kept = std::strcmp(name, "ROOT") == 0 ? roots_ : authorities_;
        if (!kept) kept = cert::OpenSystemStore(name);
        return win::CertStore(kept ? CertDuplicateStore(kept.get()) : nullptr);
    }

private:
    // Whether every key is watched and none has changed since the stores were opened; a key
    // that changed drops them and is watched again, before they are opened again.
    bool watching() {
        bool unchanged = complete_;
        for (Watch& watch : watches_) {
            if (watch.pending && WaitForSingleObject(watch.changed.get(), 0) != WAIT_OBJECT_0) continue;
            unchanged = false;  // changed, or not watched until now
            watch.pending = ResetEvent(watch.changed.get()) && Notify(watch.key.get(), watch.changed.get());
            if (!watch.pending) complete_ = false;
        }
        if (!unchanged) {
            roots_.reset();
            authorities_.reset();
        }
        return complete_;
    }

    std::mutex lock_;
    std::vector<Watch> watches_;
    bool complete_ = true;  // every required key watched
    win::CertStore roots_, authorities_;
};

}  // namespace

win::CertStore CurrentUserStore(const char* name) {
    // Made at the first call and released when the library is unloaded.
    static StoreCache cache;
    return cache.get(name);
}

}  // namespace vemo::validate
