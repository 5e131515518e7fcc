// The main loop: one never-waiting pass at a time. A pass hands one queued UI event to the main
// window; a pass that finds none reads the frame clock, runs the per-pass tank update, and at most
// 30 times a second the fixed step, the ticker and a frame (with one rebuild when it fails).
// The tank and the drawing are reached through LoopActions, wired by the program.
// Must not depend on anything but base/, feed/ and shell/.
#pragma once
#include "base/result.h"
#include "feed/topic_ticker.h"
#include "shell/app_settings.h"
#include "shell/aquarium_actions.h"
#include "shell/frame_clock.h"
#include "shell/run_flags.h"
#include "shell/settings_dialog.h"
#include "shell/ui.h"

namespace brine {

constexpr float kStepInterval = 0.033333335f;  // the single-precision 1/30

class LoopActions {
public:
    virtual ~LoopActions() = default;
    // tank_step: satiety clocks, behaviour, pellets; only on passes that draw.
    virtual void tank_step() = 0;
    // tank_animate: animations by stepElapsed seconds, world matrices, draw order.
    virtual void tank_animate(float stepElapsed) = 0;
    // render_frame: negative when the display is lost.
    virtual HResult render_frame() = 0;
};

// The main window as the loop sees it: where events go, and the end after a failed rebuild.
class WindowProcedure : public DisplayLossHandler {
public:
    virtual void handle_event(const UiEvent& event) = 0;
};

struct MainLoopParts {
    Ui* ui = nullptr;
    WindowProcedure* window = nullptr;
    FrameClock* clock = nullptr;
    LoopActions* tank = nullptr;
    AquariumActions* aquarium = nullptr;  // recreate_display
    TopicTicker* ticker = nullptr;
    const RunFlags* flags = nullptr;
    const AppSettings* settings = nullptr;  // backBufferWidth for the ticker
};

class MainLoop {
public:
    explicit MainLoop(const MainLoopParts& parts) : p_(parts) {}

    // One pass; false once the quit event has been taken (the loop is over).
    bool run_pass();
    // Passes until quit; the program's exit code (0).
    int run();

    float last_draw_time() const { return lastDrawTime_; }
    float step_elapsed() const { return stepElapsed_; }

private:
    MainLoopParts p_;
    float lastDrawTime_ = 0.0f;
    double sinceDraw_ = 0.0;  // seconds since the last drawn frame, summed from elapsed readings
    float stepElapsed_ = 0.0f;
};

}  // namespace brine
