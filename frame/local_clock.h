// One reading of the clock, as local broken-down time.
#pragma once

#include <ctime>

namespace vemo {

inline std::tm localNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return local;
}

}  // namespace vemo
