// The main loop's passes over a manual clock: events first, the 1/30 s gate, stopped time, the
// ticker, and the rebuild after a failed frame.
#include <gtest/gtest.h>

#include <algorithm>

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
    void tank_step() override { ++steps; }
    void tank_animate(float dt) override {
        ++animates;
        animated += dt;
    }
    HResult render_frame() override {
        ++frames;
        return renderFails ? kFail : kOk;
    }
    int steps = 0, animates = 0, frames = 0;
    double animated = 0;
    bool renderFails = false;
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

}  // namespace
}  // namespace brine
