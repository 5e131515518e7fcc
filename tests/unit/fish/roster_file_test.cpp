// The roster save file: its byte layout, the restore rules, damaged files, and saving that never
// loses the roster it replaces.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "fish/fish_creation.h"
#include "data/layered_file_system.h"
#include "fish/roster_file.h"
#include "tests/support/memory_file_system.h"
#include "tests/unit/fish/fish_fixture.h"

namespace brine {
namespace {

using Bytes = std::vector<unsigned char>;
constexpr std::uint32_t kHour = 3600000;

void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

std::uint32_t get32(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// One 64-byte record written by hand, as another program version might have.
void put_record(Bytes& file, int index, std::int32_t occupied, std::int32_t kind, std::int32_t satiety,
                std::int32_t overfed, std::uint32_t clock, const char* name, std::size_t nameBytes = 0) {
    std::size_t at = static_cast<std::size_t>(index) * 64;
    put32(file, at, static_cast<std::uint32_t>(occupied));
    put32(file, at + 4, static_cast<std::uint32_t>(kind));
    put32(file, at + 8, static_cast<std::uint32_t>(satiety));
    put32(file, at + 12, static_cast<std::uint32_t>(overfed));
    put32(file, at + 16, clock);
    std::memcpy(&file[at + 32], name, nameBytes ? nameBytes : std::strlen(name));
}

class Roster : public test::PackedFishWorldTest {
protected:
    Roster() { clock.ticks = 50 * kHour; }
    Bytes file() { return test::read_bytes(kRosterFileName); }
    void write_file(const Bytes& bytes) { test::write_bytes(kRosterFileName, bytes); }
};

TEST_F(Roster, AnEmptyTankSavesAs1024ZeroBytes) {
    ASSERT_EQ(save_roster(tank), kOk);
    EXPECT_EQ(file(), Bytes(1024, 0));
    EXPECT_FALSE(std::filesystem::exists("fishsave.bin.tmp"));
}

TEST_F(Roster, RecordsAreLittleEndianInSlotOrderWithZeroPadding) {
    FishRecord& f = place(2, {0, 0, 0}, 0.0f, 7);
    f.kindIndex = 0x01020304;
    f.overfedCount = 12;
    f.satietyClock = 0xA0B0C0D0u;
    ASSERT_EQ(save_roster(tank), kOk);
    Bytes b = file();
    ASSERT_EQ(b.size(), 1024u);
    EXPECT_EQ(get32(b, 128), 1u);
    EXPECT_EQ(b[132], 0x04);
    EXPECT_EQ(b[135], 0x01);
    EXPECT_EQ(get32(b, 136), 7u);
    EXPECT_EQ(get32(b, 140), 12u);
    EXPECT_EQ(get32(b, 144), 0xA0B0C0D0u);
    for (int i = 148; i < 160; ++i) EXPECT_EQ(b[i], 0) << i;  // reserved
    EXPECT_EQ(std::memcmp(&b[160], "fish2", 6), 0);
    for (int i = 166; i < 192; ++i) EXPECT_EQ(b[i], 0) << i;
    for (int i = 0; i < 1024; ++i) {
        if (i < 128 || i >= 192) {
            ASSERT_EQ(b[i], 0) << i;
        }
    }
}

TEST_F(Roster, ATwentyFourByteNameRoundTrips) {
    const char* name = "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8\x82\xA9\x82\xAB\x82\xAD\x82\xAF\x82\xB1\x82\xB3\x82\xB5";
    ASSERT_EQ(std::strlen(name), 24u);  // あいうえおかきくけこさし
    ASSERT_EQ(create_fish(world, 0, 5, 0, name), kOk);
    ASSERT_EQ(save_roster(tank), kOk);
    Bytes b = file();
    EXPECT_EQ(std::memcmp(&b[32], name, 24), 0);
    for (int i = 56; i < 64; ++i) EXPECT_EQ(b[i], 0);
    reset_fish_slots(tank);
    EXPECT_EQ(load_roster(world), 1);
    EXPECT_STREQ(tank.fish[0].name, name);
    EXPECT_EQ(tank.fish[0].satiety, 5);
}

TEST_F(Roster, HoursSinceTheLastDropAreCharged) {
    Bytes b(1024, 0);
    put_record(b, 0, 1, 0, 7, 4, clock.ticks - (3 * kHour + 20 * 60000), "a");
    put_record(b, 1, 1, 0, 10, 0, clock.ticks - 15 * kHour, "b");
    put_record(b, 2, 1, 0, 6, 0, clock.ticks - (kHour - 1), "c");
    write_file(b);
    EXPECT_EQ(load_roster(world), 3);
    EXPECT_EQ(tank.fish[0].satiety, 4);
    EXPECT_EQ(tank.fish[0].overfedCount, 4);
    EXPECT_EQ(tank.fish[1].satiety, 0);  // at most ten hours, and not below zero
    EXPECT_EQ(tank.fish[2].satiety, 6);
    // The part-hour is not carried over: the clocks restart now.
    EXPECT_EQ(tank.fish[0].satietyClock, clock.ticks);
    EXPECT_EQ(restored_satiety(3, 0xFFFFF000u, 0x00001000u), 3);  // 8 s across the wrap
    EXPECT_EQ(restored_satiety(8, 5 * kHour, 0), 0);               // a restart of the system
    EXPECT_EQ(restored_satiety(INT32_MIN, 0, 20 * kHour), 0);
}

TEST_F(Roster, SavedFishCloseUpIntoTheFirstSlots) {
    Bytes b(1024, 0);
    put_record(b, 3, 1, 0, 2, 0, clock.ticks, "three");
    put_record(b, 9, 1, 0, 8, 0, clock.ticks, "nine");
    write_file(b);
    EXPECT_EQ(load_roster(world), 2);
    EXPECT_STREQ(tank.fish[0].name, "three");
    EXPECT_STREQ(tank.fish[1].name, "nine");
    EXPECT_EQ(tank.fish[1].satiety, 8);
    EXPECT_EQ(count_fish(tank), 2);
}

TEST_F(Roster, RecordsThatCannotBeUsedAreSkipped) {
    catalog.count = 2;
    catalog.rows[1] = {7, "missing", "", ""};  // its pack is not installed
    Bytes b(1024, 0);
    put_record(b, 0, 2, 0, 1, 0, clock.ticks, "occupied two");
    put_record(b, 1, -1, 0, 1, 0, clock.ticks, "occupied minus one");
    put_record(b, 2, 1, 2, 1, 0, clock.ticks, "past the catalog");
    put_record(b, 3, 1, -5, 1, 0, clock.ticks, "negative kind");
    put_record(b, 4, 1, 1, 1, 0, clock.ticks, "pack gone");
    put_record(b, 5, 1, 0, 1, 0, clock.ticks, "");
    put_record(b, 6, 1, 0, 1, 0, clock.ticks, "twin");
    put_record(b, 7, 1, 0, 2, 0, clock.ticks, "twin");
    write_file(b);
    EXPECT_EQ(load_roster(world), 1);
    EXPECT_STREQ(tank.fish[0].name, "twin");
    EXPECT_EQ(tank.fish[0].satiety, 1);
    std::string why;
    EXPECT_TRUE(check_tank_invariants(tank, &why)) << why;
}

TEST_F(Roster, AShortFileRestoresOnlyWholeRecords) {
    Bytes b(1024, 0);
    put_record(b, 0, 1, 0, 3, 0, clock.ticks, "zero");
    put_record(b, 1, 1, 0, 3, 0, clock.ticks, "one");
    put_record(b, 2, 1, 0, 3, 0, clock.ticks, "two");
    b.resize(2 * 64 + 40);  // record 2 torn before its name
    write_file(b);
    EXPECT_EQ(load_roster(world), 2);
    EXPECT_EQ(find_fish_by_name(tank, "two"), -1);
    reset_fish_slots(tank);
    write_file(Bytes(63, 1));
    EXPECT_EQ(load_roster(world), 0);
    write_file(Bytes());
    EXPECT_EQ(load_roster(world), 0);
}

TEST_F(Roster, ALongerFileIsReadForItsFirst1024Bytes) {
    Bytes b(2048, 0);
    put_record(b, 0, 1, 0, 3, 0, clock.ticks, "first");
    put_record(b, 16, 1, 0, 3, 0, clock.ticks, "beyond");
    write_file(b);
    EXPECT_EQ(load_roster(world), 1);
}

TEST_F(Roster, NoFileRestoresNothing) {
    EXPECT_EQ(load_roster(world), 0);
    EXPECT_EQ(count_fish(tank), 0);
}

TEST_F(Roster, NamesAreReadWithinTheirFieldAndCutToTwentyFourBytes) {
    Bytes b(1024, 0);
    put_record(b, 0, 1, 0, 1, 0, clock.ticks, "abcdefghijklmnopqrstuvwxyz012345", 32);  // no zero
    std::memcpy(&b[64 + 32], "abcdefghijklmnopqrstuvw\x8B\xE0", 25);  // a pair across byte 24
    put32(b, 64, 1);
    put32(b, 64 + 16, clock.ticks);
    b[64 + 8] = 2;
    write_file(b);
    EXPECT_EQ(load_roster(world), 2);
    EXPECT_STREQ(tank.fish[0].name, "abcdefghijklmnopqrstuvwx");
    EXPECT_STREQ(tank.fish[1].name, "abcdefghijklmnopqrstuvw");
    char out[kFishNameMax + 1];
    normalise_saved_name("\x82\xA0\x82", out);  // a lead byte with its pair missing stays one byte
    EXPECT_STREQ(out, "\x82\xA0\x82");
}

TEST_F(Roster, SavingAndLoadingAFullTankKeepsEveryFish) {
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(create_fish(world, 0, i, i * 10, ("f" + std::to_string(i)).c_str()), kOk);
    clear_fish_slot(tank, 4);
    ASSERT_EQ(save_roster(tank), kOk);
    reset_fish_slots(tank);
    EXPECT_EQ(load_roster(world), 9);
    EXPECT_STREQ(tank.fish[4].name, "f5");
    EXPECT_EQ(tank.fish[4].satiety, 5);
    EXPECT_EQ(tank.fish[4].overfedCount, 50);
}

TEST_F(Roster, ABlockedTankIsNeverSavedOverTheRoster) {
    ASSERT_EQ(create_fish(world, 0, 4, 0, "keep"), kOk);
    ASSERT_EQ(save_roster(tank), kOk);
    Bytes saved = file();
    // The rebuild emptied the tank, then failed; the shell blocks saving before shutting down.
    reset_fish_slots(tank);
    tank.rosterSaveBlocked = true;
    EXPECT_EQ(save_roster(tank), kFail);
    EXPECT_EQ(file(), saved);
    tank.rosterSaveBlocked = false;
    EXPECT_EQ(load_roster(world), 1);
    EXPECT_STREQ(tank.fish[0].name, "keep");
}

TEST_F(Roster, AFailedWriteLeavesTheOldRosterWhole) {
    ASSERT_EQ(create_fish(world, 0, 4, 0, "old"), kOk);
    ASSERT_EQ(save_roster(tank), kOk);
    Bytes saved = file();
    // The temporary cannot be made (a non-empty directory stands in its way).
    std::filesystem::create_directory("fishsave.bin.tmp");
    test::write_bytes("fishsave.bin.tmp/x", {1});
    reset_fish_slots(tank);
    EXPECT_EQ(save_roster(tank), kFail);
    EXPECT_EQ(file(), saved);
    std::filesystem::remove_all("fishsave.bin.tmp");
    // The rename cannot replace the target (here a directory): the temporary is cleaned up.
    std::filesystem::create_directory("other.bin");
    test::write_bytes("other.bin/x", {1});
    EXPECT_EQ(save_roster(tank, "other.bin"), kFail);
    EXPECT_FALSE(std::filesystem::exists("other.bin.tmp"));
    EXPECT_EQ(save_roster(tank), kOk);
    EXPECT_EQ(file(), Bytes(1024, 0));
}

TEST_F(Roster, ADiskThatFillsUpLeavesTheOldRosterWholeAndNoTemporary) {
    ASSERT_EQ(create_fish(world, 0, 4, 0, "kept"), kOk);
    test::MemoryFileSystem host;
    host.add_folder("/data");
    LayeredFileSystem files(host, "/data");
    FileSystemScope installed(files);
    ASSERT_EQ(save_roster(tank), kOk);
    const Bytes saved = host.bytes_of("/data/fishsave.bin");
    ASSERT_EQ(saved.size(), 1024u);

    reset_fish_slots(tank);
    host.failFinish = true;  // the bytes are refused only when the temporary is finished
    EXPECT_EQ(save_roster(tank), kFail);
    EXPECT_EQ(host.bytes_of("/data/fishsave.bin"), saved);
    EXPECT_EQ(host.file_paths(), (std::vector<std::string>{"/data/fishsave.bin"}));
}

}  // namespace
}  // namespace brine
