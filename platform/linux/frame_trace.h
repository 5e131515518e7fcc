// The program's one trace, on standard error, for tests and benchmarks that watch the running
// program from outside: the first frame's time since the process started, then once a second the
// frames drawn and tank steps taken so far and whether the desktop is seen ("frames"); and the
// time each start-up step took ("startup"). Off unless the environment asks for it
// (BRINE_TRACE=frames,startup). Linux platform layer only.
#pragma once
#include <cstdint>
#include <cstdio>

#include "shell/main_loop.h"
#include "shell/startup.h"

namespace brine {

class FrameTrace final : public LoopTrace {
public:
    // Made first thing in main, so "in main" counts from there.
    explicit FrameTrace(std::FILE* out = stderr);

    // Whether BRINE_TRACE (a comma-separated list of words) names `word`.
    static bool wanted(const char* setting, const char* word);

    // "start-up NAME at T ms after main", when the start-up trace is on.
    void mark(const char* name);
    bool startup = false;

    void tank_stepped() override;
    void frame_drawn() override;
    void visibility_changed(bool visible) override;

private:
    void maybe_report();

    std::FILE* out_;
    std::int64_t mainStartNs_;
    std::int64_t lastReportNs_ = 0;
    long frames_ = 0, steps_ = 0;
    bool visible_ = true;
};

// The start-up steps of another StartupSteps, each timed on the way through.
class TimedStartupSteps final : public StartupSteps {
public:
    TimedStartupSteps(StartupSteps& steps, std::FILE* out = stderr) : steps_(steps), out_(out) {}
    bool another_instance_running() override;
    bool check_active_desktop() override;
    void load_settings() override;
    bool load_topics() override;
    bool build_catalog() override;
    bool create_main_window() override;
    HResult init_display(std::int32_t width, std::int32_t height) override;
    void save_settings() override;
    HResult init_scene() override;
    void enter_background() override;

private:
    template <class Step>
    auto timed(const char* name, Step step);

    StartupSteps& steps_;
    std::FILE* out_;
};

}  // namespace brine
