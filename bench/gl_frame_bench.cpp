// One aquarium-like frame on the OpenGL device (Mesa llvmpipe on a private Xvfb): wallpaper blit,
// ten skinned meshes with four blend matrices, sixteen pellet boards, captions, a ticker drawn glyph
// by glyph, and Present into the desktop window. Also the device calls alone, without drawing.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "bench/gl_bench_scene.h"

// Every C++ allocation in the process counts here (ours, Qt's, and LLVM's when llvmpipe compiles a
// shader variant); Mesa's C allocations do not.
std::atomic<long> allocations{0};

namespace {

using namespace brine;
using bench::Scene;

void BM_AquariumFrame(benchmark::State& state) {
    Scene scene(static_cast<std::uint32_t>(state.range(0)), static_cast<std::uint32_t>(state.range(1)));
    int n = 0;
    const long before = allocations.load();
    for (auto _ : state) {
        scene.frame(n++, true);
        QCoreApplication::processEvents();
    }
    state.counters["triangles"] = 20.0 * scene.triangles;
    state.counters["news_per_frame"] = double(allocations.load() - before) / double(state.iterations());
}
BENCHMARK(BM_AquariumFrame)->Args({640, 480})->Args({1024, 768})->Unit(benchmark::kMillisecond)->UseRealTime();

// The device's own cost: the same calls into a 1 x 1 viewport, so the rasteriser has next to
// nothing to do.
void BM_FrameCallsOnly(benchmark::State& state) {
    Scene scene(640, 480);
    scene.device->set_viewport(Viewport{0, 0, 1, 1, 0.0f, 1.0f});
    scene.frame(0, false);  // the driver compiles its variants for this viewport
    int n = 0;
    const long before = allocations.load();
    for (auto _ : state) scene.frame(n++, false);
    state.counters["news_per_frame"] = double(allocations.load() - before) / double(state.iterations());
}
BENCHMARK(BM_FrameCallsOnly)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
