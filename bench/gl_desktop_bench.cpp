// What drawing over another program's desktop costs on X11 (Mesa llvmpipe on a private Xvfb): the
// same aquarium-like frame presented on a desktop of its own, cut by a bounding shape built from
// its alpha (another client's desktop window, no compositor), and see-through by an ARGB visual (a
// stand-in owner of the compositor selection; the compositing itself is the compositor's cost, in
// its own process). Also the shape's two parts alone: building it, and the SHAPE request.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/gl_bench_scene.h"  // Qt before Xlib, whose macros Qt's headers refuse
#include "platform/linux/x11_shape.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

using namespace brine;
using bench::Scene;

constexpr std::uint32_t kWidth = 800, kHeight = 600;  // the default quality
constexpr unsigned kScreenWidth = 1280, kScreenHeight = 1024;

// Another client: a full-screen desktop-type window and, when asked, the compositor selection.
class OtherDesktop {
public:
    OtherDesktop(bool desktop, bool compositor) {
        bench::display();
        d_ = XOpenDisplay(nullptr);
        const ::Window root = DefaultRootWindow(d_);
        if (desktop) {
            desktop_ = XCreateSimpleWindow(d_, root, 0, 0, kScreenWidth, kScreenHeight, 0, 0, 0x406080);
            const Atom type = XInternAtom(d_, "_NET_WM_WINDOW_TYPE_DESKTOP", False);
            XChangeProperty(d_, desktop_, XInternAtom(d_, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                            PropModeReplace, reinterpret_cast<const unsigned char*>(&type), 1);
            XMapWindow(d_, desktop_);
        }
        if (compositor) {
            owner_ = XCreateSimpleWindow(d_, root, 0, 0, 1, 1, 0, 0, 0);
            XSetSelectionOwner(d_, XInternAtom(d_, "_NET_WM_CM_S0", False), owner_, CurrentTime);
        }
        XSync(d_, False);
    }
    ~OtherDesktop() { XCloseDisplay(d_); }  // its windows and selection go with the connection

private:
    ::Display* d_ = nullptr;
    ::Window desktop_ = 0, owner_ = 0;
};

const SurfaceWay kWays[] = {SurfaceWay::kOwnDesktop, SurfaceWay::kOverShaped, SurfaceWay::kOverTranslucent};
const char* const kWayNames[] = {"own desktop", "over, shaped", "over, ARGB"};

// Arguments: the way (0 own, 1 shaped, 2 ARGB) and whether the wallpaper is drawn; the own way
// without it draws exactly what the frames over a desktop draw, so the difference is Present's.
void BM_PresentedFrame(benchmark::State& state) {
    const auto way = kWays[state.range(0)];
    const bool wallpaper = state.range(1) != 0;
    OtherDesktop other(way != SurfaceWay::kOwnDesktop, way == SurfaceWay::kOverTranslucent);
    Scene scene(kWidth, kHeight);
    if (scene.desktop.way() != way) {
        state.SkipWithError("the desktop did not take the expected way");
        return;
    }
    state.SetLabel(std::string(kWayNames[state.range(0)]) + (wallpaper ? ", wallpaper" : ""));
    int n = 0;
    for (int warm = 0; warm < 5; ++warm) scene.frame(n++, true, wallpaper);
    for (auto _ : state) {
        scene.frame(n++, true, wallpaper);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_PresentedFrame)
    ->Args({0, 1})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The shape of one such frame (the fish, pellets, captions and ticker of the scene above, read
// from its back buffer) as Present builds it for a full-screen window, and as the server takes it.
struct FrameAlphaSample {
    std::vector<std::uint32_t> pixels;
    std::vector<ShapeRect> rects;
    std::vector<std::int32_t> runs;
    FrameAlpha frame;

    FrameAlphaSample() {
        OtherDesktop other(true, false);
        Scene scene(kWidth, kHeight);
        scene.frame(7, false, false);
        Surface* back = nullptr;
        scene.device->get_back_buffer(0, 0, &back);
        const std::uint32_t w = back ? back->width() : 0, h = back ? back->height() : 0;
        if (back) back->release();
        pixels.assign(std::size_t{w} * h, 0);
        scene.device->read_back_buffer(w, h, pixels.data());
        frame.pixels = pixels.data();
        frame.width = w;
        frame.height = h;
    }
};

void BM_BuildFrameShape(benchmark::State& state) {
    FrameAlphaSample sample;
    for (auto _ : state) {
        build_frame_shape(sample.frame, kScreenWidth, kScreenHeight, &sample.rects, &sample.runs);
        benchmark::DoNotOptimize(sample.rects.data());
    }
    state.counters["rects"] = static_cast<double>(sample.rects.size());
}
BENCHMARK(BM_BuildFrameShape)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_ShapeRequest(benchmark::State& state) {
    FrameAlphaSample sample;
    build_frame_shape(sample.frame, kScreenWidth, kScreenHeight, &sample.rects, &sample.runs);
    ::Display* d = XOpenDisplay(nullptr);
    const ::Window window = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, kScreenWidth, kScreenHeight, 0, 0, 0);
    XMapWindow(d, window);
    XSync(d, False);
    for (auto _ : state) {
        set_bounding_shape(d, window, sample.rects);
        XSync(d, False);  // the server has taken the shape and exposed what it uncovers
    }
    state.counters["rects"] = static_cast<double>(sample.rects.size());
    XCloseDisplay(d);
}
BENCHMARK(BM_ShapeRequest)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
