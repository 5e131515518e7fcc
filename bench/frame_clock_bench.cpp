// Cost of the main loop's two clock readings per idle pass, and of a settings file round trip
// through the parser. Measures the core only, on the manual clock.
#include <benchmark/benchmark.h>

#include <string>

#include "shell/frame_clock.h"
#include "shell/settings_file_format.h"
#include "tests/support/manual_clock.h"

namespace {

void BM_FrameClockIdlePass(benchmark::State& state) {
    brine::test::ManualClock manual;
    manual.hasCounter = state.range(0) != 0;
    brine::FrameClock clock(manual);
    for (auto _ : state) {
        manual.counter += 1000;
        manual.ticks += 1;
        benchmark::DoNotOptimize(clock(brine::ClockCommand::kApplication));
        benchmark::DoNotOptimize(clock(brine::ClockCommand::kElapsed));
    }
}
BENCHMARK(BM_FrameClockIdlePass)->Arg(1)->Arg(0);

void BM_SettingsFileParse(benchmark::State& state) {
    const std::string text =
        "NAMES=dword:00000001\nSATIETY=dword:00000000\nWALLTYPE=dword:000003ef\n"
        "WALLFILE=binary:62675f737072697465312e6a7067\nSTARTUP=dword:0012d687\nBBSIZE=dword:00000001\n";
    for (auto _ : state) {
        brine::SettingsValueTable table;
        brine::parse_settings_file(text.data(), text.size(), table);
        benchmark::DoNotOptimize(table.values().data());
    }
}
BENCHMARK(BM_SettingsFileParse);

}  // namespace
