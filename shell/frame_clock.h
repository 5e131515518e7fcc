// The program's animation clock: one call with a command code answers seconds. It measures with
// the performance counter when the machine has one, else with the millisecond tick count.
// Depends only on base/clock.h; each owner (the program, a test) holds its own FrameClock.
#pragma once
#include <cstdint>

#include "base/clock.h"

namespace brine {

enum class ClockCommand : std::int32_t {
    kReset = 0,
    kStart = 1,
    kStop = 2,
    kAdvance = 3,      // a tenth of a second
    kAbsolute = 4,     // seconds since the time base's origin
    kApplication = 5,  // seconds since the base time
    kElapsed = 6,      // seconds since the previous elapsed reading
};

class FrameClock {
public:
    explicit FrameClock(Clock& clock) : clock_(clock) {}

    // Answers seconds for commands 4 to 6, 0 for commands 0 to 3 and -1 for any other code
    // (which changes nothing). The time base is chosen on the first call and kept.
    float frame_clock(ClockCommand command);
    float operator()(ClockCommand command) { return frame_clock(command); }

    // What an elapsed reading would answer now, in double precision, without taking it (the
    // elapsed mark stays): how long the main loop may still wait before its next frame is due.
    // 0 before the first command.
    double pending_elapsed();

    bool initialised() const { return initialised_; }
    bool uses_counter() const { return counterAvailable_; }

private:
    float counter_command(ClockCommand command);
    float tick_command(ClockCommand command);
    double tick_seconds_now();

    Clock& clock_;
    bool initialised_ = false;
    bool counterAvailable_ = false;
    std::int64_t frequency_ = 0;
    // The clock runs from the first call, so it starts not stopped: flagged stopped with a zero
    // stop mark, the first stop would be ignored while answering as if it had worked.
    bool stopped_ = false;

    // Counter time base, in ticks; a stop mark of 0 means "not stopped".
    std::int64_t counterBase_ = 0;
    std::int64_t counterStop_ = 0;
    std::int64_t counterLastElapsed_ = 0;

    // Tick-count time base, in seconds; a stop mark of 0.0 means "not stopped".
    double tickBase_ = 0.0;
    double tickStop_ = 0.0;
    double tickLastElapsed_ = 0.0;
    // The 32-bit tick count extended to 64 bits, so its wrap after ~49.7 days does not throw
    // the clock back to 0 (the loop would then see a huge negative step and no frame due).
    bool tickSeen_ = false;
    std::uint32_t tickLastRaw_ = 0;
    std::uint64_t tickExtended_ = 0;
};

}  // namespace brine
