// The frame clock on a manual clock: both time bases, stop/start/advance/reset, codes outside
// the table, and the tick count's wrap.
#include <gtest/gtest.h>

#include "shell/frame_clock.h"
#include "tests/support/manual_clock.h"

namespace brine {
namespace {

using test::ManualClock;
constexpr ClockCommand kReset = ClockCommand::kReset;
constexpr ClockCommand kStart = ClockCommand::kStart;
constexpr ClockCommand kStop = ClockCommand::kStop;
constexpr ClockCommand kAdvance = ClockCommand::kAdvance;
constexpr ClockCommand kAbsolute = ClockCommand::kAbsolute;
constexpr ClockCommand kApplication = ClockCommand::kApplication;
constexpr ClockCommand kElapsed = ClockCommand::kElapsed;

ClockCommand code(int c) { return static_cast<ClockCommand>(c); }

class CounterClock : public ::testing::Test {
protected:
    ManualClock manual;
    FrameClock clock{manual};
};

TEST_F(CounterClock, FirstElapsedSpansFromTheOriginThenBetweenReadings) {
    manual.counter = 5'000'000;  // 5 s after the counter's origin
    EXPECT_FLOAT_EQ(clock(kApplication), 5.0f);
    EXPECT_FLOAT_EQ(clock(kElapsed), 5.0f);
    manual.advance_ms(250);
    EXPECT_FLOAT_EQ(clock(kElapsed), 0.25f);
    EXPECT_FLOAT_EQ(clock(kElapsed), 0.0f);
    manual.advance_ms(40);
    EXPECT_FLOAT_EQ(clock(kApplication), 5.29f);
    EXPECT_FLOAT_EQ(clock(kElapsed), 0.04f);
    EXPECT_TRUE(clock.uses_counter());
}

TEST_F(CounterClock, HugeCounterValuesKeepSmallStepsExact) {
    manual.frequencyValue = 1'000'000'000;
    manual.counter = (std::int64_t{1} << 62) + 12345;  // far beyond float and double mantissas
    clock(kElapsed);
    manual.counter += 1'000;  // one microsecond
    EXPECT_FLOAT_EQ(clock(kElapsed), 1e-6f);
    manual.counter += 33'333'333;
    EXPECT_FLOAT_EQ(clock(kElapsed), 0.033333333f);
}

TEST_F(CounterClock, CodesOutsideTheTableAnswerMinusOneAndChangeNothing) {
    manual.counter = 2'000'000;
    EXPECT_FLOAT_EQ(clock(kElapsed), 2.0f);
    manual.advance_ms(500);
    for (int c : {-1, 7, 8, 100, INT32_MIN, INT32_MAX}) EXPECT_EQ(clock(code(c)), -1.0f) << c;
    // The elapsed mark did not move and the clock was not stopped.
    EXPECT_FLOAT_EQ(clock(kElapsed), 0.5f);
    manual.advance_ms(500);
    EXPECT_FLOAT_EQ(clock(kApplication), 3.0f);
}

TEST(FrameClockSetup, InvalidFirstCodeDoesNotChooseTheTimeBase) {
    ManualClock manual;
    FrameClock clock(manual);
    EXPECT_EQ(clock(code(9)), -1.0f);
    EXPECT_FALSE(clock.initialised());
    manual.hasCounter = false;  // only a valid call decides
    manual.ticks = 1500;
    EXPECT_FLOAT_EQ(clock(kAbsolute), 1.5f);
    EXPECT_FALSE(clock.uses_counter());
}

TEST(FrameClockSetup, TimeBaseIsChosenOnceOnTheFirstCall) {
    ManualClock manual;
    manual.counter = 1'000'000;
    FrameClock clock(manual);
    EXPECT_FLOAT_EQ(clock(kAbsolute), 1.0f);
    manual.hasCounter = false;
    manual.ticks = 999'000;
    manual.counter = 3'000'000;
    EXPECT_FLOAT_EQ(clock(kAbsolute), 3.0f);  // still the counter

    ManualClock noCounter;
    noCounter.hasCounter = false;
    noCounter.ticks = 2000;
    FrameClock tickClock(noCounter);
    EXPECT_FLOAT_EQ(tickClock(kAbsolute), 2.0f);
    noCounter.hasCounter = true;
    noCounter.counter = 7'000'000;
    EXPECT_FLOAT_EQ(tickClock(kAbsolute), 2.0f);  // still the tick count
}

TEST(FrameClockSetup, CounterWithoutPositiveFrequencyFallsBackToTicks) {
    ManualClock manual;
    manual.frequencyValue = 0;
    manual.counter = 5;
    manual.ticks = 4000;
    FrameClock clock(manual);
    EXPECT_FLOAT_EQ(clock(kApplication), 4.0f);
    EXPECT_FALSE(clock.uses_counter());
}

TEST_F(CounterClock, StopFreezesAndStartLeavesTheStoppedSpanOut) {
    manual.counter = 10'000'000;
    clock(kElapsed);
    EXPECT_EQ(clock(kStop), 0.0f);
    manual.advance_ms(5000);
    EXPECT_FLOAT_EQ(clock(kApplication), 10.0f);
    EXPECT_FLOAT_EQ(clock(kElapsed), 0.0f);
    EXPECT_FLOAT_EQ(clock(kAbsolute), 15.0f);  // absolute time never freezes
    EXPECT_EQ(clock(kStop), 0.0f);             // a second stop keeps the first mark
    manual.advance_ms(1000);
    EXPECT_FLOAT_EQ(clock(kApplication), 10.0f);
    EXPECT_EQ(clock(kStart), 0.0f);
    EXPECT_FLOAT_EQ(clock(kApplication), 10.0f);
    EXPECT_FLOAT_EQ(clock(kElapsed), 0.0f);
    manual.advance_ms(1000);
    EXPECT_FLOAT_EQ(clock(kApplication), 11.0f);
    EXPECT_FLOAT_EQ(clock(kElapsed), 1.0f);
}

TEST_F(CounterClock, RunsFromTheFirstCallSoStartOnlyMovesTheElapsedMark) {
    manual.counter = 8'000'000;
    EXPECT_FLOAT_EQ(clock(kApplication), 8.0f);
    clock(kStart);  // not stopped: the base stays at the origin
    EXPECT_FLOAT_EQ(clock(kApplication), 8.0f);
    manual.advance_ms(300);
    EXPECT_FLOAT_EQ(clock(kElapsed), 0.3f);
    EXPECT_FLOAT_EQ(clock(kApplication), 8.3f);
}

TEST_F(CounterClock, AdvanceWhileStoppedStepsTheFrozenTime) {
    manual.counter = 4'000'000;
    clock(kReset);
    manual.advance_ms(2000);
    clock(kStop);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(clock(kAdvance), 0.0f);
    manual.advance_ms(5000);
    EXPECT_FLOAT_EQ(clock(kApplication), 2.3f);
    EXPECT_FLOAT_EQ(clock(kElapsed), 0.3f);  // the stepped span reaches the animation once
    EXPECT_FLOAT_EQ(clock(kElapsed), 0.0f);
    EXPECT_FLOAT_EQ(clock(kAbsolute), 11.0f);
    clock(kStart);
    manual.advance_ms(100);
    EXPECT_FLOAT_EQ(clock(kApplication), 2.4f);
}

TEST_F(CounterClock, AdvanceWhileRunningStepsForwardAndKeepsRunning) {
    manual.counter = 1'000'000;
    clock(kReset);
    clock(kAdvance);
    EXPECT_FLOAT_EQ(clock(kApplication), 0.1f);
    EXPECT_FLOAT_EQ(clock(kElapsed), 0.1f);
    manual.advance_ms(500);
    EXPECT_FLOAT_EQ(clock(kApplication), 0.6f);
    EXPECT_FLOAT_EQ(clock(kElapsed), 0.5f);
}

TEST_F(CounterClock, ResetStartsANewBaseAtTheLiveTimeEvenWhenStopped) {
    manual.counter = 3'000'000;
    clock(kStop);
    manual.advance_ms(700);
    clock(kReset);  // counts from now: the stopped span is not handed to the next reading
    EXPECT_FLOAT_EQ(clock(kApplication), 0.0f);
    manual.advance_ms(200);
    EXPECT_FLOAT_EQ(clock(kApplication), 0.2f);
    EXPECT_FLOAT_EQ(clock(kElapsed), 0.2f);
    clock(kStop);  // running again after the reset, so a stop takes
    manual.advance_ms(200);
    EXPECT_FLOAT_EQ(clock(kApplication), 0.2f);
}

class TickClock : public ::testing::Test {
protected:
    TickClock() { manual.hasCounter = false; }
    ManualClock manual;
    FrameClock clock{manual};
};

TEST_F(TickClock, ReadingsHaveMillisecondResolution) {
    manual.ticks = 60'000;
    EXPECT_FLOAT_EQ(clock(kElapsed), 60.0f);  // from the tick count's origin
    manual.counter += 999;                    // the counter is not looked at
    EXPECT_EQ(clock(kElapsed), 0.0f);         // within the same tick: exactly 0
    EXPECT_EQ(clock(kElapsed), 0.0f);
    manual.ticks += 1;
    EXPECT_NEAR(clock(kElapsed), 0.001f, 1e-6f);
    manual.ticks += 16;
    EXPECT_NEAR(clock(kElapsed), 0.016f, 1e-6f);
    EXPECT_NEAR(clock(kApplication), 60.017f, 1e-3f);
    EXPECT_FALSE(clock.uses_counter());
}

TEST_F(TickClock, StopStartAndAdvanceWorkOnSeconds) {
    manual.ticks = 20'000;
    clock(kElapsed);
    clock(kStop);
    manual.ticks += 3000;
    EXPECT_FLOAT_EQ(clock(kApplication), 20.0f);
    EXPECT_EQ(clock(kElapsed), 0.0f);
    clock(kAdvance);
    clock(kAdvance);
    EXPECT_FLOAT_EQ(clock(kApplication), 20.2f);
    EXPECT_FLOAT_EQ(clock(kElapsed), 0.2f);
    clock(kStart);
    manual.ticks += 500;
    EXPECT_NEAR(clock(kApplication), 20.7f, 1e-5f);
    EXPECT_FLOAT_EQ(clock(kElapsed), 0.5f);
    EXPECT_EQ(clock(code(7)), -1.0f);
}

TEST_F(TickClock, WrapOfTheTickCountKeepsTimeMovingForward) {
    // GetTickCount() * 0.001 would fall from ~4294967 s to 0 here; the clock carries on instead.
    manual.ticks = 0xFFFFFFFFu - 499u;
    const float before = clock(kApplication);
    clock(kElapsed);
    manual.ticks += 1000;  // wraps to 500
    ASSERT_EQ(manual.ticks, 500u);
    EXPECT_FLOAT_EQ(clock(kElapsed), 1.0f);
    EXPECT_GT(clock(kApplication), before);
    EXPECT_NEAR(clock(kAbsolute), 4294967.796f, 0.5f);
    manual.ticks += 40;
    EXPECT_NEAR(clock(kElapsed), 0.04f, 1e-4f);
}

TEST_F(TickClock, WrapIsTrackedWhileStopped) {
    manual.ticks = 0xFFFFF000u;
    clock(kStop);
    const float frozen = clock(kApplication);
    manual.ticks += 0x2000;  // wraps during the stop, seen by the next call
    EXPECT_EQ(clock(kApplication), frozen);
    clock(kStart);
    manual.ticks += 100;
    EXPECT_NEAR(clock(kApplication) - frozen, 0.1f, 0.5f);  // float of ~4.29e6 s: 0.5 s steps
    EXPECT_NEAR(clock(kElapsed), 0.1f, 1e-4f);
}

}  // namespace
}  // namespace brine
