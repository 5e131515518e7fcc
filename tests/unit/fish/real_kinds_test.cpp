// The fish life on the shipped goldfish content: every installed kind created through the real
// skinned-mesh loader and animation controller (on the null device), swimming and eating with
// their motions held inside their frame ranges, and a roster that round-trips real kinds.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "data/fish_catalog.h"
#include "data/pack_file.h"
#include "fish/feeding.h"
#include "fish/fish_creation.h"
#include "fish/roster_file.h"
#include "fish/skinned_mesh_ops.h"
#include "fish/tank_update.h"
#include "tests/support/scripted_message_boxes.h"
#include "tests/unit/fish/allocation_counter.h"
#include "tests/unit/fish/fish_fixture.h"

namespace brine {
namespace {

namespace fs = std::filesystem;

class RealKinds : public test::FishWorldTest {
protected:
    RealKinds() : cwd(scratch.path()), ops(load_context()) {
        world.meshes = &ops;
        world.registry = &registry;
    }
    void SetUp() override {
        fs::path object = fs::path(BRINE_PROGRAM_DIR) / "object";
        if (!fs::exists(object / "fish1.pak")) GTEST_SKIP() << "the goldfish content has not been built yet";
        fs::create_directory("object");
        for (const auto& entry : fs::directory_iterator(object))
            if (entry.path().extension() == ".pak") fs::copy_file(entry.path(), fs::path("object") / entry.path().filename());
        std::uint32_t unlockClock = 0;
        test::ScriptedMessageBoxes boxes;
        ASSERT_TRUE(build_catalog(catalog, unlockClock, clock, boxes));
        ASSERT_GE(catalog.count, 3);
    }
    MeshLoadContext load_context() {
        MeshLoadContext c;
        c.device = &device;
        c.caps.maxVertexBlendMatrices = 4;
        c.registry = &registry;
        return c;
    }
    // The state's frame range in seconds, widened by one pass at the end.
    void expect_time_in_range(const FishRecord& f, float pass) {
        const MotionRecord& r = f.motion.trackRecords[static_cast<int>(f.state)];
        double t = ops.get_time(*f.mesh);
        double fps = f.motion.fps;
        EXPECT_GE(t, r.startFrame / fps - 1e-9) << f.name;
        EXPECT_LE(t, r.endFrame / fps + pass + 1e-6) << f.name;
    }

    test::ScratchDir scratch;
    test::CurrentDirGuard cwd;
    ResourceRegistry registry;
    SkinnedMeshOps ops;
};

TEST_F(RealKinds, FishOfOneKindShareOneReadingOfTheFileButNotTheirMeshes) {
    const int kinds = std::min(catalog.count, 3);
    for (int slot = 0; slot < 2 * kinds; ++slot)
        ASSERT_EQ(create_fish(world, slot % kinds, 0, 0, ("f" + std::to_string(slot)).c_str()), kOk);
    EXPECT_EQ(ops.files_parsed(), kinds);
    for (int slot = 0; slot < kinds; ++slot) {
        const MeshResource& first = *tank.fish[slot].mesh;
        const MeshResource& second = *tank.fish[slot + kinds].mesh;
        ASSERT_NE(&first, &second);
        ASSERT_NE(first.animController.get(), second.animController.get());
        EXPECT_EQ(first.frameOrder.size(), second.frameOrder.size());
        EXPECT_EQ(first.boundRadius, second.boundRadius);
        EXPECT_EQ(first.texturePack, second.texturePack);
    }
    // A fish of one kind swims on its own clock: moving one leaves its twin where it was.
    ops.set_time(*tank.fish[0].mesh, 0.5);
    ops.set_time(*tank.fish[kinds].mesh, 0.0);
    EXPECT_NE(ops.get_time(*tank.fish[0].mesh), ops.get_time(*tank.fish[kinds].mesh));
    // A file whose bytes changed is read again, not taken from what was kept.
    MemoryBlock bytes;
    ASSERT_EQ(load_into_memory(fish_pack_path(catalog.rows[0].packNumber).c_str(),
                               fish_mesh_member(catalog.rows[0].modelName).c_str(), &bytes),
              kOk);
    std::string text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    auto write = [](const std::string& content) {
        std::FILE* f = std::fopen("loose.x", "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
    };
    MeshResource loose;
    write(text);
    ASSERT_EQ(ops.load_mesh(loose, "loose.x", nullptr), kOk);
    EXPECT_EQ(ops.files_parsed(), kinds) << "the same bytes as a kind's member";
    write(text + "\n");
    ASSERT_EQ(ops.load_mesh(loose, "loose.x", nullptr), kOk);
    EXPECT_EQ(ops.files_parsed(), kinds + 1);
    EXPECT_NE(ops.load_mesh(loose, "object/no-such.pak", "x.x"), kOk);
    EXPECT_EQ(loose.rootFrame, nullptr) << "a failed load leaves the mesh empty";
    release_mesh_resource(&loose);
}

TEST_F(RealKinds, EveryInstalledKindBecomesAFish) {
    for (int row = 0; row < catalog.count && row < Tank::kCreatableSlots; ++row) {
        const std::string name = "k" + std::to_string(row);
        ASSERT_EQ(create_fish(world, row, 0, 0, name.c_str()), kOk) << catalog.rows[row].modelName;
        const FishRecord& f = tank.fish[row];
        ASSERT_TRUE(f.mesh->animController) << catalog.rows[row].modelName;
        EXPECT_GE(ops.animation_set_count(*f.mesh), 1);
        EXPECT_EQ(f.mesh->texturePack, fish_pack_path(catalog.rows[row].packNumber));
        EXPECT_GT(f.motion.fps, 0);
        EXPECT_GT(f.motion.wait, 0);
        EXPECT_GT(f.motion.slowSpeed, 0.0f);
        EXPECT_GT(f.motion.fastSpeed, f.motion.slowSpeed);
        // Idle plays record 0 from its first frame.
        EXPECT_DOUBLE_EQ(ops.get_time(*f.mesh),
                         static_cast<double>(f.motion.trackRecords[0].startFrame) / f.motion.fps);
    }
    std::string why;
    EXPECT_TRUE(check_tank_invariants(tank, &why)) << why;
}

TEST_F(RealKinds, TenFishSwimEatAndKeepTheirMotionsInRange) {
    for (int i = 0; i < Tank::kCreatableSlots; ++i)
        ASSERT_EQ(create_fish(world, i % catalog.count, i % 3 == 0 ? 9 : 2, 0, ("f" + std::to_string(i)).c_str()), kOk);
    const float pass = 1.0f / 30.0f;
    int eatings = 0;
    for (int step = 0; step < 3 * 60 * 30; ++step) {  // three simulated minutes
        if (step == 30) feed_fish(world);
        clock.advance_ms(33);
        FishState before[Tank::kCreatableSlots];
        for (int i = 0; i < Tank::kCreatableSlots; ++i) before[i] = tank.fish[i].state;
        tank_step(world);
        tank_animate(world, pass);
        for (int i = 0; i < Tank::kCreatableSlots; ++i) {
            const FishRecord& f = tank.fish[i];
            if (f.state == FishState::Eating && before[i] != FishState::Eating) ++eatings;
            expect_time_in_range(f, pass);
            ASSERT_TRUE(std::isfinite(f.body->position.x + f.body->position.y + f.body->position.z));
        }
        if (step % 300 == 0) {
            std::string why;
            ASSERT_TRUE(check_tank_invariants(tank, &why)) << why << " at step " << step;
        }
        if (HasFailure()) return;
    }
    EXPECT_GT(eatings, 0);
    RecordProperty("eatings", eatings);
}

TEST_F(RealKinds, ThePerPassUpdateOfSkinnedFishAllocatesNothing) {
    for (int i = 0; i < Tank::kCreatableSlots; ++i)
        ASSERT_EQ(create_fish(world, i % catalog.count, 0, 0, ("a" + std::to_string(i)).c_str()), kOk);
    feed_fish(world);
    for (int step = 0; step < 200; ++step) {
        clock.advance_ms(33);
        tank_step(world);
        tank_animate(world, 1.0f / 30.0f);
    }
    EXPECT_EQ(test::allocations_during([&] {
                  for (int pass = 0; pass < 100; ++pass) tank_animate(world, 0.005f);
              }),
              0);
}

TEST_F(RealKinds, TheRosterBringsBackTheSameKinds) {
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(create_fish(world, (i * 2) % catalog.count, i, i, ("r" + std::to_string(i)).c_str()), kOk);
    ASSERT_EQ(save_roster(tank), kOk);
    std::int32_t kinds[4];
    for (int i = 0; i < 4; ++i) kinds[i] = tank.fish[i].kindIndex;
    reset_fish_slots(tank);
    EXPECT_EQ(load_roster(world), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(tank.fish[i].kindIndex, kinds[i]);
        EXPECT_EQ(tank.fish[i].satiety, i);
        EXPECT_TRUE(tank.fish[i].mesh->animController);
    }
}

}  // namespace
}  // namespace brine
