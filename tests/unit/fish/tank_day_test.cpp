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

// Without optimisation, or under the sanitizers, a simulated day takes many minutes; there the
// same run covers two hours, and the whole day belongs to the optimised build.
#if defined(__SANITIZE_ADDRESS__)
#define BRINE_DAY_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BRINE_DAY_SANITIZED 1
#endif
#endif
#if defined(__OPTIMIZE__) && !defined(BRINE_DAY_SANITIZED)
constexpr std::uint32_t kDayHours = 24;
#else
constexpr std::uint32_t kDayHours = 2;
#endif

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

struct DayStats {
    Extent x, y, z;
    long eaten = 0, vanished = 0, feedings = 0, strikes = 0;
    double seconds = 0;
};

class TankDay : public test::PackedFishWorldTest {
protected:
    void SetUp() override {
        catalog.count = 6;
        for (int i = 0; i < 6; ++i) {
            write_kind(10 + i, kKinds[i].model, script_for(kKinds[i]));
            catalog.rows[i] = {10 + i, kKinds[i].model, "", ""};
        }
    }

    // `minutes` of fixed steps at 30 a second with a feeding every `feedEvery` minutes (the first
    // at once), one per-pass update per step, and every check after every step.
    void run(std::uint32_t minutes, std::uint32_t feedEvery, int fishCount, DayStats& st) {
        const std::uint32_t start = clock.ticks;
        const std::uint32_t kSteps = minutes * 60u * 30u;
        const std::uint32_t kFeedEvery = feedEvery * 60u * 30u;
        std::uint32_t lastStrike[Tank::kCreatableSlots];
        for (int i = 0; i < fishCount; ++i) lastStrike[i] = tank.fish[i].satietyClock;
        bool landed[Tank::kPellets] = {};
        std::uint32_t landedAt[Tank::kPellets] = {};

        const auto began = std::chrono::steady_clock::now();
        for (std::uint32_t step = 0; step < kSteps; ++step) {
            if (step % kFeedEvery == 0) {
                feed_fish(world);
                ++st.feedings;
                std::fill(std::begin(landed), std::end(landed), false);
            }
            clock.ticks = start + static_cast<std::uint32_t>((static_cast<std::uint64_t>(step) + 1) * 1000 / 30);
            const std::uint32_t now = clock.ticks;
            FishState before[Tank::kCreatableSlots];
            int activeBefore[Tank::kPellets];
            for (int i = 0; i < fishCount; ++i) before[i] = tank.fish[i].state;
            for (int p = 0; p < Tank::kPellets; ++p) activeBefore[p] = tank.pellets[p].active;

            tank_step(world);
            tank_animate(world, 1.0f / 30.0f);

            bool eatenNow[Tank::kPellets] = {};
            for (int i = 0; i < fishCount; ++i) {
                const FishRecord& f = tank.fish[i];
                if (f.state == FishState::Eating && before[i] != FishState::Eating) {
                    ASSERT_TRUE(is_pellet_target(f.target));
                    eatenNow[pellet_of_target(f.target)] = true;
                    ++st.eaten;
                }
                if (f.satietyClock != lastStrike[i]) {  // the hourly clock struck, a step after the hour
                    ASSERT_GT(ticks_since(f.satietyClock, lastStrike[i]), kSatietyInterval) << "fish " << i;
                    ASSERT_LE(ticks_since(f.satietyClock, lastStrike[i]), kSatietyInterval + 34) << "fish " << i;
                    lastStrike[i] = f.satietyClock;
                    ++st.strikes;
                }
                st.x.add(f.body->position.x);
                st.y.add(f.body->position.y);
                st.z.add(f.body->position.z);
            }
            for (int p = 0; p < Tank::kPellets; ++p) {
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
                    // Gone without a fish: only after ten minutes on the bottom, at the first step.
                    ASSERT_TRUE(landed[p]) << "pellet " << p << " vanished while sinking";
                    ASSERT_GE(ticks_since(now, landedAt[p]), 600000u);
                    ASSERT_LT(ticks_since(now, landedAt[p]), 600034u);
                    ++st.vanished;
                }
            }
            std::string why;
            ASSERT_TRUE(check_tank_invariants(tank, &why)) << why << " at step " << step;
            ASSERT_TRUE(st.x.lo > -200.0f && st.x.hi < 200.0f && st.z.lo > -200.0f && st.z.hi < 200.0f)
                << "step " << step;
            ASSERT_TRUE(st.y.lo > -200.0f && st.y.hi < 300.0f) << "step " << step;
        }
        st.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        std::printf("%u min, %d fish: x %.2f..%.2f  y %.2f..%.2f  z %.2f..%.2f  eaten %ld  rested away %ld  "
                    "clock strikes %ld  (%.1f s for %u steps)\n",
                    minutes, fishCount, st.x.lo, st.x.hi, st.y.lo, st.y.hi, st.z.lo, st.z.hi, st.eaten, st.vanished,
                    st.strikes, st.seconds, kSteps);
    }
};

TEST_F(TankDay, ADayWithTenFish) {
    rand.srand(20240607);
    clock.ticks = 0xFFF00000u;  // the tick count wraps 17 minutes into the day
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(create_fish(world, i % 6, (i * 3) % 11, 0, ("day" + std::to_string(i)).c_str()), kOk);
    DayStats st;
    run(kDayHours * 60, 120, 10, st);
    if (HasFatalFailure()) return;
    EXPECT_EQ(st.feedings, static_cast<long>((kDayHours + 1) / 2));
    EXPECT_GT(st.eaten, 0);
    EXPECT_EQ(st.eaten + st.vanished, st.feedings * Tank::kPellets);  // every pellet eaten or rested away
    EXPECT_EQ(st.strikes, 10 * static_cast<long>(kDayHours - 1));    // each fish's clock struck once an hour
    EXPECT_EQ(count_fish(tank), 10);
}

TEST_F(TankDay, FoodForSatedFishRestsTenMinutesAndVanishes) {
    rand.srand(77);
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(create_fish(world, i, kMaxSatiety, 0, ("full" + std::to_string(i)).c_str()), kOk);
    DayStats st;
    // The first food finds both full; at the second, 70 minutes on, each has lost a point.
    run(95, 70, 2, st);
    if (HasFatalFailure()) return;
    EXPECT_EQ(st.feedings, 2);
    EXPECT_GE(st.vanished, Tank::kPellets);  // all of the first feeding
    EXPECT_GT(st.eaten, 0);
    EXPECT_LE(st.eaten, 2);
    EXPECT_EQ(st.eaten + st.vanished, st.feedings * Tank::kPellets);
}

}  // namespace
}  // namespace brine
