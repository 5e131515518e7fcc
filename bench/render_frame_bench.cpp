// The cost of composing one frame on a device that does nothing: 10 fish bodies (mesh drawing
// stubbed), 16 active pellets, names, satiety captions and the ticker on, wallpaper enlarged.
// What remains is the frame's own work: states, transforms, projections and text layout.
#include <benchmark/benchmark.h>

#include <string>

#include "data/pack_writer.h"
#include "render/frame.h"
#include "tests/support/render_fakes.h"
#include "tests/support/scratch_dir.h"

namespace {

using namespace brine;

void BM_RenderFrame(benchmark::State& state) {
    test::ScratchDir dir;
    test::CurrentDirGuard cwd(dir.path());
    write_pack_file("texture.pak", {{"food.dds", {'I', 'M', 'G', ' ', '8', ' ', '8'}}}, nullptr);
    test::write_text("bg.img", "IMG 100 100");

    test::NullDevice device;
    DisplayContext display;
    display.device = &device;
    display.deviceWidth = 640;
    display.deviceHeight = 480;
    ResourceRegistry registry;
    test::FakeTank tank;
    test::SilentMeshes meshes;
    test::FakeTopics topics;
    topics.texts = {"\x8B\xE0\x8B\x9B News: a new kind of fish is here"};
    Scene scene{SceneServices{&display, &registry, &tank, &meshes, test::fake_decode_image}};
    SceneSettings settings;
    settings.wallpaperFile = "bg.img";
    init_scene(scene, settings);
    for (int slot = 0; slot < 10; ++slot)
        tank.add_fish(slot, "\x8B\xE0\x8B\x9B" + std::to_string(slot), slot, {slot * 12.0f - 60, slot * 5.0f, 0}, &meshes);
    for (int i = 0; i < 16; ++i) {
        tank.active[i] = 1;
        tank.boards[i]->set_position(i * 8.0f - 64, -40, 10);
        tank.boards[i]->build_world_matrix();
    }
    std::int32_t width = 640, height = 480, mode = 1007, on = 1, off = 0, index = 0, scroll = 300;
    FrameInputs inputs{width, height, mode, on, on, on, off, index, scroll, &topics};

    for (auto _ : state) benchmark::DoNotOptimize(render_frame(scene, inputs, tank));
    state.counters["device_calls_per_frame"] =
        benchmark::Counter(static_cast<double>(device.calls) / static_cast<double>(state.iterations()));
    registry.release_all_resources();
}
BENCHMARK(BM_RenderFrame)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace
