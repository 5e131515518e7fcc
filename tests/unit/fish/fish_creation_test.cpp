// create_fish from packs on disk (the mesh engine faked): the order of its steps and rand calls,
// what the new fish looks like, and every way it can fail leaving the slot free.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fish/fish_creation.h"
#include "tests/unit/fish/fish_fixture.h"

namespace brine {
namespace {

using test::MeshCall;

std::string with_line(const std::string& line) {
    std::string s = test::kTestKindScript;
    return s.insert(s.find("End()"), line + "\r\n");
}

class Creation : public test::PackedFishWorldTest {
protected:
    void expect_slot_free(int slot) {
        const FishRecord& f = tank.fish[slot];
        EXPECT_FALSE(f.in_use());
        EXPECT_EQ(f.mesh, nullptr);
        EXPECT_EQ(f.motion.trackRecords, nullptr);
        EXPECT_EQ(f.name[0], '\0');
        std::string why;
        EXPECT_TRUE(check_tank_invariants(tank, &why)) << why;
    }
};

TEST_F(Creation, MakesAWholeFishInTheFirstFreeSlot) {
    meshes.recordCalls = true;
    clock.ticks = 777777;
    sync_twin();
    const int rx = next_twin(), ry = next_twin(), rz = next_twin(), rh = next_twin(), rp = next_twin();
    char name[] = "\x8B\xE0\x8B\x9B\x82\xBF\x82\xE1\x82\xF1";  // 金魚ちゃん
    ASSERT_EQ(create_fish(world, 0, 3, 2, name), kOk);
    name[0] = 'X';  // the fish keeps its own copy
    FishRecord& f = tank.fish[0];
    ASSERT_TRUE(f.in_use());
    EXPECT_STREQ(f.name, "\x8B\xE0\x8B\x9B\x82\xBF\x82\xE1\x82\xF1");

    // The mesh came from the kind's pack, loaded into the slot's own resource.
    ASSERT_GE(meshes.calls.size(), 2u);
    EXPECT_EQ(meshes.calls[0].kind, MeshCall::kLoad);
    EXPECT_EQ(meshes.calls[0].detail, "object\\fish1.pak|kingyo.x");
    EXPECT_EQ(meshes.calls[0].mesh, f.mesh.get());
    EXPECT_STREQ(f.mesh->name, "TKLIB_MESH");
    EXPECT_EQ(meshes.calls[1].kind, MeshCall::kReset);  // attaching resets its time

    const SceneObject& b = *f.body;
    EXPECT_EQ(b.drawableKind, kDrawMesh);
    EXPECT_EQ(b.drawable, f.mesh.get());
    EXPECT_EQ(b.blendMode, 2);
    EXPECT_EQ(b.renderFlags & 0x7u, 0x3u);  // lighting and depth test, no culling
    EXPECT_EQ(b.material.ambient.r, 0.5f);
    EXPECT_EQ(b.material.ambient.a, 1.0f);
    EXPECT_EQ(b.material.diffuse.g, 1.0f);
    EXPECT_EQ(b.position.x, static_cast<float>(rx % 150 - 75));
    EXPECT_EQ(b.position.y, static_cast<float>(ry % 150 - 75));
    EXPECT_EQ(b.position.z, static_cast<float>(rz % 150 - 75));
    EXPECT_EQ(b.rotation.x, 0.0f);
    EXPECT_EQ(b.rotation.y, static_cast<float>(rh % 360) * 0.017453289f);
    EXPECT_EQ(b.scale.x, 1.5f);
    EXPECT_EQ(b.scale.z, 1.5f);

    EXPECT_EQ(f.kindIndex, 0);
    EXPECT_EQ(f.state, FishState::Idle);
    EXPECT_EQ(f.satiety, 3);
    EXPECT_EQ(f.overfedCount, 2);
    EXPECT_EQ(f.satietyClock, 777777u);
    EXPECT_EQ(f.stateStart, 777777u);
    EXPECT_EQ(f.stateDuration, 500u + static_cast<std::uint32_t>(rp % 500));
    EXPECT_EQ(rand.state(), twin.state());
    EXPECT_EQ(f.motion.wait, 1200);
    // The idle motion starts at record 0's first frame: 6 / 30 s.
    EXPECT_EQ(meshes.calls.back().kind, MeshCall::kSetTime);
    EXPECT_DOUBLE_EQ(meshes.calls.back().value, 0.2);
    std::string why;
    EXPECT_TRUE(check_tank_invariants(tank, &why)) << why;
}

TEST_F(Creation, TheIdleMotionIsSelectedWhenTheMeshHasSeveralSets) {
    write_kind(1, "kingyo", "FPS(24)MotionNum(4)TrackRecord(0,2,12,48)Wait(900)End()");
    meshes.setsOnLoad = 3;
    ASSERT_EQ(create_fish(world, 0, 0, 0, "a"), kOk);
    EXPECT_EQ(meshes.selected_set(*tank.fish[0].mesh), 2);
    EXPECT_DOUBLE_EQ(meshes.get_time(*tank.fish[0].mesh), 0.5);
}

// A seed whose second draw puts the start height at `height`.
std::uint32_t seed_for_height(int height) {
    for (std::uint32_t seed = 1;; ++seed) {
        CrtRand r;
        r.srand(seed);
        r.rand();
        if (r.rand() % 150 - 75 == height) return seed;
    }
}

TEST_F(Creation, GravityPullsTheStartHeight) {
    write_kind(2, "low", with_line("Gravity(0.5)"));
    write_kind(3, "high", with_line("Gravity(-0.5)"));
    catalog.count = 3;
    catalog.rows[1] = {2, "low", "", ""};
    catalog.rows[2] = {3, "high", "", ""};
    rand.srand(seed_for_height(25));
    ASSERT_EQ(create_fish(world, 1, 0, 0, "low"), kOk);
    EXPECT_EQ(tank.fish[0].body->position.y, -25.0f);  // 25 - 0.5 * 100
    rand.srand(seed_for_height(25));
    ASSERT_EQ(create_fish(world, 2, 0, 0, "high"), kOk);
    EXPECT_EQ(tank.fish[1].body->position.y, 87.5f);  // 25 + 0.5 * 125
}

TEST_F(Creation, WithoutAPositiveScaleTheBodyKeepsItsOwnScale) {
    write_kind(1, "kingyo", "FPS(30)MotionNum(4)Wait(500)End()");
    ASSERT_EQ(create_fish(world, 0, 0, 0, "a"), kOk);
    EXPECT_EQ(tank.fish[0].body->scale.y, 1.0f);
    write_kind(1, "kingyo", "FPS(30)MotionNum(4)Wait(500)Scale(0)End()");
    ASSERT_EQ(create_fish(world, 0, 0, 0, "b"), kOk);
    EXPECT_EQ(tank.fish[1].body->scale.y, 1.0f);
}

TEST_F(Creation, OnlySlotsZeroToNineAreFilled) {
    for (int i = 0; i < 10; ++i) ASSERT_EQ(create_fish(world, 0, 0, 0, ("f" + std::to_string(i)).c_str()), kOk);
    meshes.recordCalls = true;
    std::uint32_t before = rand.state();
    EXPECT_EQ(create_fish(world, 0, 0, 0, "eleventh"), kFail);
    EXPECT_EQ(rand.state(), before);
    EXPECT_TRUE(meshes.calls.empty());
    for (int i = 10; i < Tank::kSlots; ++i) EXPECT_FALSE(tank.fish[i].in_use());
    clear_fish_slot(tank, 3);
    ASSERT_EQ(create_fish(world, 0, 0, 0, "again"), kOk);
    EXPECT_STREQ(tank.fish[3].name, "again");
}

TEST_F(Creation, EveryFishHasItsOwnMesh) {
    ASSERT_EQ(create_fish(world, 0, 0, 0, "a"), kOk);
    ASSERT_EQ(create_fish(world, 0, 0, 0, "b"), kOk);
    MeshResource* a = tank.fish[0].mesh.get();
    MeshResource* b = tank.fish[1].mesh.get();
    ASSERT_NE(a, b);
    meshes.set_time(*b, 2.5);
    clear_fish_slot(tank, 0);
    EXPECT_EQ(meshes.get_time(*b), 2.5);
}

TEST_F(Creation, SatietyAndOverfedCountAreKeptInRange) {
    ASSERT_EQ(create_fish(world, 0, 50, 500, "a"), kOk);
    EXPECT_EQ(tank.fish[0].satiety, 10);
    EXPECT_EQ(tank.fish[0].overfedCount, 100);
    ASSERT_EQ(create_fish(world, 0, -3, -1, "b"), kOk);
    EXPECT_EQ(tank.fish[1].satiety, 0);
    EXPECT_EQ(tank.fish[1].overfedCount, 0);
}

TEST_F(Creation, BadArgumentsAreRefusedBeforeAnythingIsTouched) {
    std::uint32_t before = rand.state();
    EXPECT_EQ(create_fish(world, 1, 0, 0, "a"), kFail);   // past the catalog
    EXPECT_EQ(create_fish(world, -1, 0, 0, "a"), kFail);
    EXPECT_EQ(create_fish(world, 0, 0, 0, ""), kFail);
    EXPECT_EQ(create_fish(world, 0, 0, 0, nullptr), kFail);
    EXPECT_EQ(create_fish(world, 0, 0, 0, "1234567890123456789012345"), kFail);  // 25 bytes
    EXPECT_EQ(rand.state(), before);
    expect_slot_free(0);
    EXPECT_EQ(create_fish(world, 0, 0, 0, "123456789012345678901234"), kOk);  // 24 bytes
}

struct BrokenKind {
    const char* what;
    std::string script;  // empty: no script member at all
};

TEST_F(Creation, AKindThatCannotSwimIsRefusedAndLeavesTheSlotFree) {
    const BrokenKind kinds[] = {
        {"no motion script", ""},
        {"script does not parse", "FPS(30)MotionNum(4)Wait(500)"},
        {"records before MotionNum", "TrackRecord(0,0,0,10)FPS(30)MotionNum(4)Wait(500)End()"},
        {"record past the table", "FPS(30)MotionNum(4)Wait(500)TrackRecord(4,0,0,10)End()"},
        {"FPS 0", "FPS(0)MotionNum(4)Wait(500)End()"},
        {"FPS negative", "FPS(-30)MotionNum(4)Wait(500)End()"},
        {"three records", "FPS(30)MotionNum(3)Wait(500)End()"},
        {"Wait 0", "FPS(30)MotionNum(4)Wait(0)End()"},
        {"no Wait", "FPS(30)MotionNum(4)End()"},
    };
    for (const BrokenKind& k : kinds) {
        write_kind(1, "kingyo", k.script, !k.script.empty());
        meshes.recordCalls = true;
        meshes.calls.clear();
        EXPECT_EQ(create_fish(world, 0, 0, 0, "a"), kFail) << k.what;
        expect_slot_free(0);
        EXPECT_EQ(meshes.count_calls(MeshCall::kLoad), 1) << k.what;
    }
}

TEST_F(Creation, AOneSetMeshSwimsWithItsSetWhateverTheRecordsName) {
    write_kind(1, "kingyo",
               "FPS(30)MotionNum(4)TrackRecord(0,1,6,36)TrackRecord(1,2,40,70)TrackRecord(2,3,75,95)"
               "TrackRecord(3,0,100,130)Wait(500)End()");
    meshes.setsOnLoad = 1;
    ASSERT_EQ(create_fish(world, 0, 0, 0, "one"), kOk);
    EXPECT_EQ(meshes.selected_set(*tank.fish[0].mesh), -1) << "with one set no motion is chosen";
    EXPECT_DOUBLE_EQ(meshes.get_time(*tank.fish[0].mesh), 0.2) << "record 0's frames, read in set 0";

    // With several sets a record naming a set past the end is still refused.
    meshes.setsOnLoad = 3;
    EXPECT_EQ(create_fish(world, 0, 0, 0, "three"), kFail);
    expect_slot_free(1);
    meshes.setsOnLoad = 4;
    EXPECT_EQ(create_fish(world, 0, 0, 0, "four"), kOk);
    EXPECT_EQ(meshes.selected_set(*tank.fish[1].mesh), 1);
}

TEST_F(Creation, AMeshThatDoesNotLoadLeavesTheSlotFree) {
    ASSERT_EQ(create_fish(world, 0, 0, 0, "first"), kOk);
    meshes.loadResult = kFail;
    std::uint32_t before = rand.state();
    EXPECT_EQ(create_fish(world, 0, 0, 0, "second"), kFail);
    expect_slot_free(1);
    EXPECT_EQ(rand.state(), before);  // failed before the place was drawn
    EXPECT_EQ(count_fish(tank), 1);
    catalog.rows[0].packNumber = 9;  // no such pack: not even the motion script can be read
    meshes.loadResult = kOk;
    EXPECT_EQ(create_fish(world, 0, 0, 0, "third"), kFail);
    expect_slot_free(1);
}

}  // namespace
}  // namespace brine
