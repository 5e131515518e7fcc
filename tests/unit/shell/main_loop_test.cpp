// The main loop's passes over a manual clock: events first, the 1/30 s gate, stopped time, the
// ticker, the rebuild after a failed frame, the waits between frames and the hidden desktop.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "shell/main_loop.h"
#include "tests/support/fake_aquarium.h"
#include "tests/support/manual_clock.h"
#include "tests/support/scripted_ui.h"

namespace brine {
namespace {

class RecordingWindow : public WindowProcedure {
public:
    void handle_event(const UiEvent& e) override { events.push_back(e); }
    void end_after_display_loss() override { ++ends; }
    std::vector<UiEvent> events;
    int ends = 0;
};

class CountingTank : public LoopActions {
public:
    void tank_step() override {
        ++steps;
        order += 's';
    }
    void tank_animate(float dt) override {
        ++animates;
        animated += dt;
        order += 'a';
    }
    HResult render_frame() override {
        ++frames;
        order += 'f';
        if (clock) clock->advance_seconds(frameCost);  // drawing takes time
        return renderFails ? kFail : kOk;
    }
    bool desktop_visible() override {
        ++visibilityAsks;
        return visible;
    }
    int steps = 0, animates = 0, frames = 0, visibilityAsks = 0;
    double animated = 0;
    bool renderFails = false;
    bool visible = true;
    std::string order;  // s step, a animate, f frame
    test::ManualClock* clock = nullptr;
    double frameCost = 0;
};

class MainLoopTest : public ::testing::Test {
protected:
    MainLoopTest() : frameClock(clock) {
        ticker.items[0].set("abc");
        ticker.topicCount = 1;
        ticker.topicScrollEnd = 27 + 640;
        parts = {&ui, &window, &frameClock, &tank, &aquarium, &ticker, &flags, &settings};
    }
    // Runs passes 1 ms apart for the given span.
    void run_ms(MainLoop& loop, int ms) {
        for (int i = 0; i < ms; ++i) {
            clock.advance_ms(1);
            ASSERT_TRUE(loop.run_pass());
        }
    }
    test::ManualClock clock;
    FrameClock frameClock;
    test::ScriptedUi ui;
    RecordingWindow window;
    CountingTank tank;
    test::FakeAquarium aquarium;
    TopicTicker ticker;
    RunFlags flags;
    AppSettings settings;
    MainLoopParts parts;
};

TEST_F(MainLoopTest, EventsGoToTheWindowAndQuitEndsTheLoop) {
    MainLoop loop(parts);
    ui.events.push_back({UiEventKind::kCommand, 40006});
    ui.events.push_back({UiEventKind::kTrayRightButton, 0});
    ui.post_quit();
    clock.advance_ms(100);
    EXPECT_TRUE(loop.run_pass());
    EXPECT_TRUE(loop.run_pass());
    EXPECT_FALSE(loop.run_pass());
    ASSERT_EQ(window.events.size(), 2u);
    EXPECT_EQ(window.events[0].command, 40006u);
    EXPECT_EQ(tank.frames, 0) << "no frame on a pass that handled an event";
    ui.events.push_back({UiEventKind::kCommand, 40011});
    ui.post_quit();
    EXPECT_EQ(loop.run(), 0);
    EXPECT_EQ(window.events.size(), 3u);
}

TEST_F(MainLoopTest, AtMostThirtyStepsAndFramesASecondButAnimationEveryPass) {
    MainLoop loop(parts);
    run_ms(loop, 2000);
    EXPECT_LE(tank.frames, 60);
    EXPECT_GE(tank.frames, 57);
    EXPECT_EQ(tank.steps, tank.frames);
    EXPECT_EQ(tank.animates, 2000);
    EXPECT_NEAR(tank.animated, 2.0, 1e-3);
}

TEST_F(MainLoopTest, ThirtyFramesASecondAfterTenDaysOfUptime) {
    // The counter's origin is the system start: ten days on, single-precision seconds step by
    // 0.0625 s, which must not thin the frames out.
    clock.counter = static_cast<std::int64_t>(10) * 24 * 3600 * clock.frequencyValue;
    MainLoop loop(parts);
    run_ms(loop, 1);  // the first pass draws, as its elapsed reading spans the whole uptime
    tank.frames = tank.steps = 0;
    run_ms(loop, 2000);
    EXPECT_GE(tank.frames, 57);
    EXPECT_LE(tank.frames, 60);
}

TEST_F(MainLoopTest, NoTimePassedRunsNeitherUpdate) {
    MainLoop loop(parts);
    clock.advance_ms(50);
    loop.run_pass();
    const int animates = tank.animates;
    for (int i = 0; i < 10; ++i) loop.run_pass();  // the clock stands: dt is 0
    EXPECT_EQ(tank.animates, animates);
}

TEST_F(MainLoopTest, StoppedTimeStillDrawsAndScrolls) {
    flags.timeRunning = 0;
    MainLoop loop(parts);
    run_ms(loop, 1000);
    EXPECT_EQ(tank.steps, 0);
    EXPECT_EQ(tank.animates, 0);
    EXPECT_GE(tank.frames, 28);
    EXPECT_EQ(ticker.topicScroll, 2 * tank.frames);
}

TEST_F(MainLoopTest, HiddenTickerStandsStill) {
    flags.showTopics = 0;
    MainLoop loop(parts);
    run_ms(loop, 500);
    EXPECT_GT(tank.frames, 0);
    EXPECT_EQ(ticker.topicScroll, 0);
}

TEST_F(MainLoopTest, FailedFrameRebuildsAndAFailedRebuildEndsTheProgram) {
    tank.renderFails = true;
    MainLoop loop(parts);
    run_ms(loop, 40);
    EXPECT_EQ(std::count(aquarium.ownLog.begin(), aquarium.ownLog.end(), "recreate_display"), 1);
    EXPECT_EQ(window.ends, 0);
    aquarium.recreateFails = true;
    run_ms(loop, 40);
    EXPECT_EQ(window.ends, 1);
}

// Passes with the loop's own waits (the Ui moves the clock on) until `seconds` have gone by.
int run_waiting(MainLoop& loop, test::ManualClock& clock, double seconds) {
    const std::int64_t end = clock.counter + static_cast<std::int64_t>(seconds * clock.frequencyValue);
    int passes = 0;
    while (clock.counter < end) {
        EXPECT_TRUE(loop.run_pass());
        ++passes;
    }
    return passes;
}

TEST_F(MainLoopTest, WaitsForTheNextFrameAndKeepsCountAndOrder) {
    ui.clock = &clock;
    tank.clock = &clock;
    tank.frameCost = 0.010;  // the wait after a frame is shortened by the time it took
    clock.advance_ms(500);
    MainLoop loop(parts);
    const int passes = run_waiting(loop, clock, 2.0);
    EXPECT_GE(tank.frames, 59);  // one at once, then one each 1/30 s
    EXPECT_LE(tank.frames, 61);
    EXPECT_EQ(tank.steps, tank.frames);
    // A pass only where something is due: no pass spins between frames.
    EXPECT_LE(passes, tank.frames + 1);
    EXPECT_EQ(tank.animates, tank.frames);
    EXPECT_NEAR(tank.animated, 0.5 + 2.0, 0.04) << "the first pass animates the span since the origin";
    std::string expected;
    for (int i = 0; i < tank.frames; ++i) expected += "saf";
    EXPECT_EQ(tank.order, expected);
    EXPECT_EQ(ui.waits.front(), 0.0) << "the first pass reads the clock at once";
    for (std::size_t i = 1; i < ui.waits.size(); ++i) {
        EXPECT_LE(ui.waits[i], kStepInterval);
        EXPECT_NEAR(ui.waits[i], kStepInterval - 0.010, 0.002) << "pass " << i;
    }
}

TEST_F(MainLoopTest, AnEventWakesTheLoopAtOnce) {
    ui.clock = &clock;
    MainLoop loop(parts);
    clock.advance_ms(100);
    ASSERT_TRUE(loop.run_pass());  // the first frame
    ASSERT_EQ(tank.frames, 1);
    ui.laterEvents.push_back({0.005, {UiEventKind::kCommand, 40006}});
    const std::int64_t before = clock.counter;
    ASSERT_TRUE(loop.run_pass());
    ASSERT_EQ(window.events.size(), 1u);
    EXPECT_EQ(clock.counter - before, 5000) << "handled 5 ms into the wait, not at the frame's deadline";
    EXPECT_EQ(tank.frames, 1);
    // The next wait is what was left of the frame's.
    ASSERT_TRUE(loop.run_pass());
    EXPECT_NEAR(ui.waits.back(), kStepInterval - 0.005, 1e-5);
    EXPECT_EQ(tank.frames, 2);
    EXPECT_EQ(clock.counter - before, 33334);
}

TEST_F(MainLoopTest, HiddenDesktopStepsTheTankButDrawsNothing) {
    ui.clock = &clock;
    clock.advance_ms(100);
    MainLoop loop(parts);
    run_waiting(loop, clock, 0.5);
    const int frames = tank.frames, animates = tank.animates, scroll = ticker.topicScroll;
    ASSERT_GT(frames, 10);

    tank.visible = false;
    tank.steps = tank.visibilityAsks = 0;
    tank.order.clear();
    run_waiting(loop, clock, 1.0);
    EXPECT_GE(tank.steps, 29);
    EXPECT_LE(tank.steps, 30);
    EXPECT_EQ(tank.order, std::string(static_cast<std::size_t>(tank.steps), 's')) << "steps alone";
    EXPECT_EQ(tank.visibilityAsks, tank.steps) << "asked on due passes only";
    EXPECT_EQ(tank.frames, frames);
    EXPECT_EQ(tank.animates, animates);
    EXPECT_EQ(ticker.topicScroll, scroll);
    for (std::size_t i = 1; i < ui.waits.size(); ++i) EXPECT_LE(ui.waits[i], kStepInterval);

    // Shown again: the first due pass animates and draws.
    tank.visible = true;
    tank.order.clear();
    ASSERT_TRUE(loop.run_pass());
    EXPECT_EQ(tank.order, "saf");
    EXPECT_EQ(ticker.topicScroll, scroll + 2);
}

TEST_F(MainLoopTest, StoppedTimeWhileHiddenRunsNothingButStillAsks) {
    flags.timeRunning = 0;
    ui.clock = &clock;
    tank.visible = false;
    clock.advance_ms(100);
    MainLoop loop(parts);
    run_waiting(loop, clock, 1.0);
    EXPECT_EQ(tank.order, "");
    EXPECT_GE(tank.visibilityAsks, 29) << "so that drawing resumes as soon as the desktop shows";
}

}  // namespace
}  // namespace brine
