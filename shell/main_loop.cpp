#include "shell/main_loop.h"

namespace brine {

bool MainLoop::run_pass() {
    UiEvent event;
    if (p_.ui->poll_event(&event)) {
        if (event.kind == UiEventKind::kQuit) return false;
        p_.window->handle_event(event);
        return true;
    }

    const float now = (*p_.clock)(ClockCommand::kApplication);
    const float elapsed = (*p_.clock)(ClockCommand::kElapsed);
    // The gate sums the elapsed readings instead of subtracting two application times: those
    // count from the counter's origin in single precision, which after days of uptime steps in
    // tens of milliseconds and would let only a few frames a second through.
    sinceDraw_ += elapsed;
    const bool frameDue = sinceDraw_ >= kStepInterval;

    if (p_.flags->timeRunning != 0 && elapsed != 0.0f) {
        stepElapsed_ = elapsed;
        if (frameDue) p_.tank->tank_step();
        p_.tank->tank_animate(stepElapsed_);
    }
    if (!frameDue) return true;

    if (p_.flags->showTopics != 0) advance_ticker(*p_.ticker, p_.settings->backBufferWidth);

    lastDrawTime_ = now;
    sinceDraw_ = 0.0;
    if (failed(p_.tank->render_frame()) && failed(p_.aquarium->recreate_display()))
        p_.window->end_after_display_loss();
    return true;
}

int MainLoop::run() {
    while (run_pass()) {
    }
    return 0;
}

}  // namespace brine
