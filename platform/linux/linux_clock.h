// The Linux time sources: CLOCK_BOOTTIME milliseconds as a wrapping 32-bit tick count (like
// GetTickCount, it counts from system start) and CLOCK_MONOTONIC nanoseconds as the counter.
#pragma once
#include "base/clock.h"

namespace brine {

class LinuxClock : public Clock {
public:
    std::uint32_t tick_count() override;
    bool performance_frequency(std::int64_t* frequency) override;
    std::int64_t performance_counter() override;
};

}  // namespace brine
