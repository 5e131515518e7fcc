// The Windows time sources the core's Clock asks for: GetTickCount (32-bit milliseconds since
// system start, wrapping after ~49.7 days) and QueryPerformanceCounter with its frequency.
#pragma once
#include "base/clock.h"

namespace brine {

class WinClock : public Clock {
public:
    std::uint32_t tick_count() override;
    bool performance_frequency(std::int64_t* frequency) override;
    std::int64_t performance_counter() override;
};

}  // namespace brine
