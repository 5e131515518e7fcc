// A clock that tests set and advance by hand; the core's time sources become replayable.
#pragma once
#include <cmath>

#include "base/clock.h"

namespace brine::test {

class ManualClock : public Clock {
public:
    std::uint32_t tick_count() override { return ticks; }
    bool performance_frequency(std::int64_t* frequency) override {
        if (!hasCounter) return false;
        *frequency = frequencyValue;
        return true;
    }
    std::int64_t performance_counter() override { return counter; }

    // Moves both time bases on by the same span.
    void advance_ms(std::uint32_t ms) {
        ticks += ms;
        counter += static_cast<std::int64_t>(ms) * frequencyValue / 1000;
    }

    // Moves both on by at least `seconds`: rounded up to whole counter ticks and milliseconds, as
    // a real wait ends no earlier than asked.
    void advance_seconds(double seconds) {
        if (!(seconds > 0)) return;
        ticks += static_cast<std::uint32_t>(std::ceil(seconds * 1000.0));
        counter += static_cast<std::int64_t>(std::ceil(seconds * static_cast<double>(frequencyValue)));
    }

    std::uint32_t ticks = 0;
    bool hasCounter = true;
    std::int64_t frequencyValue = 1000000;
    std::int64_t counter = 0;
};

}  // namespace brine::test
