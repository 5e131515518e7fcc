// The main loop: one pass at a time. A pass hands one queued UI event to the main window, waiting
// in the Ui for one until the next frame is due; a pass that finds none reads the frame clock,
// runs the per-pass tank update, and at most 30 times a second the fixed step, the ticker and a
// frame (with one rebuild when it fails). While the desktop cannot be seen only the fixed step
// runs. The tank and the drawing are reached through LoopActions, wired by the program.
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
    // Whether anything of the desktop can be seen now, asked on every pass where a step is due
    // (at most 30 times a second). While false the loop runs tank_step alone: no tank_animate, no
    // ticker, no frame, until the first due pass that answers true again.
    virtual bool desktop_visible() = 0;
};

// What the loop did, for an observer outside it (the program's trace); it changes nothing.
class LoopTrace {
public:
    virtual ~LoopTrace() = default;
    virtual void tank_stepped() = 0;
    virtual void frame_drawn() = 0;
    virtual void visibility_changed(bool visible) = 0;
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
    // Seconds the next pass may wait for an event before a step or frame is due.
    double seconds_until_due();
    void set_trace(LoopTrace* trace) { trace_ = trace; }

private:
    MainLoopParts p_;
    LoopTrace* trace_ = nullptr;
    bool clockRead_ = false;
    bool visible_ = true;
    float lastDrawTime_ = 0.0f;
    double sinceDraw_ = 0.0;  // seconds since the last drawn frame, summed from elapsed readings
    float stepElapsed_ = 0.0f;
};

}  // namespace brine
