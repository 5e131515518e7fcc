// Settings load and save on the in-memory store: defaults, stored values, the two-step read's
// bounds, and a key that cannot be opened.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "shell/app_settings.h"
#include "tests/support/manual_clock.h"
#include "tests/support/memory_settings_store.h"

namespace brine {
namespace {

using test::ManualClock;
using test::MemorySettingsStore;

class Settings : public ::testing::Test {
protected:
    Settings() { clock.ticks = 123456; }
    AppSettings load() {
        AppSettings s;
        load_settings(s, store, clock);
        return s;
    }
    MemorySettingsStore store;
    ManualClock clock;
};

TEST_F(Settings, FreshUserGetsTheDefaultsAndTheKeyIsCreated) {
    const AppSettings s = load();
    EXPECT_EQ(s.showNames, 0);
    EXPECT_EQ(s.showSatiety, 0);
    EXPECT_EQ(s.wallpaperMode, 1007);
    EXPECT_STREQ(s.wallpaperFile, "bg_sprite1.jpg");
    EXPECT_EQ(s.unlockClock, 123456u);
    EXPECT_EQ(s.qualityIndex, 1);
    EXPECT_EQ(s.backBufferWidth, 800);
    EXPECT_EQ(s.backBufferHeight, 600);
    EXPECT_TRUE(store.keyExists);
    EXPECT_FALSE(store.isOpen);
    EXPECT_EQ(store.openCalls, 1);
    EXPECT_EQ(store.closeCalls, 1);
    EXPECT_EQ(store.setCalls, 0);  // loading writes nothing back
}

TEST_F(Settings, ReadsEachValueInOrderOfferingOnlyItsDestinationsRoom) {
    store.put_dword("NAMES", 1);
    store.put_dword("SATIETY", 1);
    store.put_dword("WALLTYPE", 1008);
    store.put_bytes("WALLFILE", kRegBinary, "sea.png");
    store.put_dword("STARTUP", 42);
    store.put_dword("BBSIZE", 3);
    const AppSettings s = load();
    EXPECT_EQ(s.showNames, 1);
    EXPECT_EQ(s.showSatiety, 1);
    EXPECT_EQ(s.wallpaperMode, 1008);
    EXPECT_STREQ(s.wallpaperFile, "sea.png");
    EXPECT_EQ(s.unlockClock, 42u);
    EXPECT_EQ(s.qualityIndex, 3);
    EXPECT_EQ(s.backBufferWidth, 1280);
    EXPECT_EQ(s.backBufferHeight, 1024);
    ASSERT_EQ(store.dataReads.size(), 6u);
    const char* order[] = {"NAMES", "SATIETY", "WALLTYPE", "WALLFILE", "STARTUP", "BBSIZE"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(store.dataReads[i].name, order[i]);
        EXPECT_LE(store.dataReads[i].room, i == 3 ? 259u : 4u) << order[i];
    }
}

TEST_F(Settings, OnlyAStoredOneShowsACaptionAndSaveWritesItBackAsZero) {
    store.put_dword("NAMES", 2);
    store.put_bytes("SATIETY", kRegBinary, std::string("\x01\x00\x00\x00", 4));  // type not looked at
    AppSettings s = load();
    EXPECT_EQ(s.showNames, 0);
    EXPECT_EQ(s.showSatiety, 1);
    save_settings(s, store);
    EXPECT_EQ(store.dword_of("NAMES"), 0u);
    EXPECT_EQ(store.type_of("SATIETY"), kRegDword);
    EXPECT_EQ(store.dword_of("SATIETY"), 1u);
}

TEST_F(Settings, QualityIndexSelectsTheBackBufferAndUnknownIndexesKeep640x480) {
    const std::int32_t sizes[5][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}, {1600, 1200}};
    for (std::uint32_t i = 0; i < 5; ++i) {
        store.put_dword("BBSIZE", i);
        const AppSettings s = load();
        EXPECT_EQ(s.qualityIndex, static_cast<std::int32_t>(i));
        EXPECT_EQ(s.backBufferWidth, sizes[i][0]);
        EXPECT_EQ(s.backBufferHeight, sizes[i][1]);
    }
    for (std::uint32_t stored : {7u, 5u, 0xFFFFFFFFu}) {
        store.put_dword("BBSIZE", stored);
        AppSettings s;
        s.backBufferWidth = 1600;  // a previous size does not survive an unknown index
        s.backBufferHeight = 1200;
        load_settings(s, store, clock);
        EXPECT_EQ(s.qualityIndex, static_cast<std::int32_t>(stored));
        EXPECT_EQ(s.backBufferWidth, 640);
        EXPECT_EQ(s.backBufferHeight, 480);
        save_settings(s, store);
        EXPECT_EQ(store.dword_of("BBSIZE"), stored);  // kept as it was, no range check
    }
}

TEST_F(Settings, EmptyWallpaperValueIsAnEmptyPathNotTheDefault) {
    store.put_bytes("WALLFILE", kRegBinary, "");
    AppSettings s;
    std::memset(s.wallpaperFile, 'x', sizeof s.wallpaperFile);
    load_settings(s, store, clock);
    EXPECT_STREQ(s.wallpaperFile, "");
}

TEST_F(Settings, WallpaperPathRoundTripsWithoutTerminator) {
    AppSettings s = load();
    const std::string path = "C:\\walls\\\x8B\xE0\x8B\x9B.png";  // C:\walls\金魚.png
    std::memset(s.wallpaperFile, 0, sizeof s.wallpaperFile);
    std::memcpy(s.wallpaperFile, path.data(), path.size());
    save_settings(s, store);
    EXPECT_EQ(store.type_of("WALLFILE"), kRegBinary);
    EXPECT_EQ(store.bytes_of("WALLFILE"), path);

    AppSettings again;
    std::memset(again.wallpaperFile, 'x', sizeof again.wallpaperFile);
    load_settings(again, store, clock);
    EXPECT_EQ(std::string(again.wallpaperFile), path);
    for (std::size_t i = path.size(); i < sizeof again.wallpaperFile; ++i) ASSERT_EQ(again.wallpaperFile[i], 0);
}

TEST_F(Settings, LongestPathFitsAndOneByteMoreReadsAsAbsent) {
    store.put_bytes("WALLFILE", kRegBinary, std::string(259, 'p'));
    EXPECT_EQ(std::string(load().wallpaperFile), std::string(259, 'p'));
    store.put_bytes("WALLFILE", kRegBinary, std::string(260, 'p'));
    EXPECT_STREQ(load().wallpaperFile, "bg_sprite1.jpg");
    store.put_bytes("WALLFILE", kRegBinary, std::string(2000, 'p'));
    EXPECT_STREQ(load().wallpaperFile, "bg_sprite1.jpg");
}

TEST_F(Settings, OversizeNumbersReadAsAbsentAndShortOnesAreZeroExtended) {
    const std::string eight("\x01\x00\x00\x00\x00\x00\x00\x00", 8);
    for (const char* name : {"NAMES", "SATIETY", "WALLTYPE", "STARTUP", "BBSIZE"})
        store.put_bytes(name, kRegDword, eight);
    AppSettings s = load();
    EXPECT_EQ(s.showNames, 0);
    EXPECT_EQ(s.showSatiety, 0);
    EXPECT_EQ(s.wallpaperMode, 1007);
    EXPECT_EQ(s.unlockClock, 123456u);
    EXPECT_EQ(s.qualityIndex, 1);

    store.put_bytes("WALLTYPE", kRegDword, std::string("\xF0\x03", 2));  // 1008
    store.put_bytes("NAMES", kRegDword, std::string("\x01", 1));
    store.put_bytes("BBSIZE", kRegDword, "");  // present with no bytes: 0
    s = load();
    EXPECT_EQ(s.wallpaperMode, 1008);
    EXPECT_EQ(s.showNames, 1);
    EXPECT_EQ(s.qualityIndex, 0);
    EXPECT_EQ(s.backBufferWidth, 640);
}

// A store whose value grows between the size query and the read.
class GrowingStore : public MemorySettingsStore {
public:
    HResult query_value(const char* name, std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) override {
        if (data == nullptr && size != nullptr && isOpen) {
            const HResult r = MemorySettingsStore::query_value(name, type, data, size);
            put_bytes(name, kRegDword, std::string(600, '\x7F'));
            return r;
        }
        return MemorySettingsStore::query_value(name, type, data, size);
    }
};

TEST(SettingsRace, ValueThatGrowsBetweenTheTwoReadsIsAbsent) {
    GrowingStore store;
    ManualClock clock;
    clock.ticks = 9;
    for (const char* name : {"NAMES", "SATIETY", "WALLTYPE", "STARTUP", "BBSIZE"}) store.put_dword(name, 1);
    store.put_bytes("WALLFILE", kRegBinary, "a.png");
    AppSettings s;
    load_settings(s, store, clock);
    EXPECT_EQ(s.showNames, 0);
    EXPECT_EQ(s.wallpaperMode, 1007);
    EXPECT_STREQ(s.wallpaperFile, "bg_sprite1.jpg");
    EXPECT_EQ(s.unlockClock, 9u);
    EXPECT_EQ(s.qualityIndex, 1);
}

TEST_F(Settings, KeyThatCannotBeOpenedGivesDefaultsAndSaveStoresNothing) {
    store.put_dword("NAMES", 1);
    store.put_dword("BBSIZE", 4);
    store.openFails = true;
    AppSettings s = load();
    EXPECT_EQ(s.showNames, 0);
    EXPECT_EQ(s.qualityIndex, 1);
    EXPECT_EQ(s.backBufferWidth, 800);
    EXPECT_STREQ(s.wallpaperFile, "bg_sprite1.jpg");
    EXPECT_EQ(s.unlockClock, 123456u);
    EXPECT_EQ(store.queryCalls, 0);
    EXPECT_EQ(store.closeCalls, 0);

    s.showNames = 1;
    s.qualityIndex = 0;
    save_settings(s, store);
    EXPECT_EQ(store.setCalls, 0);
    EXPECT_EQ(store.dword_of("BBSIZE"), 4u);
    EXPECT_EQ(store.closeCalls, 0);
}

TEST_F(Settings, SaveWritesAllSixInOrderWithTheirTypesAndCloses) {
    AppSettings s;
    s.showNames = 5;  // any nonzero is stored as 1
    s.showSatiety = 0;
    s.wallpaperMode = 1008;
    std::strcpy(s.wallpaperFile, "bg.bmp");
    s.unlockClock = 0xFFFFFFF0u;
    s.qualityIndex = 2;
    save_settings(s, store);
    const std::vector<std::string> order = {"NAMES", "SATIETY", "WALLTYPE", "WALLFILE", "STARTUP", "BBSIZE"};
    EXPECT_EQ(store.writeOrder, order);
    for (const std::string& name : order)
        EXPECT_EQ(store.type_of(name.c_str()), name == "WALLFILE" ? kRegBinary : kRegDword) << name;
    EXPECT_EQ(store.dword_of("NAMES"), 1u);
    EXPECT_EQ(store.dword_of("SATIETY"), 0u);
    EXPECT_EQ(store.dword_of("WALLTYPE"), 1008u);
    EXPECT_EQ(store.bytes_of("WALLFILE"), "bg.bmp");
    EXPECT_EQ(store.dword_of("STARTUP"), 0xFFFFFFF0u);
    EXPECT_EQ(store.dword_of("BBSIZE"), 2u);
    EXPECT_FALSE(store.isOpen);

    const AppSettings back = load();
    EXPECT_EQ(back.unlockClock, 0xFFFFFFF0u);
    EXPECT_EQ(back.backBufferWidth, 1024);
}

TEST_F(Settings, UnterminatedPathBufferSavesAtMost259Bytes) {
    AppSettings s;
    std::memset(s.wallpaperFile, 'q', sizeof s.wallpaperFile);
    save_settings(s, store);
    EXPECT_EQ(store.bytes_of("WALLFILE"), std::string(259, 'q'));
    EXPECT_EQ(std::string(load().wallpaperFile), std::string(259, 'q'));
}

}  // namespace
}  // namespace brine
