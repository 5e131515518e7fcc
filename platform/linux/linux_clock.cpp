#include "platform/linux/linux_clock.h"

#include <time.h>  // clock_gettime

namespace brine {

std::uint32_t LinuxClock::tick_count() {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);  // wraps like the Windows tick count
}

bool LinuxClock::performance_frequency(std::int64_t* frequency) {
    *frequency = 1000000000;
    return true;
}

std::int64_t LinuxClock::performance_counter() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

}  // namespace brine
