// The time sources the core reads: the 32-bit millisecond tick count (wrapping, compared by
// unsigned difference) and the high-resolution performance counter. The platform supplies
// them; tests drive a manual clock. The core never reads a clock on its own.
#pragma once
#include <cstdint>

namespace brine {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since some origin, as GetTickCount gives them; wraps after ~49.7 days.
    virtual std::uint32_t tick_count() = 0;
    // Counter ticks per second, or false when the machine has no high-resolution counter.
    virtual bool performance_frequency(std::int64_t* frequency) = 0;
    // The counter's current value (only meaningful when a frequency was reported).
    virtual std::int64_t performance_counter() = 0;
};

// Unsigned difference of two tick counts: harmless across the counter's wrap-around.
constexpr std::uint32_t ticks_since(std::uint32_t now, std::uint32_t start) { return now - start; }

}  // namespace brine
