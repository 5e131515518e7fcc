// The program's one trace, on standard error, for tests and benchmarks that watch the running
// program from outside: the first frame's time since the process started, then once a second the
// frames drawn and tank steps taken so far and whether the desktop is seen. Off unless the
// environment asks for it (BRINE_TRACE=frames). Linux platform layer only.
#pragma once
#include <cstdint>
#include <cstdio>

#include "shell/main_loop.h"

namespace brine {

class FrameTrace final : public LoopTrace {
public:
    // Made first thing in main, so "in main" counts from there.
    explicit FrameTrace(std::FILE* out = stderr);

    // Whether BRINE_TRACE (a comma-separated list of words) names "frames".
    static bool wanted(const char* setting);

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

}  // namespace brine
