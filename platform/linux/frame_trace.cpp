#include "platform/linux/frame_trace.h"

#include <unistd.h>

#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

namespace brine {

namespace {

std::int64_t now_ns(clockid_t id) {
    timespec ts{};
    clock_gettime(id, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// Milliseconds since the kernel started this process (field 22 of /proc/self/stat, in clock ticks
// since boot), or -1.
double ms_since_exec() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');  // the command name may hold spaces
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i) {
        if (i != 22) continue;
        const double ticks = std::stod(field);
        const double startMs = ticks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
        return static_cast<double>(now_ns(CLOCK_BOOTTIME)) / 1e6 - startMs;
    }
    return -1;
}

}  // namespace

FrameTrace::FrameTrace(std::FILE* out) : out_(out), mainStartNs_(now_ns(CLOCK_MONOTONIC)) {}

bool FrameTrace::wanted(const char* setting, const char* word) {
    if (!setting) return false;
    std::istringstream words{std::string(setting)};
    std::string each;
    while (std::getline(words, each, ','))
        if (each == word) return true;
    return false;
}

void FrameTrace::mark(const char* name) {
    if (!startup) return;
    std::fprintf(out_, "brinelight trace: start-up %s at %.1f ms after main (%.1f ms processor)\n", name,
                 static_cast<double>(now_ns(CLOCK_MONOTONIC) - mainStartNs_) / 1e6,
                 static_cast<double>(now_ns(CLOCK_PROCESS_CPUTIME_ID)) / 1e6);
    std::fflush(out_);
}

void FrameTrace::tank_stepped() {
    ++steps_;
    maybe_report();
}

void FrameTrace::frame_drawn() {
    if (++frames_ == 1) {
        const double inMain = static_cast<double>(now_ns(CLOCK_MONOTONIC) - mainStartNs_) / 1e6;
        std::fprintf(out_, "brinelight trace: first frame %.0f ms after exec, %.0f ms after main (%.0f ms processor)\n",
                     ms_since_exec(), inMain, static_cast<double>(now_ns(CLOCK_PROCESS_CPUTIME_ID)) / 1e6);
        std::fflush(out_);
    }
    maybe_report();
}

void FrameTrace::visibility_changed(bool visible) {
    visible_ = visible;
    std::fprintf(out_, "brinelight trace: desktop %s\n", visible ? "shown" : "hidden");
    std::fflush(out_);
}

void FrameTrace::maybe_report() {
    const std::int64_t now = now_ns(CLOCK_MONOTONIC);
    if (now - lastReportNs_ < 1'000'000'000) return;
    lastReportNs_ = now;
    std::fprintf(out_, "brinelight trace: t=%.2f s frames=%ld steps=%ld visible=%d\n",
                 static_cast<double>(now - mainStartNs_) / 1e9, frames_, steps_, visible_ ? 1 : 0);
    std::fflush(out_);
}

template <class Step>
auto TimedStartupSteps::timed(const char* name, Step step) {
    // Wall time and the main thread's own processor time: on a busy machine only the second
    // says what the step itself costs.
    const std::int64_t start = now_ns(CLOCK_MONOTONIC), cpuStart = now_ns(CLOCK_THREAD_CPUTIME_ID);
    auto result = step();
    std::fprintf(out_, "brinelight trace: start-up %s %.1f ms (%.1f ms processor)\n", name,
                 static_cast<double>(now_ns(CLOCK_MONOTONIC) - start) / 1e6,
                 static_cast<double>(now_ns(CLOCK_THREAD_CPUTIME_ID) - cpuStart) / 1e6);
    std::fflush(out_);
    return result;
}

bool TimedStartupSteps::another_instance_running() {
    return timed("another_instance_running", [&] { return steps_.another_instance_running(); });
}
bool TimedStartupSteps::check_active_desktop() {
    return timed("check_active_desktop", [&] { return steps_.check_active_desktop(); });
}
void TimedStartupSteps::load_settings() {
    timed("load_settings", [&] { return steps_.load_settings(), 0; });
}
bool TimedStartupSteps::load_topics() { return timed("load_topics", [&] { return steps_.load_topics(); }); }
bool TimedStartupSteps::build_catalog() { return timed("build_catalog", [&] { return steps_.build_catalog(); }); }
bool TimedStartupSteps::create_main_window() {
    return timed("create_main_window", [&] { return steps_.create_main_window(); });
}
HResult TimedStartupSteps::init_display(std::int32_t width, std::int32_t height) {
    return timed("init_display", [&] { return steps_.init_display(width, height); });
}
void TimedStartupSteps::save_settings() {
    timed("save_settings", [&] { return steps_.save_settings(), 0; });
}
HResult TimedStartupSteps::init_scene() { return timed("init_scene", [&] { return steps_.init_scene(); }); }
void TimedStartupSteps::enter_background() {
    timed("enter_background", [&] { return steps_.enter_background(), 0; });
}

}  // namespace brine
