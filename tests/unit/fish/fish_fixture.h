// The world the fish tests run in: a tank with pellet boards, a manual clock, a replayable
// random generator (and a twin of it to predict draws), a one-row catalog, the fixed scene
// camera and the fake mesh engine.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "base/crt_rand.h"
#include "data/fish_catalog.h"
#include "fish/fish_world.h"
#include "fish/tank.h"
#include "render/camera.h"
#include "tests/support/fake_fish_meshes.h"
#include "tests/support/manual_clock.h"
#include "tests/support/recording_device.h"

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
        create_pellet_boards(tank, nullptr, nullptr);
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

}  // namespace brine::test
