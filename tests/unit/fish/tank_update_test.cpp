// The fixed step (satiety clock, order of fish and pellets) and the per-pass update (motion loop,
// matrices, draw order), including that the per-pass update allocates nothing.
#include <gtest/gtest.h>


#include "fish/behaviour.h"
#include "fish/feeding.h"
#include "fish/tank_update.h"
#include "render/d3dx_math.h"
#include "tests/unit/fish/allocation_counter.h"
#include "tests/unit/fish/fish_fixture.h"

namespace brine {
namespace {

using test::FishWorldTest;

class TankUpdate : public FishWorldTest {
protected:
    // A fish that keeps still in Idle (long pause), so only the clock acts on it.
    FishRecord& resting(int slot, Vec3 pos, std::int32_t satiety) {
        FishRecord& f = place(slot, pos, 0.0f, satiety);
        f.stateDuration = 0xFFFFFFFFu;
        return f;
    }
};

TEST_F(TankUpdate, SatietyDropsOnlyAfterStrictlyMoreThanAnHour) {
    FishRecord& f = resting(0, {0, 0, 0}, 6);
    const std::uint32_t born = clock.ticks;
    clock.advance_ms(3600000);
    tank_step(world);
    EXPECT_EQ(f.satiety, 6);
    EXPECT_EQ(f.satietyClock, born);
    clock.advance_ms(1);
    tank_step(world);
    EXPECT_EQ(f.satiety, 5);
    EXPECT_EQ(f.satietyClock, clock.ticks);
}

TEST_F(TankUpdate, SatietyZeroStaysZeroButItsClockRestarts) {
    FishRecord& f = resting(3, {0, 0, 0}, 0);
    clock.advance_ms(3600001);
    tank_step(world);
    EXPECT_EQ(f.satiety, 0);
    EXPECT_EQ(f.satietyClock, clock.ticks);
}

TEST_F(TankUpdate, ALongStopCostsOnePointAtTheFirstStep) {
    FishRecord& a = resting(0, {-40, 0, 0}, 8);
    FishRecord& b = resting(6, {40, 0, 0}, 2);
    clock.advance_ms(3 * 3600000 + 5000);  // time stood still for three hours
    tank_step(world);
    EXPECT_EQ(a.satiety, 7);
    EXPECT_EQ(b.satiety, 1);
    clock.advance_ms(33);
    tank_step(world);
    EXPECT_EQ(a.satiety, 7);
    EXPECT_EQ(b.satiety, 1);
}

TEST_F(TankUpdate, TheClockRunsAcrossTheTickCountWrap) {
    clock.ticks = 0xFFFF0000u;
    FishRecord& f = resting(0, {0, 0, 0}, 4);
    clock.advance_ms(3600001);
    tank_step(world);
    EXPECT_EQ(f.satiety, 3);
}

TEST_F(TankUpdate, FishStepBeforeThePellets) {
    // The pellet is 3.02 above the fish; it sinks below 3 only in the pellet step of this step,
    // so the fish cannot have eaten it yet.
    FishRecord& f = place(0, {0, 0, 0});
    f.state = FishState::Dash;
    f.stateDuration = 30000;
    f.swimSpeed = 0.0f;
    f.target = kPelletTargetBit | 5u;
    tank.pellets[5].active = 1;
    tank.pellets[5].sinkSpeed = 0.05f;
    tank.pellets[5].board->position = {0.0f, 3.02f, 0.0f};
    f.pitchMode = PitchMode::Level;
    tank_step(world);
    EXPECT_EQ(f.state, FishState::Dash);
    EXPECT_EQ(tank.pellets[5].active, 1);
    tank_step(world);
    EXPECT_EQ(f.state, FishState::Eating);
    EXPECT_EQ(tank.pellets[5].active, 0);
}

TEST_F(TankUpdate, MotionLoopsBackOnlyPastTheEndFrame) {
    FishRecord& f = place(0, {0, 0, 0});  // Idle plays record 0: frames 0..30 at 30 FPS
    meshes.set_time(*f.mesh, 1.0);         // exactly the end frame: not past it
    tank_animate(world, 0.02f);
    EXPECT_NEAR(meshes.get_time(*f.mesh), 1.02, 1e-6);
    tank_animate(world, 0.02f);  // 1.02 > 1.0: back to frame 0, then on by the pass
    EXPECT_NEAR(meshes.get_time(*f.mesh), 0.02, 1e-6);
    f.state = FishState::Dash;  // record 2: frames 60..90
    meshes.set_time(*f.mesh, 3.5);
    tank_animate(world, 0.25f);
    EXPECT_NEAR(meshes.get_time(*f.mesh), 2.25, 1e-6);
}

TEST_F(TankUpdate, ARecordEndingBeforeItsStartJumpsBackEveryPass) {
    FishRecord& f = place(0, {0, 0, 0});
    f.motion.trackRecords[0] = {0, 30, 15};
    meshes.set_time(*f.mesh, 0.75);
    for (int i = 0; i < 3; ++i) {
        tank_animate(world, 0.1f);
        EXPECT_NEAR(meshes.get_time(*f.mesh), 1.1, 1e-6);
    }
}

TEST_F(TankUpdate, AMeshWithoutAnimationKeepsTimeZeroAndStillGetsItsMatrix) {
    test::TestFishSpec spec;
    spec.animationSets = 0;
    spec.position = {5, 6, 7};
    FishRecord& f = test::place_test_fish(tank, meshes, 0, spec, clock.ticks);
    tank_animate(world, 0.5f);
    EXPECT_EQ(meshes.get_time(*f.mesh), 0.0);
    EXPECT_EQ(f.body->world.m[3][0], 5.0f);
    EXPECT_EQ(f.body->world.m[3][2], 7.0f);
}

TEST_F(TankUpdate, MatricesFollowFishAndActivePelletsOnly) {
    FishRecord& f = place(2, {10, 20, 30}, 1.0f);
    f.body->set_scale(2, 2, 2);
    tank.pellets[0].active = 1;
    tank.pellets[0].board->position = {1, 2, 3};
    tank.pellets[1].board->position = {4, 5, 6};  // inactive
    tank_animate(world, 0.03f);
    Matrix expected = matrix_multiply(matrix_multiply(matrix_scaling(2, 2, 2), matrix_rotation_y(1.0f)),
                                      matrix_translation(10, 20, 30));
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(f.body->world.m[i / 4][i % 4], expected.m[i / 4][i % 4]);
    // The fixed camera looks straight down +Z: a pellet's facing turns are both zero.
    const Matrix& w = tank.pellets[0].board->world;
    EXPECT_FLOAT_EQ(w.m[0][0], 3.0f);
    EXPECT_NEAR(w.m[1][1], 3.0f, 1e-5f);
    EXPECT_EQ(w.m[3][0], 1.0f);
    EXPECT_EQ(w.m[3][2], 3.0f);
    EXPECT_EQ(tank.pellets[0].board->rotation.x, 0.0f);  // the turn is for the matrix only
    EXPECT_EQ(tank.pellets[1].board->world.m[3][0], 0.0f);
}

TEST_F(TankUpdate, DrawOrderIsFarthestFirstAndEmptySlotsKeepTheirPlace) {
    place(0, {0, 0, 100});   // 400 from the eye
    place(2, {0, 0, -200});  // 100
    place(4, {0, 0, 250});   // 550
    place(7, {0, 0, 0});     // 300
    tank_animate(world, 0.0f);
    const std::int32_t expected[16] = {4, 1, 0, 3, 7, 5, 6, 2, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(tank.drawOrder[i], expected[i]) << i;
    tank_animate(world, 0.0f);  // already sorted: stays
    for (int i = 0; i < 16; ++i) EXPECT_EQ(tank.drawOrder[i], expected[i]) << i;
}

TEST_F(TankUpdate, EqualDistancesAreNotSwapped) {
    place(1, {100, 0, 0});
    place(3, {-100, 0, 0});
    tank_animate(world, 0.0f);
    EXPECT_EQ(tank.drawOrder[1], 1);
    EXPECT_EQ(tank.drawOrder[3], 3);
}

TEST_F(TankUpdate, OneFishNeverChangesTheOrder) {
    place(6, {0, 0, 50});
    tank.drawOrder[0] = 6;
    tank.drawOrder[6] = 0;
    tank_animate(world, 0.0f);
    EXPECT_EQ(tank.drawOrder[0], 6);
    EXPECT_EQ(tank.drawOrder[6], 0);
}

TEST_F(TankUpdate, TheDrawOrderIsMeasuredFromTheCamerasEye) {
    place(0, {0, 0, -100});
    place(1, {0, 0, 100});
    camera.set_eye(0, 0, 300);  // looking from the other side
    tank_animate(world, 0.0f);
    EXPECT_EQ(tank.drawOrder[0], 0);
    EXPECT_EQ(tank.drawOrder[1], 1);
    camera.set_eye(0, 0, -300);
    tank_animate(world, 0.0f);
    EXPECT_EQ(tank.drawOrder[0], 1);
    EXPECT_EQ(tank.drawOrder[1], 0);
}

TEST_F(TankUpdate, TheUpdatesAlwaysGiveZero) {
    EXPECT_EQ(tank_step(world), kOk);
    EXPECT_EQ(tank_animate(world, 0.0f), kOk);
    place(0, {0, 0, 0});
    feed_fish(world);
    EXPECT_EQ(tank_step(world), kOk);
    EXPECT_EQ(tank_animate(world, 0.016f), kOk);
}

TEST_F(TankUpdate, ThePerPassUpdateAllocatesNothing) {
    for (int i = 0; i < 10; ++i) place(i, {static_cast<float>(i * 13 - 60), 0, static_cast<float>(i * 7 - 30)});
    feed_fish(world);
    for (int s = 0; s < 100; ++s) {
        clock.advance_ms(33);
        tank_step(world);
    }
    tank_animate(world, 0.01f);
    test::AllocationCounter::count = 0;
    test::AllocationCounter::counting = true;
    for (int pass = 0; pass < 200; ++pass) tank_animate(world, 0.004f);
    test::AllocationCounter::counting = false;
    EXPECT_EQ(test::AllocationCounter::count.load(), 0);
}

}  // namespace
}  // namespace brine
