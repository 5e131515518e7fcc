// The fish state machine row by row, goal choice, steering and the edge cases of the behaviour:
// strict and non-strict comparisons, rand order, the pitch windows and the probe.
#include <gtest/gtest.h>

#include <cmath>

#include "fish/behaviour.h"
#include "render/d3dx_math.h"
#include "tests/unit/fish/fish_fixture.h"

namespace brine {
namespace {

using namespace behaviour;
using test::FishWorldTest;
using test::MeshCall;

// A seed whose first rand() has the wanted parity.
std::uint32_t seed_with_first_parity(bool even) {
    for (std::uint32_t seed = 1;; ++seed) {
        CrtRand r;
        r.srand(seed);
        if ((r.rand() % 2 == 0) == even) return seed;
    }
}

class Behaviour : public FishWorldTest {
protected:
    void seed(std::uint32_t s) {
        rand.srand(s);
        twin.srand(s);
    }
    // The random goal the twin predicts for a fish at `pos` with Gravity `g`.
    Vec3 predict_goal(Vec3 pos, float g = 0.0f) {
        Vec3 goal;
        do {
            goal.x = static_cast<float>(next_twin() % 150 - 75);
            goal.y = static_cast<float>(next_twin() % 150 - 75);
            goal.z = static_cast<float>(next_twin() % 150 - 75);
        } while (std::hypot(goal.x - pos.x, goal.z - pos.z) < 8.0f);
        if (g > 0) goal.y = goal.y - g * (goal.y + 75.0f);
        if (g < 0) goal.y = goal.y - g * (150.0f - goal.y);
        return goal;
    }
    void drop_pellet(int i, Vec3 at) {
        tank.pellets[i].active = 1;
        tank.pellets[i].board->position = at;
    }
    // A fish swimming with fixed steering values toward a given point.
    FishRecord& swimmer(int slot, Vec3 pos, float yaw, Vec3 goal, FishState state = FishState::Dash) {
        FishRecord& f = place(slot, pos, yaw);
        f.state = state;
        f.target = 0;
        f.targetPos = goal;
        f.swimSpeed = 1.5f;
        f.turnRate = 7.0f;
        f.pitchMode = PitchMode::Level;
        f.pitchRate = 2.5f;
        f.stateStart = clock.ticks;
        f.stateDuration = kSwimTimeLimit;
        return f;
    }
};

// ---- the state table ----

TEST_F(Behaviour, IdleWaitsUntilItsPauseIsOverWithoutDrawing) {
    FishRecord& f = place(0, {0, 0, 0});
    f.stateDuration = 500;
    clock.advance_ms(499);
    std::uint32_t before = rand.state();
    run_behaviour(world, 0);
    EXPECT_EQ(f.state, FishState::Idle);
    EXPECT_EQ(rand.state(), before);
    clock.advance_ms(1);
    run_behaviour(world, 0);
    EXPECT_NE(f.state, FishState::Idle);
}

TEST_F(Behaviour, IdleWithAnEvenDrawCruisesSlowlyToARandomGoal) {
    seed(seed_with_first_parity(true));
    meshes.recordCalls = true;
    FishRecord& f = place(0, {10, 5, -20}, 1.0f, kMaxSatiety);
    next_twin();  // the parity draw
    Vec3 goal = predict_goal({10, 5, -20});
    run_behaviour(world, 0);
    ASSERT_EQ(f.state, FishState::Cruise);
    EXPECT_EQ(f.target, 0u);
    EXPECT_EQ(f.targetPos.x, goal.x);
    EXPECT_EQ(f.targetPos.y, goal.y);
    EXPECT_EQ(f.targetPos.z, goal.z);
    EXPECT_EQ(f.swimSpeed, 0.5f);
    EXPECT_EQ(std::fabs(f.turnRate), 3.0f);
    EXPECT_EQ(f.pitchRate, 1.5f);
    EXPECT_EQ(f.stateStart, clock.ticks);
    EXPECT_EQ(f.stateDuration, 30000u);
    EXPECT_EQ(rand.state(), twin.state());  // nothing drawn beyond parity and goal
    // The Cruise motion (record 1: frames 30..60 at 30 FPS) starts at its first frame.
    ASSERT_EQ(meshes.count_calls(MeshCall::kSetTime), 1);
    EXPECT_DOUBLE_EQ(meshes.calls.back().value, 1.0);
    EXPECT_EQ(meshes.count_calls(MeshCall::kSelect), 0);  // one animation set: never selected
}

TEST_F(Behaviour, IdleWithAnOddDrawDashesWithTheFastValues) {
    seed(seed_with_first_parity(false));
    FishRecord& f = place(0, {0, 0, 0}, 0.0f, kMaxSatiety);
    run_behaviour(world, 0);
    ASSERT_EQ(f.state, FishState::Dash);
    EXPECT_EQ(f.swimSpeed, 1.5f);
    EXPECT_EQ(std::fabs(f.turnRate), 7.0f);
    EXPECT_EQ(f.pitchRate, 2.5f);
    EXPECT_DOUBLE_EQ(meshes.get_time(*f.mesh), 2.0);  // record 2 starts at frame 60
}

TEST_F(Behaviour, ACruiseAfterFoodSwimsFastButPlaysTheCruiseMotion) {
    seed(seed_with_first_parity(true));
    FishRecord& f = place(0, {0, 0, 0});
    drop_pellet(4, {0, 10, -60});
    run_behaviour(world, 0);
    ASSERT_EQ(f.state, FishState::Cruise);
    EXPECT_EQ(f.target, kPelletTargetBit | 4u);
    EXPECT_EQ(f.swimSpeed, 1.5f);
    EXPECT_EQ(std::fabs(f.turnRate), 7.0f);
    EXPECT_EQ(f.pitchRate, 2.5f);
    EXPECT_DOUBLE_EQ(meshes.get_time(*f.mesh), 1.0);
}

TEST_F(Behaviour, MotionIsSelectedOnTrackZeroOnlyWhenTheMeshHasSeveralSets) {
    FishRecord& f = place(0, {0, 0, 0}, 0.0f, kMaxSatiety);
    f.motion.trackRecords[2] = {3, 12, 40};
    meshes.add_mesh(*f.mesh, 4);
    meshes.recordCalls = true;
    enter_state(world, 0, FishState::Dash);
    ASSERT_EQ(meshes.calls.size(), 2u);
    EXPECT_EQ(meshes.calls[0].kind, MeshCall::kSelect);
    EXPECT_EQ(meshes.calls[0].value, 3);
    EXPECT_EQ(meshes.calls[1].kind, MeshCall::kSetTime);
    EXPECT_DOUBLE_EQ(meshes.calls[1].value, 12.0 / 30.0);
    // Entering the same state again restarts the motion again.
    meshes.calls.clear();
    enter_state(world, 0, FishState::Dash);
    EXPECT_EQ(meshes.count_calls(MeshCall::kSelect), 1);
    EXPECT_EQ(meshes.count_calls(MeshCall::kSetTime), 1);
}

TEST_F(Behaviour, AFishAheadSendsASwimmerToIdleTurnedBySlowRotateH) {
    FishRecord& f = swimmer(0, {0, 0, 0}, 0.0f, {0, 0, -100});
    place(5, {0, 0, -25});  // 10 from the probe point (0, 0, -15)
    sync_twin();
    int r = next_twin();
    run_behaviour(world, 0);
    EXPECT_EQ(f.state, FishState::Idle);
    EXPECT_FLOAT_EQ(f.body->rotation.y, 3.0f * kDegToRad);
    EXPECT_EQ(f.body->position.z, 0.0f);  // no move in that step
    EXPECT_EQ(f.stateDuration, 1000u + static_cast<std::uint32_t>(r % 1000));
}

TEST_F(Behaviour, TheProbeIsStrictAndSkipsThisFishAndFreeSlots) {
    FishRecord& f = swimmer(3, {0, 0, 0}, 0.0f, {0, 0, -100});
    place(4, {0, 0, -30});  // exactly 15 from the probe point
    run_behaviour(world, 3);
    EXPECT_EQ(f.state, FishState::Dash);
    EXPECT_LT(f.body->position.z, 0.0f);  // swam on
}

TEST_F(Behaviour, TheProbeStopsAFishEvenWhileItDashesAfterFood) {
    FishRecord& f = swimmer(0, {0, 0, 0}, 0.0f, {0, 0, 0});
    drop_pellet(2, {0, 0, -80});
    f.target = kPelletTargetBit | 2u;
    place(1, {3, 0, -15});
    run_behaviour(world, 0);
    EXPECT_EQ(f.state, FishState::Idle);
    EXPECT_EQ(tank.pellets[2].active, 1);
}

TEST_F(Behaviour, ArrivingAtAnActivePelletEatsIt) {
    meshes.recordCalls = true;
    FishRecord& f = swimmer(0, {0, 0, 0}, 0.0f, {0, 0, 0});
    drop_pellet(6, {0, 0, -2.9f});
    f.target = kPelletTargetBit | 6u;
    f.satiety = 4;
    run_behaviour(world, 0);
    EXPECT_EQ(f.state, FishState::Eating);
    EXPECT_EQ(tank.pellets[6].active, 0);
    EXPECT_EQ(f.satiety, 5);
    EXPECT_EQ(f.overfedCount, 0);
    EXPECT_EQ(f.stateStart, clock.ticks);
    EXPECT_EQ(f.stateDuration, 3000u);
    EXPECT_DOUBLE_EQ(meshes.calls.back().value, 3.0);  // record 3 starts at frame 90
}

TEST_F(Behaviour, ArrivalIsStrictlyWithinThree) {
    FishRecord& f = swimmer(0, {0, 0, 0}, 0.0f, {0, 0, 0});
    drop_pellet(6, {0, 0, -3.0f});
    f.target = kPelletTargetBit | 6u;
    run_behaviour(world, 0);
    EXPECT_EQ(f.state, FishState::Dash);
    EXPECT_EQ(tank.pellets[6].active, 1);
}

TEST_F(Behaviour, ArrivingAtARandomGoalOrAnEatenPelletIdles) {
    FishRecord& a = swimmer(0, {0, 0, 0}, 0.0f, {1, 1, 1});
    FishRecord& b = swimmer(1, {50, 0, 0}, 0.0f, {0, 0, 0});
    b.target = kPelletTargetBit | 9u;
    tank.pellets[9].board->position = {51, 0, 0};
    tank.pellets[9].active = 0;  // another fish ate it
    b.satiety = 3;
    sync_twin();
    int ra = next_twin(), rb = next_twin();
    run_behaviour(world, 0);
    run_behaviour(world, 1);
    EXPECT_EQ(a.state, FishState::Idle);
    EXPECT_EQ(a.stateDuration, 1000u + static_cast<std::uint32_t>(ra % 1000));
    EXPECT_EQ(b.state, FishState::Idle);
    EXPECT_EQ(b.stateDuration, 1000u + static_cast<std::uint32_t>(rb % 1000));
    EXPECT_EQ(b.satiety, 3);
}

TEST_F(Behaviour, TheSwimTimeLimitEatsAFarPellet) {
    FishRecord& f = swimmer(0, {0, 0, 0}, 0.0f, {0, 0, 0});
    drop_pellet(1, {60, 40, 60});
    f.target = kPelletTargetBit | 1u;
    clock.advance_ms(29999);
    run_behaviour(world, 0);
    EXPECT_EQ(f.state, FishState::Dash);
    clock.advance_ms(1);
    run_behaviour(world, 0);
    EXPECT_EQ(f.state, FishState::Eating);
    EXPECT_EQ(tank.pellets[1].active, 0);
    EXPECT_EQ(f.satiety, 1);
}

TEST_F(Behaviour, TheLimitWithARandomGoalIdles) {
    FishRecord& f = swimmer(0, {0, 0, 0}, 0.0f, {70, 0, 70});
    clock.advance_ms(30000);
    run_behaviour(world, 0);
    EXPECT_EQ(f.state, FishState::Idle);
}

TEST_F(Behaviour, SatietyNinePlusAPelletIsTenAndOverfed) {
    FishRecord& f = swimmer(0, {0, 0, 0}, 0.0f, {0, 0, 0});
    f.satiety = 9;
    f.overfedCount = 7;
    drop_pellet(0, {0, 1, 0});
    f.target = kPelletTargetBit;
    run_behaviour(world, 0);
    EXPECT_EQ(f.satiety, 10);
    EXPECT_EQ(f.overfedCount, 8);
}

TEST_F(Behaviour, OverfedCountStopsAtOneHundred) {
    FishRecord& f = swimmer(0, {0, 0, 0}, 0.0f, {0, 0, 0});
    f.satiety = 10;  // chased before it was full
    f.overfedCount = 100;
    drop_pellet(0, {0, 1, 0});
    f.target = kPelletTargetBit;
    run_behaviour(world, 0);
    EXPECT_EQ(f.satiety, 10);
    EXPECT_EQ(f.overfedCount, 100);
    EXPECT_EQ(tank.pellets[0].active, 0);
}

TEST_F(Behaviour, EatingLastsThreeSecondsThenIdles) {
    FishRecord& f = place(0, {0, 0, 0});
    f.state = FishState::Eating;
    f.stateStart = clock.ticks;
    f.stateDuration = kEatingPause;
    clock.advance_ms(2999);
    run_behaviour(world, 0);
    EXPECT_EQ(f.state, FishState::Eating);
    clock.advance_ms(1);
    sync_twin();
    int r = next_twin();
    run_behaviour(world, 0);
    EXPECT_EQ(f.state, FishState::Idle);
    EXPECT_EQ(f.stateDuration, 1000u + static_cast<std::uint32_t>(r % 1000));
}

TEST_F(Behaviour, TimersCompareAcrossTheTickCountWrap) {
    clock.ticks = 0xFFFFFF00u;
    FishRecord& f = place(0, {0, 0, 0});
    f.state = FishState::Eating;
    f.stateStart = clock.ticks;
    f.stateDuration = kEatingPause;
    clock.advance_ms(2999);  // wraps past zero
    run_behaviour(world, 0);
    EXPECT_EQ(f.state, FishState::Eating);
    clock.advance_ms(1);
    run_behaviour(world, 0);
    EXPECT_EQ(f.state, FishState::Idle);
}

// ---- goals ----

TEST_F(Behaviour, APelletWithinThirtyIsIgnoredEvenWhenItIsTheOnlyOne) {
    FishRecord& f = place(0, {0, 0, 0});
    drop_pellet(0, {0, 0, -30});  // exactly 30: not more than 30
    sync_twin();
    Vec3 goal = predict_goal({0, 0, 0});
    choose_target(world, 0);
    EXPECT_EQ(f.target, 0u);
    EXPECT_EQ(f.targetPos.x, goal.x);
    EXPECT_EQ(f.targetPos.z, goal.z);
    drop_pellet(1, {0, 0, 30.5f});
    choose_target(world, 0);
    EXPECT_EQ(f.target, kPelletTargetBit | 1u);
    EXPECT_EQ(f.targetPos.z, 30.5f);
}

TEST_F(Behaviour, TheNearestPelletWinsAndTiesKeepTheLowerIndex) {
    FishRecord& f = place(0, {0, 0, 0});
    drop_pellet(2, {0, 0, 60});
    drop_pellet(5, {-45, 0, 0});
    drop_pellet(3, {45, 0, 0});
    drop_pellet(7, {0, 20, 0});  // too near
    std::uint32_t before = rand.state();
    choose_target(world, 0);
    EXPECT_EQ(f.target, kPelletTargetBit | 3u);
    EXPECT_EQ(rand.state(), before);  // a pellet goal draws nothing
    tank.pellets[3].active = 0;
    choose_target(world, 0);
    EXPECT_EQ(f.target, kPelletTargetBit | 5u);
}

TEST_F(Behaviour, ASatedFishNeverChoosesAPellet) {
    FishRecord& f = place(0, {0, 0, 0}, 0.0f, kMaxSatiety);
    drop_pellet(0, {0, 0, 50});
    choose_target(world, 0);
    EXPECT_EQ(f.target, 0u);
}

TEST_F(Behaviour, PelletsBeyondTheStartingBestDistanceAreNotChosen) {
    FishRecord& f = place(0, {0, 0, 0});
    drop_pellet(0, {0, 0, 1000.0f});
    choose_target(world, 0);
    EXPECT_EQ(f.target, 0u);
    drop_pellet(0, {0, 0, 999.0f});
    choose_target(world, 0);
    EXPECT_EQ(f.target, kPelletTargetBit);
}

TEST_F(Behaviour, GravityNarrowsTheVerticalWindowAndPullsGoals) {
    FishRecord& f = place(0, {0, 0, 0});
    f.motion.gravity = 0.5f;  // window 75
    drop_pellet(0, {40, 74.9f, 0});
    choose_target(world, 0);
    EXPECT_EQ(f.target, kPelletTargetBit);
    tank.pellets[0].board->position.y = 75.0f;
    sync_twin();
    Vec3 goal = predict_goal({0, 0, 0}, 0.5f);
    choose_target(world, 0);
    EXPECT_EQ(f.target, 0u);
    EXPECT_EQ(f.targetPos.y, goal.y);

    f.motion.gravity = 1.0f;  // window 0: nothing qualifies, every goal on the bottom
    tank.pellets[0].board->position.y = 0.0f;
    for (int i = 0; i < 50; ++i) {
        choose_target(world, 0);
        EXPECT_EQ(f.target, 0u);
        EXPECT_EQ(f.targetPos.y, -75.0f);
    }
}

TEST_F(Behaviour, NegativeGravityWidensTheWindowAndRaisesGoals) {
    FishRecord& f = place(0, {0, -60, 0});
    f.motion.gravity = -0.5f;  // window 225
    drop_pellet(0, {0, 100, 0});  // 160 above
    choose_target(world, 0);
    EXPECT_EQ(f.target, kPelletTargetBit);
    tank.pellets[0].active = 0;
    sync_twin();
    Vec3 goal = predict_goal({0, -60, 0}, -0.5f);
    choose_target(world, 0);
    EXPECT_EQ(f.targetPos.y, goal.y);
    EXPECT_GE(f.targetPos.y, 37.5f);  // every height pulled halfway toward +150
}

TEST_F(Behaviour, RandomGoalsAreRedrawnUntilEightAwayHorizontally) {
    // A fish at the place of the first predicted goal makes the first draw too near.
    sync_twin();
    Vec3 first{static_cast<float>(next_twin() % 150 - 75), 0, 0};
    next_twin();
    first.z = static_cast<float>(next_twin() % 150 - 75);
    FishRecord& f = place(0, {first.x + 3, 70, first.z - 4});  // 5 away, at another height
    sync_twin();
    Vec3 goal = predict_goal(f.body->position);
    choose_target(world, 0);
    EXPECT_GE(std::hypot(f.targetPos.x - f.body->position.x, f.targetPos.z - f.body->position.z), 8.0f);
    EXPECT_EQ(f.targetPos.x, goal.x);
    EXPECT_EQ(f.targetPos.z, goal.z);
    EXPECT_EQ(rand.state(), twin.state());
    EXPECT_FALSE(f.targetPos.x == first.x && f.targetPos.z == first.z);
}

// ---- steering ----

TEST_F(Behaviour, TurnSideFollowsThePositiveYaw) {
    FishRecord& f = place(0, {0, 0, 0}, 0.0f);  // nose along -Z
    f.targetPos = {-10, 0, -10};
    EXPECT_EQ(turn_side(world, 0), 1);
    f.targetPos = {10, 0, -10};
    EXPECT_EQ(turn_side(world, 0), -1);
    f.body->rotation.y = 1.0f;
    f.targetPos = {-std::sin(1.3f) * 40, 0, -std::cos(1.3f) * 40};  // a little further round
    EXPECT_EQ(turn_side(world, 0), 1);
    f.targetPos = {-std::sin(0.7f) * 40, 0, -std::cos(0.7f) * 40};
    EXPECT_EQ(turn_side(world, 0), -1);
}

TEST_F(Behaviour, EnteringASwimSetsTheTurnSignFromTurnSide) {
    FishRecord& f = place(0, {0, 0, 0}, 0.0f);
    drop_pellet(0, {-40, 0, -40});
    enter_state(world, 0, FishState::Dash);
    EXPECT_EQ(f.turnRate, 7.0f);
    drop_pellet(0, {40, 0, -40});
    enter_state(world, 0, FishState::Dash);
    EXPECT_EQ(f.turnRate, -7.0f);
}

TEST_F(Behaviour, PitchModeComesFromTheHeightDifferenceWithInclusiveBounds) {
    FishRecord& f = place(0, {0, 0, 0});
    struct Case {
        float dy;
        PitchMode mode;
    } cases[] = {{20.0f, PitchMode::Climb}, {19.99f, PitchMode::Level}, {-19.99f, PitchMode::Level},
                 {-20.0f, PitchMode::Dive}, {0.0f, PitchMode::Level}};
    for (const Case& c : cases) {
        drop_pellet(0, {0, c.dy, -50});
        enter_state(world, 0, FishState::Cruise);
        EXPECT_EQ(f.pitchMode, c.mode) << c.dy;
        EXPECT_EQ(f.pitchRate, 2.5f);  // a chase uses the fast RotateV
    }
}

TEST_F(Behaviour, AGoalWithinTwoDegreesSnapsTheYawOntoIt) {
    const float yaw = 1.0f;
    const float aim = (yaw - 3.141592f) + 1.9f * kDegToRad;  // goal direction angle
    FishRecord& f = swimmer(0, {0, 0, 0}, yaw, {std::sin(aim) * 60, 0, std::cos(aim) * 60});
    run_behaviour(world, 0);
    EXPECT_NEAR(f.body->rotation.y, aim - 3.141592f, 1e-5f);
    EXPECT_NEAR(f.body->world.m[0][0], std::cos(f.body->rotation.y), 1e-6f);  // matrix rebuilt
    EXPECT_EQ(f.body->world.m[3][0], 0.0f);  // ... before the move, at the old place
    Vec3 nose = facing_direction(f.body->rotation.y);
    EXPECT_NEAR(nose.x, std::sin(aim), 1e-5f);
    EXPECT_NEAR(nose.z, std::cos(aim), 1e-5f);
    // Moved straight at the goal by the full speed.
    EXPECT_NEAR(f.body->position.x, std::sin(aim) * 1.5f, 1e-5f);
    EXPECT_NEAR(f.body->position.z, std::cos(aim) * 1.5f, 1e-5f);
}

TEST_F(Behaviour, AnErrorBeyondTwoDegreesTurnsByTheTurnRate) {
    const float yaw = 1.0f;
    const float aim = (yaw - 3.141592f) + 2.1f * kDegToRad;
    FishRecord& f = swimmer(0, {0, 0, 0}, yaw, {std::sin(aim) * 60, 0, std::cos(aim) * 60});
    run_behaviour(world, 0);
    EXPECT_FLOAT_EQ(f.body->rotation.y, yaw + 7.0f * kDegToRad);
}

TEST_F(Behaviour, AnErrorMeasuredAcrossTheWrapCountsAsTurning) {
    // The goal is one degree from the nose, but the two angles lie either side of the half turn:
    // the unwrapped error is about 359 degrees.
    const float yaw = 0.0087f;  // nose angle just above -180 degrees
    const float aim = 3.14f;    // goal angle just below +180 degrees
    FishRecord& f = swimmer(0, {0, 0, 0}, yaw, {std::sin(aim) * 60, 0, std::cos(aim) * 60});
    Vec3 nose = facing_direction(yaw);
    float error = (std::atan2(std::sin(aim), std::cos(aim)) - std::atan2(nose.x, nose.z)) * kRadToDeg;
    ASSERT_GT(error, 350.0f);
    run_behaviour(world, 0);
    EXPECT_FLOAT_EQ(f.body->rotation.y, yaw + 7.0f * kDegToRad);
}

TEST_F(Behaviour, TurningWithinThirtyOnlyRisesOrSinks) {
    FishRecord& f = swimmer(0, {0, 0, 0}, 0.0f, {20, 5, 0});
    run_behaviour(world, 0);
    EXPECT_EQ(f.body->position.x, 0.0f);
    EXPECT_EQ(f.body->position.z, 0.0f);
    EXPECT_NEAR(f.body->position.y, 5.0f / std::sqrt(425.0f), 1e-6f);
    EXPECT_LE(std::fabs(f.body->position.y), 1.0f);
    FishRecord& g = swimmer(1, {0, 40, 0}, 0.0f, {30, 40, 0});  // exactly 30 away: still on the spot
    run_behaviour(world, 1);
    EXPECT_EQ(g.body->position.x, 0.0f);
    EXPECT_EQ(g.body->position.z, 0.0f);
    EXPECT_NE(g.body->rotation.y, 0.0f);
}

TEST_F(Behaviour, TurningFartherAwayAdvancesAlongTheNewNose) {
    FishRecord& f = swimmer(0, {0, 0, 0}, 0.0f, {100, 0, 0});
    run_behaviour(world, 0);
    Vec3 nose = facing_direction(f.body->rotation.y);
    EXPECT_NEAR(f.body->position.x, 1.5f * nose.x, 1e-6f);
    EXPECT_NEAR(f.body->position.z, 1.5f * nose.z, 1e-6f);
}

TEST_F(Behaviour, RandomGoalsSlowDownWithinFiftyButNotBelowATenth) {
    const float aim = 0.5f;
    auto moved = [&](float dist, std::uint32_t target) {
        FishRecord& f = swimmer(0, {0, 0, 0}, aim + 3.141592f, {std::sin(aim) * dist, 0, std::cos(aim) * dist});
        if (target) {
            drop_pellet(0, f.targetPos);
            f.target = target;
        }
        run_behaviour(world, 0);
        return vec3_length(f.body->position);
    };
    EXPECT_NEAR(moved(60.0f, 0), 1.5f, 1e-5f);
    EXPECT_NEAR(moved(49.0f, 0), 1.5f * 0.98f, 1e-5f);
    EXPECT_NEAR(moved(10.0f, 0), 1.5f * 0.2f, 1e-5f);
    EXPECT_NEAR(moved(4.0f, 0), 1.5f * 0.1f, 1e-5f);
    EXPECT_NEAR(moved(10.0f, kPelletTargetBit), 1.5f, 1e-5f);  // food is chased at full speed
}

struct PitchCase {
    PitchMode mode;
    float before;
    float after;  // expected
};

class PitchWindows : public Behaviour, public ::testing::WithParamInterface<PitchCase> {};

TEST_P(PitchWindows, StepsOrHoldsThePitch) {
    const PitchCase& c = GetParam();
    const float aim = 0.5f;
    FishRecord& f = swimmer(0, {0, 0, 0}, aim + 3.141592f, {std::sin(aim) * 60, 0, std::cos(aim) * 60});
    f.pitchMode = c.mode;
    f.body->rotation.x = c.before;
    run_behaviour(world, 0);
    EXPECT_FLOAT_EQ(f.body->rotation.x, c.after);
}

const float kStep = 2.5f * 0.017453289f;

INSTANTIATE_TEST_SUITE_P(
    Behaviour, PitchWindows,
    ::testing::Values(PitchCase{PitchMode::Climb, 0.0f, kStep},
                      PitchCase{PitchMode::Climb, 0.52f, 0.52f},
                      PitchCase{PitchMode::Climb, kClimbLow, kClimbLow + kStep},
                      PitchCase{PitchMode::Climb, kClimbHigh, kClimbHigh + kStep},
                      PitchCase{PitchMode::Dive, 0.0f, 6.283184f - kStep},
                      PitchCase{PitchMode::Dive, 5.76f, 5.76f},
                      PitchCase{PitchMode::Dive, kDiveLow, kDiveLow - kStep},
                      PitchCase{PitchMode::Dive, kDiveHigh, kDiveHigh - kStep},
                      PitchCase{PitchMode::Level, 0.0f, 0.0f},
                      PitchCase{PitchMode::Level, 0.008726644f, 0.0f},
                      PitchCase{PitchMode::Level, 6.2570043f, 0.0f},
                      PitchCase{PitchMode::Level, 1.0f, 1.0f - kStep},
                      PitchCase{PitchMode::Level, 6.0f, 6.0f + kStep},
                      PitchCase{PitchMode::Level, 5.7595854f, 5.7595854f - kStep}));

TEST_F(Behaviour, APelletTargetFollowsThePelletEvenOnceItIsGone) {
    FishRecord& f = swimmer(0, {0, 0, 0}, 0.0f, {0, 0, 0});
    drop_pellet(8, {0, 50, -60});
    f.target = kPelletTargetBit | 8u;
    run_behaviour(world, 0);
    EXPECT_EQ(f.targetPos.y, 50.0f);
    tank.pellets[8].active = 0;
    tank.pellets[8].board->position = {0, 40, -60};
    run_behaviour(world, 0);
    EXPECT_EQ(f.targetPos.y, 40.0f);
}

TEST_F(Behaviour, FreeSlotsAreLeftAlone) {
    std::uint32_t before = rand.state();
    run_behaviour(world, 2);
    enter_state(world, 2, FishState::Dash);
    choose_target(world, 2);
    swim_step(world, 2);
    run_behaviour(world, -1);
    run_behaviour(world, 16);
    EXPECT_EQ(rand.state(), before);
    EXPECT_FALSE(tank.fish[2].in_use());
}

}  // namespace
}  // namespace brine
