// The frame clock's two time bases. Counter ticks become seconds by an extended-precision
// division before narrowing, so large counter values lose nothing before the final float.
#include "shell/frame_clock.h"

namespace brine {

namespace {
// Commands that look at the live time even while stopped. Reset is one of them so that a reset
// during a stop counts from now rather than from the stop mark, which would hand the stopped
// span to the next elapsed reading.
bool reads_live_time(ClockCommand command) {
    return command == ClockCommand::kStart || command == ClockCommand::kAbsolute ||
           command == ClockCommand::kReset;
}
}  // namespace

float FrameClock::frame_clock(ClockCommand command) {
    const auto code = static_cast<std::int32_t>(command);
    if (code < 0 || code > 6) return -1.0f;  // before any state is touched
    if (!initialised_) {
        initialised_ = true;
        std::int64_t frequency = 0;
        // A counter that reports no positive frequency could only divide by zero: use ticks.
        counterAvailable_ = clock_.performance_frequency(&frequency) && frequency > 0;
        if (counterAvailable_) frequency_ = frequency;
    }
    return counterAvailable_ ? counter_command(command) : tick_command(command);
}

float FrameClock::counter_command(ClockCommand command) {
    std::int64_t current;
    if (counterStop_ != 0 && !reads_live_time(command))
        current = counterStop_;
    else
        current = clock_.performance_counter();

    const long double frequency = static_cast<long double>(frequency_);
    switch (command) {
    case ClockCommand::kElapsed: {
        const long double seconds = static_cast<long double>(current - counterLastElapsed_) / frequency;
        counterLastElapsed_ = current;
        return static_cast<float>(seconds);
    }
    case ClockCommand::kApplication:
        return static_cast<float>(static_cast<long double>(current - counterBase_) / frequency);
    case ClockCommand::kReset:
        counterBase_ = current;
        counterLastElapsed_ = current;
        counterStop_ = 0;
        stopped_ = false;
        return 0.0f;
    case ClockCommand::kStart:
        if (stopped_) counterBase_ += current - counterStop_;
        counterStop_ = 0;
        counterLastElapsed_ = current;
        stopped_ = false;
        return 0.0f;
    case ClockCommand::kStop:
        if (!stopped_) {
            counterStop_ = current;
            counterLastElapsed_ = current;
            stopped_ = true;
        }
        return 0.0f;
    case ClockCommand::kAdvance:
        if (counterStop_ != 0) {
            counterStop_ += frequency_ / 10;
        } else {
            // A running clock steps forward instead: moving a zero stop mark would freeze it a
            // tenth of a second after the counter's origin.
            counterBase_ -= frequency_ / 10;
            counterLastElapsed_ -= frequency_ / 10;
        }
        return 0.0f;
    case ClockCommand::kAbsolute:
        return static_cast<float>(static_cast<long double>(current) / frequency);
    }
    return -1.0f;
}

double FrameClock::pending_elapsed() {
    if (!initialised_) return 0.0;
    if (counterAvailable_) {
        const std::int64_t current = counterStop_ != 0 ? counterStop_ : clock_.performance_counter();
        return static_cast<double>(current - counterLastElapsed_) / static_cast<double>(frequency_);
    }
    const double fresh = tick_seconds_now();  // also keeps the wrap tracked
    return (tickStop_ != 0.0 ? tickStop_ : fresh) - tickLastElapsed_;
}

double FrameClock::tick_seconds_now() {
    const std::uint32_t raw = clock_.tick_count();
    if (!tickSeen_) {
        tickSeen_ = true;
        tickExtended_ = raw;  // until the first wrap this equals GetTickCount() itself
    } else {
        tickExtended_ += ticks_since(raw, tickLastRaw_);
    }
    tickLastRaw_ = raw;
    return static_cast<double>(tickExtended_) * 0.001;
}

float FrameClock::tick_command(ClockCommand command) {
    // The tick count is read on every call, frozen or not, so the wrap is tracked even while
    // the clock stands still.
    const double fresh = tick_seconds_now();
    double current = fresh;
    if (tickStop_ != 0.0 && !reads_live_time(command))
        current = tickStop_;

    switch (command) {
    case ClockCommand::kElapsed: {
        const double seconds = current - tickLastElapsed_;
        tickLastElapsed_ = current;
        return static_cast<float>(seconds);
    }
    case ClockCommand::kApplication:
        return static_cast<float>(current - tickBase_);
    case ClockCommand::kReset:
        tickBase_ = current;
        tickLastElapsed_ = current;
        tickStop_ = 0.0;
        stopped_ = false;
        return 0.0f;
    case ClockCommand::kStart:
        if (stopped_) tickBase_ += current - tickStop_;
        tickStop_ = 0.0;
        tickLastElapsed_ = current;
        stopped_ = false;
        return 0.0f;
    case ClockCommand::kStop:
        if (!stopped_) {
            tickStop_ = current;
            tickLastElapsed_ = current;
            stopped_ = true;
        }
        return 0.0f;
    case ClockCommand::kAdvance:
        if (tickStop_ != 0.0) {
            tickStop_ += 0.1;
        } else {
            tickBase_ -= 0.1;
            tickLastElapsed_ -= 0.1;
        }
        return 0.0f;
    case ClockCommand::kAbsolute:
        return static_cast<float>(current);
    }
    return -1.0f;
}

}  // namespace brine
