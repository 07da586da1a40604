// The one guard every export runs its body in: nothing thrown inside the library crosses the
// boundary; an escaping exception (allocation failure or anything else) becomes E_FAILED.
#pragma once

#include <cstdint>
#include <new>
#include <utility>

#include "CVemoDll_C.h"

namespace vemo {

template <typename Body>
int32_t guard(Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (const std::bad_alloc&) {
        return E_FAILED;
    } catch (...) {
        return E_FAILED;
    }
}

}  // namespace vemo
