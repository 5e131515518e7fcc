#include "shell/main_loop.h"

namespace brine {

double MainLoop::seconds_until_due() {
    // The first pass reads the clock at once: its elapsed reading spans from the clock's origin.
    if (!clockRead_) return 0.0;
    return kStepInterval - sinceDraw_ - p_.clock->pending_elapsed();
}

bool MainLoop::run_pass() {
    UiEvent event;
    if (p_.ui->poll_event(&event, seconds_until_due())) {
        if (event.kind == UiEventKind::kQuit) return false;
        p_.window->handle_event(event);
        return true;
    }

    const float now = (*p_.clock)(ClockCommand::kApplication);
    const float elapsed = (*p_.clock)(ClockCommand::kElapsed);
    clockRead_ = true;
    // The gate sums the elapsed readings instead of subtracting two application times: those
    // count from the counter's origin in single precision, which after days of uptime steps in
    // tens of milliseconds and would let only a few frames a second through.
    sinceDraw_ += elapsed;
    const bool frameDue = sinceDraw_ >= kStepInterval;
    if (frameDue) {
        const bool visible = p_.tank->desktop_visible();
        if (visible != visible_ && trace_) trace_->visibility_changed(visible);
        visible_ = visible;
    }

    if (p_.flags->timeRunning != 0 && elapsed != 0.0f) {
        stepElapsed_ = elapsed;
        if (frameDue) {
            p_.tank->tank_step();
            if (trace_) trace_->tank_stepped();
        }
        // Hidden, the animation stands still: nobody would see it, and it is the costly half.
        if (visible_) p_.tank->tank_animate(stepElapsed_);
    }
    if (!frameDue) return true;
    sinceDraw_ = 0.0;
    if (!visible_) return true;

    if (p_.flags->showTopics != 0) advance_ticker(*p_.ticker, p_.settings->backBufferWidth);

    lastDrawTime_ = now;
    const HResult drawn = p_.tank->render_frame();
    if (trace_) trace_->frame_drawn();
    if (failed(drawn) && failed(p_.aquarium->recreate_display())) p_.window->end_after_display_loss();
    return true;
}

int MainLoop::run() {
    while (run_pass()) {
    }
    return 0;
}

}  // namespace brine
