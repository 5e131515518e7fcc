// Cost of one fixed step plus one per-pass update of a tank of ten fish, the work the main loop
// does 30 times a second: with the real skinned goldfish (null device) when the content is
// built, and with motion-only fake meshes for the behaviour's own share.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "data/fish_catalog.h"
#include "fish/feeding.h"
#include "fish/fish_creation.h"
#include "fish/skinned_mesh_ops.h"
#include "fish/tank.h"
#include "fish/tank_update.h"
#include "render/camera.h"
#include "tests/support/fake_fish_meshes.h"
#include "tests/support/manual_clock.h"
#include "tests/support/recording_device.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/scripted_message_boxes.h"

namespace {

using namespace brine;
namespace fs = std::filesystem;

struct BenchTank {
    BenchTank() : camera(&device, 640, 480) {
        camera.set_eye(0, 0, -300);
        test::give_pellet_boards(tank);
        rand.srand(4242);
        clock.ticks = 1000;
        world.tank = &tank;
        world.clock = &clock;
        world.rand = &rand;
        world.catalog = &catalog;
        world.camera = &camera;
        world.registry = &registry;
    }
    // Runs the tank a while so fish are spread over their states and pellets are in the water.
    void settle() {
        for (int s = 0; s < 600; ++s) step(s);
    }
    void step(long n) {
        if (n % 3600 == 0) feed_fish(world);  // food every two simulated minutes
        clock.advance_ms(33);
        tank_step(world);
        tank_animate(world, 1.0f / 30.0f);
    }

    test::NullDevice device;
    Camera camera;
    Tank tank;
    test::ManualClock clock;
    CrtRand rand;
    FishCatalog catalog;
    ResourceRegistry registry;
    FishWorld world;
};

void run(benchmark::State& state, BenchTank& t) {
    t.settle();
    long n = 600;
    for (auto _ : state) {
        t.step(n++);
        benchmark::ClobberMemory();
    }
}

void BM_TenFishStepAndAnimate_Skinned(benchmark::State& state) {
    fs::path object = fs::path(BRINE_PROGRAM_DIR) / "object";
    if (!fs::exists(object / "fish1.pak")) {
        state.SkipWithError("the goldfish content has not been built");
        return;
    }
    test::ScratchDir dir;
    fs::create_directory(dir.path() / "object");
    for (const auto& e : fs::directory_iterator(object))
        if (e.path().extension() == ".pak") fs::copy_file(e.path(), dir.path() / "object" / e.path().filename());
    test::CurrentDirGuard cwd(dir.path());
    auto t = std::make_unique<BenchTank>();
    std::uint32_t unlockClock = 0;
    test::ScriptedMessageBoxes boxes;
    build_catalog(t->catalog, unlockClock, t->clock, boxes);
    MeshLoadContext context;
    context.device = &t->device;
    context.caps.maxVertexBlendMatrices = 4;
    context.registry = &t->registry;
    SkinnedMeshOps ops(context);
    t->world.meshes = &ops;
    for (int i = 0; i < 10; ++i)
        if (failed(create_fish(t->world, i % t->catalog.count, 3, 0, ("b" + std::to_string(i)).c_str()))) {
            state.SkipWithError("a fish could not be created");
            return;
        }
    run(state, *t);
    reset_fish_slots(t->tank);  // the meshes go before the ops they were loaded with
}
BENCHMARK(BM_TenFishStepAndAnimate_Skinned)->Unit(benchmark::kMicrosecond);

void BM_TenFishStepAndAnimate_FakeMeshes(benchmark::State& state) {
    auto t = std::make_unique<BenchTank>();
    test::FakeFishMeshes meshes;
    t->world.meshes = &meshes;
    for (int i = 0; i < 10; ++i) {
        test::TestFishSpec spec;
        spec.position = {static_cast<float>(i * 15 - 70), static_cast<float>(i * 9 - 40), static_cast<float>(60 - i * 12)};
        spec.yaw = 0.6f * static_cast<float>(i);
        spec.satiety = i % 4;
        test::place_test_fish(t->tank, meshes, i, spec, t->clock.ticks);
    }
    run(state, *t);
}
BENCHMARK(BM_TenFishStepAndAnimate_FakeMeshes)->Unit(benchmark::kMicrosecond);

}  // namespace
