// The world the fish tests run in: a tank with pellet boards, a manual clock, a replayable
// random generator (and a twin of it to predict draws), a one-row catalog, the fixed scene
// camera and the fake mesh engine.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/crt_rand.h"
#include "data/fish_catalog.h"
#include "data/pack_writer.h"
#include "fish/fish_world.h"
#include "fish/tank.h"
#include "render/camera.h"
#include "tests/support/fake_fish_meshes.h"
#include "tests/support/manual_clock.h"
#include "tests/support/recording_device.h"
#include "tests/support/scratch_dir.h"

namespace brine::test {

class FishWorldTest : public ::testing::Test {
protected:
    FishWorldTest() : camera(&device, 640, 480) {
        camera.set_eye(0.0f, 0.0f, -300.0f);
        camera.set_look_at(0.0f, 0.0f, 0.0f);
        clock.ticks = 1000000;
        rand.srand(12345);
        twin.srand(12345);
        catalog.count = 1;
        catalog.rows[0].packNumber = 1;
        catalog.rows[0].modelName = "kingyo";
        give_pellet_boards(tank);
        world.tank = &tank;
        world.clock = &clock;
        world.rand = &rand;
        world.catalog = &catalog;
        world.camera = &camera;
        world.meshes = &meshes;
    }

    FishRecord& place(int slot, Vec3 position, float yaw = 0.0f, std::int32_t satiety = 0) {
        TestFishSpec spec;
        spec.position = position;
        spec.yaw = yaw;
        spec.satiety = satiety;
        return place_test_fish(tank, meshes, slot, spec, clock.ticks);
    }
    // Keeps the twin generator in step with draws the test does not predict itself.
    void sync_twin() { twin = rand; }
    int next_twin() { return twin.rand(); }

    NullDevice device;
    Camera camera;
    Tank tank;
    ManualClock clock;
    CrtRand rand, twin;
    FishCatalog catalog;
    FakeFishMeshes meshes;
    FishWorld world;
};

// A motion script every test kind can swim with.
inline const char* const kTestKindScript =
    "// test kind\r\n"
    "FPS(30)\r\nMotionNum(4)\r\n"
    "TrackRecord(0, 0, 6, 36)\r\nTrackRecord(1, 0, 40, 70)\r\n"
    "TrackRecord(2, 0, 75, 95)\r\nTrackRecord(3, 0, 100, 130)\r\n"
    "Scale(1.5)\r\nWait(1200)\r\n"
    "SlowSpeed(0.5)\r\nSlowRotateH(3)\r\nSlowRotateV(1.5)\r\n"
    "FastSpeed(1.5)\r\nFastRotateH(7)\r\nFastRotateV(2.5)\r\n"
    "End()\r\n";

// The same world in a scratch directory made current, with "object\fish1.pak" holding the
// kind "kingyo" (catalog row 0).
class PackedFishWorldTest : public FishWorldTest {
protected:
    PackedFishWorldTest() : cwd(scratch.path()) {
        std::filesystem::create_directory(scratch.path() / "object");
        write_kind(1, "kingyo", kTestKindScript);
    }
    void write_kind(int pack, const std::string& model, const std::string& script, bool withScript = true) {
        std::vector<PackMember> members{{model + ".x", {'x', 'o', 'f', ' '}}};
        if (withScript) members.push_back({model + ".mrc", std::vector<unsigned char>(script.begin(), script.end())});
        std::string reason;
        ASSERT_EQ(write_pack_file("object/fish" + std::to_string(pack) + ".pak", members, &reason), kOk) << reason;
    }

    ScratchDir scratch;
    CurrentDirGuard cwd;
};

}  // namespace brine::test
