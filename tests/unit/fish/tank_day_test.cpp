// A day in the tank: ten fish of six kinds (the shipped kinds' motion values, meshes faked)
// created from packs and run for 24 simulated hours at 30 fixed steps a second, with a feeding
// every two hours. Every step checks the tank's invariants, the pellets' rest on the bottom,
// the hourly satiety clock and where the fish are.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "fish/feeding.h"
#include "fish/fish_creation.h"
#include "fish/tank_update.h"
#include "tests/unit/fish/fish_fixture.h"

namespace brine {
namespace {

struct KindValues {
    const char* model;
    int wait;
    float slow, slowH, slowV, fast, fastH, fastV, gravity;
};

// The goldfish kinds as fishgen ships them.
const KindValues kKinds[] = {
    {"wakin", 1800, 0.55f, 3.0f, 1.5f, 1.5f, 7.0f, 2.5f, 0.0f},
    {"ryukin", 2500, 0.42f, 3.0f, 1.2f, 1.1f, 6.0f, 2.0f, -0.05f},
    {"demekin", 2600, 0.4f, 2.8f, 1.2f, 1.0f, 5.5f, 2.0f, 0.0f},
    {"ranchu", 3000, 0.35f, 2.5f, 1.0f, 0.9f, 5.0f, 2.0f, 0.4f},
    {"shubunkin", 1600, 0.6f, 3.5f, 1.5f, 1.6f, 7.5f, 2.5f, -0.1f},
    {"tancho", 2400, 0.42f, 3.0f, 1.2f, 1.1f, 6.0f, 2.0f, 0.0f},
};

std::string script_for(const KindValues& k) {
    char text[1024];
    std::snprintf(text, sizeof text,
                  "FPS(30)\r\nMotionNum(4)\r\nTrackRecord(0, 0, 0, 60)\r\nTrackRecord(1, 0, 67, 127)\r\n"
                  "TrackRecord(2, 0, 134, 164)\r\nTrackRecord(3, 0, 171, 231)\r\nScale(1.0)\r\nWait(%d)\r\n"
                  "SlowSpeed(%g)\r\nSlowRotateH(%g)\r\nSlowRotateV(%g)\r\nFastSpeed(%g)\r\n"
                  "FastRotateH(%g)\r\nFastRotateV(%g)\r\nGravity(%g)\r\nEnd()\r\n",
                  k.wait, k.slow, k.slowH, k.slowV, k.fast, k.fastH, k.fastV, k.gravity);
    return text;
}

struct Extent {
    float lo = 1e9f, hi = -1e9f;
    void add(float v) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
};

class TankDay : public test::PackedFishWorldTest {};

TEST_F(TankDay, TwentyFourHoursWithTenFish) {
    catalog.count = 6;
    for (int i = 0; i < 6; ++i) {
        write_kind(10 + i, kKinds[i].model, script_for(kKinds[i]));
        catalog.rows[i] = {10 + i, kKinds[i].model, "", ""};
    }
    rand.srand(20240607);
    clock.ticks = 0xFFF00000u;  // the tick count wraps 17 minutes into the day
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(create_fish(world, i % 6, (i * 3) % 11, 0, ("day" + std::to_string(i)).c_str()), kOk);

    const std::uint32_t start = clock.ticks;
    const std::uint32_t kSteps = 24u * 3600u * 30u;
    const std::uint32_t kFeedEvery = 2u * 3600u * 30u;
    Extent ex, ey, ez;
    std::uint32_t lastDrop[10];
    for (int i = 0; i < 10; ++i) {
        lastDrop[i] = tank.fish[i].satietyClock;
    }
    bool landed[kTankPellets] = {};
    std::uint32_t landedAt[kTankPellets] = {};
    long eaten = 0, vanished = 0, feedings = 0, drops = 0;

    const auto began = std::chrono::steady_clock::now();
    for (std::uint32_t step = 0; step < kSteps; ++step) {
        if (step % kFeedEvery == 0) {
            feed_fish(world);
            ++feedings;
            std::fill(std::begin(landed), std::end(landed), false);
        }
        clock.ticks = start + static_cast<std::uint32_t>((static_cast<std::uint64_t>(step) + 1) * 1000 / 30);
        const std::uint32_t now = clock.ticks;
        FishState before[10];
        int activeBefore[kTankPellets];
        for (int i = 0; i < 10; ++i) before[i] = tank.fish[i].state;
        for (int p = 0; p < kTankPellets; ++p) activeBefore[p] = tank.pellets[p].active;

        tank_step(world);
        tank_animate(world, 1.0f / 30.0f);

        bool eatenNow[kTankPellets] = {};
        for (int i = 0; i < 10; ++i) {
            const FishRecord& f = tank.fish[i];
            if (f.state == FishState::Eating && before[i] != FishState::Eating) {
                ASSERT_TRUE(is_pellet_target(f.target));
                eatenNow[pellet_of_target(f.target)] = true;
                ++eaten;
            }
            if (f.satietyClock != lastDrop[i]) {  // the hourly clock struck
                ASSERT_GT(ticks_since(f.satietyClock, lastDrop[i]), kSatietyInterval) << "fish " << i;
                ASSERT_LE(ticks_since(f.satietyClock, lastDrop[i]), kSatietyInterval + 34) << "fish " << i;
                lastDrop[i] = f.satietyClock;
                ++drops;
            }
            ex.add(f.body->position.x);
            ey.add(f.body->position.y);
            ez.add(f.body->position.z);
        }
        for (int p = 0; p < kTankPellets; ++p) {
            const FoodPellet& pellet = tank.pellets[p];
            if (pellet.active && pellet.board->position.y == -75.0f) {
                if (!landed[p]) {
                    landed[p] = true;
                    landedAt[p] = now;
                }
                ASSERT_EQ(pellet.restStart, landedAt[p]);
                ASSERT_LT(ticks_since(now, landedAt[p]), 600000u) << "pellet " << p;
            }
            if (activeBefore[p] && !pellet.active && !eatenNow[p]) {
                // Gone without a fish: only after its ten minutes on the bottom, at the first step.
                ASSERT_TRUE(landed[p]) << "pellet " << p << " vanished while sinking";
                ASSERT_GE(ticks_since(now, landedAt[p]), 600000u);
                ASSERT_LT(ticks_since(now, landedAt[p]), 600034u);
                ++vanished;
            }
        }
        std::string why;
        ASSERT_TRUE(check_tank_invariants(tank, &why)) << why << " at step " << step;
        ASSERT_TRUE(ex.lo > -200.0f && ex.hi < 200.0f && ez.lo > -200.0f && ez.hi < 200.0f) << "step " << step;
        ASSERT_TRUE(ey.lo > -200.0f && ey.hi < 300.0f) << "step " << step;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();

    EXPECT_EQ(feedings, 12);
    EXPECT_GT(eaten, 0);
    EXPECT_EQ(eaten + vanished, feedings * kTankPellets);  // every pellet eaten or rested away
    EXPECT_GE(drops, 10 * 23);                             // each fish's clock struck every hour
    EXPECT_EQ(count_fish(tank), 10);
    RecordProperty("eaten", static_cast<int>(eaten));
    std::printf("day: x %.2f..%.2f  y %.2f..%.2f  z %.2f..%.2f  eaten %ld  rested away %ld  clock strikes %ld  "
                "(%.1f s for %u steps)\n",
                ex.lo, ex.hi, ey.lo, ey.hi, ez.lo, ez.hi, eaten, vanished, drops, seconds, kSteps);
}

}  // namespace
}  // namespace brine
