// Feeding: the drop, the wake-up of hungry fish, sinking and drift, the rest on the bottom, and a
// whole feeding of three fish run step by step.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "fish/behaviour.h"
#include "fish/feeding.h"
#include "fish/tank_update.h"
#include "tests/unit/fish/fish_fixture.h"

namespace brine {
namespace {

using test::FishWorldTest;
using test::MeshCall;

class Feeding : public FishWorldTest {};

TEST_F(Feeding, PelletsAreDroppedInRandOrderSpeedThenXYZ) {
    sync_twin();
    feed_fish(world);
    for (int i = 0; i < kTankPellets; ++i) {
        const FoodPellet& p = tank.pellets[i];
        int rs = next_twin(), rx = next_twin(), ry = next_twin(), rz = next_twin();
        EXPECT_EQ(p.active, 1);
        EXPECT_FLOAT_EQ(p.sinkSpeed, 0.05f + 0.005f * static_cast<float>(rs % 10)) << i;
        EXPECT_FLOAT_EQ(p.board->position.x, 0.1f * static_cast<float>(rx % 500 - 250)) << i;
        EXPECT_FLOAT_EQ(p.board->position.y, 100.0f - 0.1f * static_cast<float>(ry % 200)) << i;
        EXPECT_FLOAT_EQ(p.board->position.z, 0.1f * static_cast<float>(rz % 500 - 250)) << i;
        EXPECT_GE(p.board->position.y, 80.1f - 1e-4f);
        EXPECT_LE(std::fabs(p.board->position.x), 25.0f);
    }
    EXPECT_EQ(rand.state(), twin.state());  // no fish: nothing else drawn
}

TEST_F(Feeding, HungryFishWakeIntoShortPausesInSlotOrderAndSatedOnesCarryOn) {
    FishRecord& eater = place(2, {0, 0, 0}, 0.0f, 4);
    FishRecord& sated = place(5, {30, 0, 0}, 0.0f, kMaxSatiety);
    FishRecord& swimmer = place(8, {-30, 0, 0}, 0.0f, 9);
    eater.state = FishState::Eating;
    eater.stateStart = clock.ticks - 1000;
    eater.stateDuration = 3000;
    sated.state = FishState::Dash;
    sated.stateDuration = 30000;
    swimmer.state = FishState::Cruise;
    swimmer.target = kPelletTargetBit | 3u;
    clock.advance_ms(100);
    meshes.recordCalls = true;
    sync_twin();
    for (int i = 0; i < 4 * kTankPellets; ++i) next_twin();
    int r2 = next_twin(), r8 = next_twin();
    feed_fish(world);
    EXPECT_EQ(eater.state, FishState::Idle);
    EXPECT_EQ(eater.stateStart, clock.ticks);
    EXPECT_EQ(eater.stateDuration, static_cast<std::uint32_t>(r2 % 500));
    EXPECT_EQ(swimmer.state, FishState::Idle);
    EXPECT_EQ(swimmer.stateDuration, static_cast<std::uint32_t>(r8 % 500));
    EXPECT_EQ(sated.state, FishState::Dash);
    EXPECT_EQ(sated.stateDuration, 30000u);
    EXPECT_EQ(rand.state(), twin.state());
    // The idle motion restarts from record 0's first frame for the two hungry fish only.
    ASSERT_EQ(meshes.count_calls(MeshCall::kSetTime), 2);
    EXPECT_EQ(meshes.calls[0].mesh, eater.mesh.get());
    EXPECT_EQ(meshes.calls[1].mesh, swimmer.mesh.get());
    EXPECT_EQ(meshes.calls[1].value, 0.0);
}

TEST_F(Feeding, FeedingAgainRedropsEveryPellet) {
    feed_fish(world);
    for (int s = 0; s < 50; ++s) tank_step(world);
    Vec3 before = tank.pellets[0].board->position;
    tank.pellets[1].active = 0;  // eaten meanwhile
    feed_fish(world);
    EXPECT_EQ(tank.pellets[1].active, 1);
    EXPECT_FALSE(tank.pellets[0].board->position.x == before.x && tank.pellets[0].board->position.z == before.z);
    for (const FoodPellet& p : tank.pellets) {
        EXPECT_EQ(p.active, 1);
        EXPECT_GE(p.board->position.y, 80.0f);  // back above the water
    }
}

TEST_F(Feeding, APelletSinksAndDriftsOutwardFromTheDropCentre) {
    FoodPellet& p = tank.pellets[0];
    p.active = 1;
    p.sinkSpeed = 0.07f;
    p.board->position = {3.0f, 96.0f, -4.0f};  // (3, -4, -4) from the centre, length sqrt(41)
    step_pellet(world, 0);
    const float len = std::sqrt(41.0f);
    EXPECT_FLOAT_EQ(p.board->position.x, 3.0f + 0.05f * 3.0f / len);
    EXPECT_FLOAT_EQ(p.board->position.y, 96.0f - 0.07f);
    EXPECT_FLOAT_EQ(p.board->position.z, -4.0f - 0.05f * 4.0f / len);
}

TEST_F(Feeding, APelletExactlyOnTheDropCentreFallsStraightDown) {
    FoodPellet& p = tank.pellets[0];
    p.active = 1;
    p.sinkSpeed = 0.05f;
    p.board->position = {0.0f, 100.0f, 0.0f};
    step_pellet(world, 0);
    EXPECT_EQ(p.board->position.x, 0.0f);
    EXPECT_EQ(p.board->position.z, 0.0f);
    EXPECT_FLOAT_EQ(p.board->position.y, 99.95f);
    for (int s = 0; s < 4000 && p.board->position.y > -75.0f; ++s) step_pellet(world, 0);
    EXPECT_EQ(p.board->position.y, -75.0f);
    EXPECT_EQ(p.board->position.x, 0.0f);
}

TEST_F(Feeding, APelletRestsTenMinutesOnTheBottomThenVanishes) {
    FoodPellet& p = tank.pellets[4];
    p.active = 1;
    p.sinkSpeed = 0.09f;
    p.board->position = {10.0f, -74.95f, 0.0f};
    step_pellet(world, 4);
    EXPECT_EQ(p.board->position.y, -75.0f);  // clamped onto the bottom
    EXPECT_EQ(p.restStart, clock.ticks);
    EXPECT_EQ(p.restDuration, 600000u);
    const float x = p.board->position.x;
    clock.advance_ms(599999);
    step_pellet(world, 4);
    EXPECT_EQ(p.active, 1);
    EXPECT_EQ(p.board->position.x, x);  // lying still
    clock.advance_ms(1);
    step_pellet(world, 4);
    EXPECT_EQ(p.active, 0);
    step_pellet(world, 4);  // inactive: untouched
    EXPECT_EQ(p.board->position.y, -75.0f);

    // Landing exactly on the bottom starts the rest as well.
    FoodPellet& q = tank.pellets[5];
    q.active = 1;
    q.sinkSpeed = 0.0625f;
    q.board->position = {0.0f, -74.9375f, 0.0f};
    clock.advance_ms(5);
    step_pellet(world, 5);
    EXPECT_EQ(q.board->position.y, -75.0f);
    EXPECT_EQ(q.restStart, clock.ticks);
    EXPECT_EQ(q.restDuration, 600000u);
    step_pellet(world, 5);
    EXPECT_EQ(q.active, 1);
}

TEST_F(Feeding, PelletsWithoutABoardAreNeitherDroppedNorStepped) {
    tank.pellets[7].board.reset();
    feed_fish(world);
    EXPECT_EQ(tank.pellets[7].active, 0);
    tank.pellets[7].active = 1;
    step_pellet(world, 7);  // no crash, nothing to move
    step_pellet(world, -1);
    step_pellet(world, 16);
}

// Steps until a pellet lies on the bottom.
int steps_to_bottom(FishWorld& world, int index) {
    int steps = 0;
    while (world.tank->pellets[index].board->position.y > -75.0f && steps < 10000) {
        step_pellet(world, index);
        ++steps;
    }
    return steps;
}

TEST_F(Feeding, PelletsReachTheBottomWithin1633To3500Steps) {
    FoodPellet& p = tank.pellets[0];
    p.active = 1;
    p.sinkSpeed = static_cast<float>(9 * 0.005 + 0.05);  // fastest, from the lowest drop
    p.board->position = {0.0f, static_cast<float>(100 - 199 * 0.1), 0.0f};
    EXPECT_EQ(steps_to_bottom(world, 0), 1633);
    p.sinkSpeed = 0.05f;  // slowest, from the highest
    p.board->position = {24.9f, 100.0f, -25.0f};
    int slowest = steps_to_bottom(world, 0);
    EXPECT_GE(slowest, 3499);
    EXPECT_LE(slowest, 3501);
    int lo = 1 << 30, hi = 0;
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        rand.srand(seed);
        feed_fish(world);
        for (int i = 0; i < kTankPellets; ++i) {
            int n = steps_to_bottom(world, i);
            lo = std::min(lo, n);
            hi = std::max(hi, n);
        }
    }
    EXPECT_GE(lo, 1633);
    EXPECT_LE(hi, slowest);
}

TEST_F(Feeding, ThreeFishEatTheFoodTheirHungerAllows) {
    const std::int32_t start[3] = {0, 5, 9};
    place(0, {-40, -20, 10}, 0.3f, start[0]);
    place(1, {35, 0, -30}, 2.0f, start[1]);
    place(2, {5, 40, 40}, 4.0f, start[2]);
    feed_fish(world);
    int eatenBy[3] = {0, 0, 0};
    int vanished = 0;
    int steps = 0;
    auto settled = [&] {
        for (const FoodPellet& p : tank.pellets)
            if (p.active && p.board->position.y > -75.0f) return false;
        return true;
    };
    while (!settled() && steps < 20000) {
        FishState before[3];
        int activeBefore = 0;
        for (int i = 0; i < 3; ++i) before[i] = tank.fish[i].state;
        for (const FoodPellet& p : tank.pellets) activeBefore += p.active;
        clock.advance_ms(33);
        tank_step(world);
        int activeAfter = 0;
        for (const FoodPellet& p : tank.pellets) activeAfter += p.active;
        int eatenNow = 0;
        for (int i = 0; i < 3; ++i)
            if (tank.fish[i].state == FishState::Eating && before[i] != FishState::Eating) {
                ++eatenBy[i];
                ++eatenNow;
            }
        vanished += activeBefore - activeAfter - eatenNow;
        ++steps;
        std::string why;
        ASSERT_TRUE(check_tank_invariants(tank, &why)) << why << " at step " << steps;
    }
    ASSERT_TRUE(settled());
    EXPECT_EQ(vanished, 0);  // nothing lay ten minutes on the bottom yet
    int eaten = 0, onBottom = 0;
    for (const FoodPellet& p : tank.pellets) {
        if (p.active) ++onBottom;
        else ++eaten;
    }
    EXPECT_EQ(eaten + onBottom, kTankPellets);
    EXPECT_EQ(eatenBy[0] + eatenBy[1] + eatenBy[2], eaten);
    for (int i = 0; i < 3; ++i) {
        const FishRecord& f = tank.fish[i];
        // Each pellet raises satiety, or overfedCount at 10; the one that reaches 10 raises both.
        int reachedTen = (f.satiety == kMaxSatiety && start[i] < kMaxSatiety) ? 1 : 0;
        EXPECT_EQ(eatenBy[i], (f.satiety - start[i]) + f.overfedCount - reachedTen) << "fish " << i;
        EXPECT_LE(f.satiety, kMaxSatiety);
        // A full fish chooses no more food, so it stops at the pellet that filled it.
        EXPECT_LE(eatenBy[i], kMaxSatiety - start[i]) << "fish " << i;
        EXPECT_LE(f.overfedCount, 1);
    }
    ::testing::Test::RecordProperty("eaten", eaten);
    ::testing::Test::RecordProperty("steps", steps);
}

}  // namespace
}  // namespace brine
