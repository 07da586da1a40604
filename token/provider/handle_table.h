// The numbers the provider hands out for its contexts, keys and hash objects. Handles of every
// kind come from one counter, so a number names at most one object, and a handle that was
// released, belongs to another kind or was made up finds nothing.
#pragma once

#include <windows.h>

#include <map>
#include <memory>

namespace vemo::csp {

ULONG_PTR NextHandle();

template <typename Object>
class HandleTable {
public:
    ULONG_PTR add(std::unique_ptr<Object> object) {
        const ULONG_PTR handle = NextHandle();
        objects_.emplace(handle, std::move(object));
        return handle;
    }

    Object* find(ULONG_PTR handle) const {
        const auto found = objects_.find(handle);
        return found == objects_.end() ? nullptr : found->second.get();
    }

    bool remove(ULONG_PTR handle) { return objects_.erase(handle) != 0; }

    template <typename Predicate>
    void removeIf(Predicate predicate) {
        for (auto it = objects_.begin(); it != objects_.end();) {
            it = predicate(*it->second) ? objects_.erase(it) : std::next(it);
        }
    }

    bool empty() const { return objects_.empty(); }

private:
    std::map<ULONG_PTR, std::unique_ptr<Object>> objects_;
};

}  // namespace vemo::csp
