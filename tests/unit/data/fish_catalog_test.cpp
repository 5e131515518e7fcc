#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "data/fish_catalog.h"
#include "data/pack_format.h"
#include "data/pack_writer.h"
#include "tests/support/manual_clock.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/scripted_message_boxes.h"

namespace brine {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kHour = kMillisecondsPerHour;
// "が飼育可能になりました" and "情報"
const std::string kUnlockedSuffix =
    "\x82\xAA\x8E\x94\x88\xE7\x89\xC2\x94\x5C\x82\xC9\x82\xC8\x82\xE8\x82\xDC\x82\xB5\x82\xBD";
const std::string kInformation = "\x8F\xEE\x95\xF1";

struct Kind {
    std::string model, kind, name;
    int hours;
};

std::string header_text(const std::vector<Kind>& kinds) {
    std::string text = std::to_string(kinds.size()) + "\r\n";
    for (const Kind& k : kinds)
        text += k.model + "," + k.kind + "," + k.name + "," + std::to_string(k.hours) + "\r\n";
    return text;
}

void write_fish_pack(int number, const std::string& headerText) {
    std::string reason;
    std::vector<PackMember> members = {{"header.bin", {headerText.begin(), headerText.end()}}};
    ASSERT_EQ(write_pack_file("object/fish" + std::to_string(number) + ".pak", members, &reason), kOk) << reason;
}

std::vector<std::int32_t> ledger(int number) {
    std::vector<unsigned char> raw = test::read_bytes("object/fish" + std::to_string(number) + ".dat");
    std::vector<std::int32_t> values;
    for (std::size_t i = 0; i + 4 <= raw.size(); i += 4)
        values.push_back(static_cast<std::int32_t>(read_le32(raw.data() + i)));
    return values;
}

void write_ledger(int number, const std::vector<std::int32_t>& values) {
    std::vector<unsigned char> raw(values.size() * 4);
    for (std::size_t i = 0; i < values.size(); ++i) write_le32(raw.data() + 4 * i, static_cast<std::uint32_t>(values[i]));
    test::write_bytes("object/fish" + std::to_string(number) + ".dat", raw);
}

class CatalogTest : public ::testing::Test {
protected:
    CatalogTest() : cd(dir.path()) { fs::create_directory("object"); }

    bool build() { return build_catalog(catalog, unlockClock, clock, boxes); }
    std::vector<std::string> models() const {
        std::vector<std::string> out;
        for (int i = 0; i < catalog.count; ++i) out.push_back(catalog.rows[i].modelName);
        return out;
    }

    test::ScratchDir dir;
    test::CurrentDirGuard cd;
    FishCatalog catalog;
    std::uint32_t unlockClock = 0;
    test::ManualClock clock;
    test::ScriptedMessageBoxes boxes;
};

TEST_F(CatalogTest, NoPackMeansFailure) {
    EXPECT_FALSE(build());
    test::write_text("object/fishX.pak", "MRP");
    EXPECT_FALSE(build());
    fs::remove_all("object");
    EXPECT_FALSE(build());
}

TEST_F(CatalogTest, KindsWithoutHoursAreAddedAtEveryBuildSilently) {
    write_fish_pack(1, header_text({{"fishA", "\x97\xA4\x8B\xE0", "\x82\xBF\x82\xE1\x82\xF1", 0},  // 琉金, ちゃん
                                    {"fishB", "Kind B", "Bee", 0}}));
    clock.ticks = 5000;
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_TRUE(build());
        ASSERT_EQ(catalog.count, 2);
        EXPECT_EQ(catalog.rows[0].packNumber, 1);
        EXPECT_EQ(catalog.rows[0].modelName, "fishA");
        EXPECT_EQ(catalog.rows[0].kindName, "\x97\xA4\x8B\xE0");
        EXPECT_EQ(catalog.rows[0].defaultFishName, "\x82\xBF\x82\xE1\x82\xF1");
        EXPECT_EQ(catalog.rows[1].kindName, "Kind B");
    }
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(ledger(1), (std::vector<std::int32_t>{0, 0}));
    EXPECT_EQ(unlockClock, 0u);  // nothing held back: the reference never moved
}

TEST_F(CatalogTest, HeldBackKindUnlocksAfterItsHoursWithOneMessage) {
    write_fish_pack(1, header_text({{"open", "Open", "o", 0}, {"late", "Late kind", "l", 2}}));
    clock.ticks = 1000;
    ASSERT_TRUE(build());  // new ledger: the held-back kind waits, the reference starts now
    EXPECT_EQ(models(), (std::vector<std::string>{"open"}));
    EXPECT_EQ(ledger(1), (std::vector<std::int32_t>{0, 2}));
    EXPECT_EQ(unlockClock, 1000u);
    EXPECT_TRUE(catalog.rows[1].modelName.empty());  // the dropped row was emptied

    clock.ticks = 1000 + 2 * kHour - 1;
    ASSERT_TRUE(build());
    EXPECT_EQ(catalog.count, 1);
    EXPECT_TRUE(boxes.shown.empty());

    clock.ticks = 1000 + 2 * kHour;
    ASSERT_TRUE(build());
    EXPECT_EQ(models(), (std::vector<std::string>{"open", "late"}));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Late kind" + kUnlockedSuffix);
    EXPECT_EQ(boxes.shown[0].caption, kInformation);
    EXPECT_EQ(boxes.shown[0].style, kMbOk | kMbIconInformation);
    EXPECT_FALSE(boxes.shown[0].owned);
    EXPECT_EQ(ledger(1), (std::vector<std::int32_t>{0, 0}));
    EXPECT_EQ(unlockClock, 1000 + 2 * kHour);

    clock.ticks += 10;
    ASSERT_TRUE(build());
    EXPECT_EQ(catalog.count, 2);
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(CatalogTest, OneUnlockPerBuildBecauseTheReferenceResets) {
    write_fish_pack(1, header_text({{"a", "A", "a", 1}, {"b", "B", "b", 1}}));
    ASSERT_TRUE(build());
    EXPECT_EQ(catalog.count, 0);
    clock.ticks += 5 * kHour;
    ASSERT_TRUE(build());
    EXPECT_EQ(models(), (std::vector<std::string>{"a"}));
    clock.ticks += kHour;
    ASSERT_TRUE(build());
    EXPECT_EQ(models(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(CatalogTest, ElapsedHoursAreASigned32BitDifference) {
    write_fish_pack(1, header_text({{"a", "A", "a", 2}}));
    write_ledger(1, {2});
    unlockClock = 0xFFFFFFFFu - kHour;  // set just before the tick counter wrapped
    clock.ticks = kHour + 1;
    ASSERT_TRUE(build());
    EXPECT_EQ(catalog.count, 1);

    write_ledger(1, {2});
    unlockClock = clock.ticks + 3 * kHour;  // a reference ahead of the counter: negative hours
    ASSERT_TRUE(build());
    EXPECT_EQ(catalog.count, 0);
}

TEST_F(CatalogTest, DeletingALedgerMakesKindsWaitAgain) {
    write_fish_pack(1, header_text({{"a", "A", "a", 3}}));
    write_ledger(1, {0});
    ASSERT_TRUE(build());
    EXPECT_EQ(catalog.count, 1);
    fs::remove("object/fish1.dat");
    clock.ticks = 777;
    ASSERT_TRUE(build());
    EXPECT_EQ(catalog.count, 0);
    EXPECT_EQ(ledger(1), (std::vector<std::int32_t>{3}));
    EXPECT_EQ(unlockClock, 777u);
}

TEST_F(CatalogTest, TableStopsAt256RowsAndLeavesLaterPacksUnread) {
    for (int p = 1; p <= 4; ++p) {
        std::vector<Kind> kinds;
        for (int k = 0; k < (p < 4 ? 100 : 10); ++k)
            kinds.push_back({"m" + std::to_string(p) + "_" + std::to_string(k), "K", "N", 0});
        write_fish_pack(p, header_text(kinds));
    }
    ASSERT_TRUE(build());
    EXPECT_EQ(catalog.count, 256);
    EXPECT_EQ(catalog.rows[255].modelName, "m3_55");
    EXPECT_EQ(catalog.rows[255].packNumber, 3);
    EXPECT_EQ(ledger(3).size(), 56u);  // stopped at once, mid-pack
    EXPECT_FALSE(fs::exists("object/fish4.dat"));
}

TEST_F(CatalogTest, ShortLedgerTreatsMissingKindsAsNewWithoutMovingOthers) {
    write_fish_pack(1, header_text({{"a", "A", "a", 0}, {"b", "B", "b", 5}, {"c", "C", "c", 3}}));
    write_ledger(1, {0, 0});  // b was unlocked before c joined the pack
    clock.ticks = 42;
    ASSERT_TRUE(build());
    EXPECT_EQ(models(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(ledger(1), (std::vector<std::int32_t>{0, 0, 3}));
    EXPECT_EQ(unlockClock, 42u);
    EXPECT_TRUE(boxes.shown.empty());

    // A torn last value (2 of its 4 bytes) is rewritten whole in place.
    test::write_bytes("object/fish1.dat", {0, 0, 0, 0, 0, 0, 0, 0, 9, 9});
    ASSERT_TRUE(build());
    EXPECT_EQ(ledger(1), (std::vector<std::int32_t>{0, 0, 3}));
    EXPECT_EQ(test::read_bytes("object/fish1.dat").size(), 12u);
}

TEST_F(CatalogTest, PackNumbersComeFromTheFileNames) {
    write_fish_pack(1, header_text({{"one", "1", "1", 0}}));
    write_fish_pack(3, header_text({{"three", "3", "3", 0}}));
    write_fish_pack(12, header_text({{"twelve", "12", "12", 0}}));
    test::write_text("object/fish02.pak", "not counted");
    test::write_text("object/fish2.pak", "not a pack");  // unreadable: skipped, number 2 unused
    ASSERT_TRUE(build());
    ASSERT_EQ(catalog.count, 3);
    EXPECT_EQ(catalog.rows[0].packNumber, 1);
    EXPECT_EQ(catalog.rows[1].packNumber, 3);
    EXPECT_EQ(catalog.rows[1].modelName, "three");
    EXPECT_EQ(catalog.rows[2].packNumber, 12);
    EXPECT_FALSE(fs::exists("object/fish2.dat"));
}

TEST_F(CatalogTest, MalformedHeadersStayBoundedAndDefined) {
    // Count not a number: no kinds.
    write_fish_pack(1, "many\r\na,A,a,0\r\n");
    ASSERT_TRUE(build());
    EXPECT_EQ(catalog.count, 0);

    // A count far beyond the rows present adds the rows there are and no empty kinds.
    write_fish_pack(1, "2000000000\r\na,A,a,0\r\nb,B,b,0\r\n");
    fs::remove("object/fish1.dat");
    ASSERT_TRUE(build());
    EXPECT_EQ(models(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(ledger(1).size(), 2u);

    // Negative count: nothing.
    write_fish_pack(1, "-3\r\na,A,a,0\r\n");
    ASSERT_TRUE(build());
    EXPECT_EQ(catalog.count, 0);

    // A last line without its CR LF keeps its hours; non-numeric hours mean none.
    write_fish_pack(1, "3\r\n  a b ,A,a,xyz\r\nb,B,b, 4\r\nc,C,c,6");
    fs::remove("object/fish1.dat");
    ASSERT_TRUE(build());
    EXPECT_EQ(models(), (std::vector<std::string>{"a b "}));
    EXPECT_EQ(ledger(1), (std::vector<std::int32_t>{0, 4, 6}));

    // A field that runs into the end takes the bytes read so far.
    write_fish_pack(1, "1\r\nmodel,Kind,Na");
    fs::remove("object/fish1.dat");
    ASSERT_TRUE(build());
    ASSERT_EQ(catalog.count, 1);
    EXPECT_EQ(catalog.rows[0].defaultFishName, "Na");

    // A pack without "header.bin".
    std::string reason;
    ASSERT_EQ(write_pack_file("object/fish1.pak", {{"other.bin", {'1'}}}, &reason), kOk);
    ASSERT_TRUE(build());
    EXPECT_EQ(catalog.count, 0);
}

TEST(CatalogPaths, LedgerLiesBesideThePack) {
    EXPECT_EQ(ledger_path_for("object\\fish1.pak"), "object\\fish1.dat");
    EXPECT_EQ(ledger_path_for("object\\fish12.pak"), "object\\fish12.dat");
}

}  // namespace
}  // namespace brine
