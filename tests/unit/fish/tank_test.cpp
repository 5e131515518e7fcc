// Tank slots: counting, lookup by name, release, pellet boards and the invariant check itself.
#include <gtest/gtest.h>

#include <functional>

#include "fish/tank.h"
#include "fish/tank_view.h"
#include "tests/unit/fish/fish_fixture.h"

namespace brine {
namespace {

using test::FishWorldTest;

class TankSlots : public FishWorldTest {};

TEST_F(TankSlots, AFreshTankIsEmptyAndOrdered) {
    Tank fresh;
    EXPECT_EQ(count_fish(fresh), 0);
    for (int i = 0; i < kTankSlots; ++i) EXPECT_EQ(fresh.drawOrder[i], i);
    for (const FoodPellet& p : fresh.pellets) EXPECT_EQ(p.active, 0);
    std::string why;
    EXPECT_TRUE(check_tank_invariants(fresh, &why)) << why;
}

TEST_F(TankSlots, CountAndFindSeeOnlyLiveSlots) {
    place(0, {0, 0, 0});
    place(3, {10, 0, 0});
    place(9, {20, 0, 0});
    EXPECT_EQ(count_fish(tank), 3);
    EXPECT_EQ(find_fish_by_name(tank, "fish3"), 3);
    EXPECT_EQ(find_fish_by_name(tank, "fish9"), 9);
    EXPECT_EQ(find_fish_by_name(tank, "fish"), -1);   // whole names only
    EXPECT_EQ(find_fish_by_name(tank, "Fish3"), -1);  // case matters
    EXPECT_EQ(find_fish_by_name(tank, ""), -1);
    EXPECT_EQ(find_fish_by_name(tank, nullptr), -1);
    clear_fish_slot(tank, 3);
    EXPECT_EQ(count_fish(tank), 2);
    EXPECT_EQ(find_fish_by_name(tank, "fish3"), -1);
}

TEST_F(TankSlots, FindGivesTheLowestSlotOfAName) {
    // Not a state the program makes (names are unique), but the lookup's order is defined.
    test::TestFishSpec spec;
    spec.name = "\x8B\xE0\x8B\x9B";  // 金魚
    test::place_test_fish(tank, meshes, 7, spec, clock.ticks);
    test::place_test_fish(tank, meshes, 2, spec, clock.ticks);
    EXPECT_EQ(find_fish_by_name(tank, "\x8B\xE0\x8B\x9B"), 2);
}

TEST_F(TankSlots, ClearingReleasesEverythingAndZeroesTheSlot) {
    FishRecord& f = place(4, {1, 2, 3}, 0.5f, 7);
    f.overfedCount = 3;
    f.target = kPelletTargetBit | 2u;
    clear_fish_slot(tank, 4);
    EXPECT_FALSE(f.in_use());
    EXPECT_EQ(f.mesh, nullptr);
    EXPECT_EQ(f.motion.trackRecords, nullptr);
    EXPECT_EQ(f.name[0], '\0');
    EXPECT_EQ(f.satiety, 0);
    EXPECT_EQ(f.overfedCount, 0);
    EXPECT_EQ(f.target, 0u);
    EXPECT_EQ(f.motion.fps, 0);
    clear_fish_slot(tank, -1);  // ignored
    clear_fish_slot(tank, 16);
    std::string why;
    EXPECT_TRUE(check_tank_invariants(tank, &why)) << why;
}

TEST_F(TankSlots, ResetFreesEverySlotAndRestoresTheDrawOrder) {
    place(0, {0, 0, 0});
    place(5, {0, 0, 0});
    tank.drawOrder[0] = 5;
    tank.drawOrder[5] = 0;
    reset_fish_slots(tank);
    EXPECT_EQ(count_fish(tank), 0);
    for (int i = 0; i < kTankSlots; ++i) EXPECT_EQ(tank.drawOrder[i], i);
}

TEST_F(TankSlots, APelletTakesItsNewBoardInactive) {
    tank.pellets[3].active = 1;
    SceneObject* board = new SceneObject();
    set_pellet_board(tank, 3, std::unique_ptr<SceneObject>(board));
    EXPECT_EQ(tank.pellets[3].board.get(), board);
    EXPECT_EQ(tank.pellets[3].active, 0);
    set_pellet_board(tank, 3, nullptr);  // memory ran out: the pellet has no board and is skipped
    EXPECT_EQ(tank.pellets[3].board, nullptr);
    set_pellet_board(tank, 16, std::unique_ptr<SceneObject>(new SceneObject()));  // ignored
    set_pellet_board(tank, -1, std::unique_ptr<SceneObject>(new SceneObject()));
}

TEST_F(TankSlots, TheDrawViewReadsTheSlotsAsTheyAre) {
    FishRecord& f = place(4, {0, 0, 0}, 0.0f, 6);
    tank.drawOrder[0] = 4;
    tank.drawOrder[4] = 0;
    tank.pellets[2].active = 1;
    TankDrawView view(tank);
    EXPECT_EQ(view.draw_order(0), 4);
    EXPECT_EQ(view.draw_order(16), -1);
    EXPECT_EQ(view.fish_body(4), f.body.get());
    EXPECT_EQ(view.fish_body(5), nullptr);
    EXPECT_EQ(view.fish_body(-1), nullptr);
    EXPECT_STREQ(view.fish_name(4), "fish4");
    EXPECT_EQ(view.fish_name(5), nullptr);
    EXPECT_EQ(view.fish_satiety(4), 6);
    EXPECT_TRUE(view.pellet_active(2));
    EXPECT_FALSE(view.pellet_active(3));
    EXPECT_EQ(view.pellet_board(2), tank.pellets[2].board.get());
    set_pellet_board(tank, 2, nullptr);
    tank.pellets[2].active = 1;
    EXPECT_FALSE(view.pellet_active(2));  // nothing to draw
    EXPECT_EQ(view.pellet_board(99), nullptr);
}

struct Damage {
    const char* what;
    std::function<void(Tank&)> apply;
};

TEST_F(TankSlots, TheInvariantCheckFindsEachKindOfDamage) {
    const Damage damages[] = {
        {"body draws no mesh", [](Tank& t) { t.fish[1].body->drawable = nullptr; }},
        {"satiety 11", [](Tank& t) { t.fish[1].satiety = 11; }},
        {"satiety -1", [](Tank& t) { t.fish[1].satiety = -1; }},
        {"overfed 101", [](Tank& t) { t.fish[1].overfedCount = 101; }},
        {"state 4", [](Tank& t) { t.fish[1].state = static_cast<FishState>(4); }},
        {"FPS 0", [](Tank& t) { t.fish[1].motion.fps = 0; }},
        {"three records", [](Tank& t) { t.fish[1].motion.motionNum = 3; }},
        {"Wait 0", [](Tank& t) { t.fish[1].motion.wait = 0; }},
        {"no records", [](Tank& t) { t.fish[1].motion.trackRecords.reset(); }},
        {"empty name", [](Tank& t) { t.fish[1].name[0] = '\0'; }},
        {"same name", [](Tank& t) { t.fish[1].name[4] = '0'; }},
        {"pellet 16", [](Tank& t) { t.fish[1].target = kPelletTargetBit | 16u; }},
        {"odd target", [](Tank& t) { t.fish[1].target = 5u; }},
        {"leftover name", [](Tank& t) { t.fish[4].name[0] = 'x'; }},
        {"fish in slot 12", [](Tank& t) { t.fish[12].body.reset(new SceneObject()); }},
        {"draw order", [](Tank& t) { t.drawOrder[3] = 2; }},
        {"pellet below", [](Tank& t) {
             t.pellets[0].active = 1;
             t.pellets[0].board->position.y = -75.5f;
         }},
        {"pellet without board", [](Tank& t) {
             t.pellets[0].active = 1;
             t.pellets[0].board.reset();
         }},
    };
    for (const Damage& d : damages) {
        reset_fish_slots(tank);
        test::give_pellet_boards(tank);
        place(0, {0, 0, 0});
        place(1, {10, 0, 0});
        std::string why;
        ASSERT_TRUE(check_tank_invariants(tank, &why)) << why;
        d.apply(tank);
        EXPECT_FALSE(check_tank_invariants(tank, &why)) << d.what;
        EXPECT_FALSE(why.empty()) << d.what;
    }
}

}  // namespace
}  // namespace brine
