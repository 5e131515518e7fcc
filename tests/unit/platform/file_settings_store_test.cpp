// The Linux settings file store in a temporary XDG_CONFIG_HOME: creation, round trip through
// load and save, damaged and odd files, an unopenable key.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/linux/file_settings_store.h"
#include "shell/app_settings.h"
#include "shell/settings_file_format.h"
#include "tests/support/manual_clock.h"

namespace brine {
namespace {

namespace fs = std::filesystem;

// Points XDG_CONFIG_HOME (and HOME) at a fresh temporary folder for each test.
class FileSettings : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "brine-settings-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        save_env("XDG_CONFIG_HOME", savedXdg, hadXdg);
        save_env("HOME", savedHome, hadHome);
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        setenv("HOME", (root / "home").c_str(), 1);
        file = root / "config" / "Orvane" / "Brinelight Vespera.conf";
        clock.ticks = 5000;
    }
    void TearDown() override {
        restore_env("XDG_CONFIG_HOME", savedXdg, hadXdg);
        restore_env("HOME", savedHome, hadHome);
        std::error_code ec;
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(root, ec);
    }
    static void save_env(const char* name, std::string& value, bool& had) {
        const char* v = std::getenv(name);
        had = v != nullptr;
        if (had) value = v;
    }
    static void restore_env(const char* name, const std::string& value, bool had) {
        if (had) setenv(name, value.c_str(), 1);
        else unsetenv(name);
    }
    static std::string read_text(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    static void write_text(const fs::path& p, const std::string& text) {
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
    }
    AppSettings load() {
        FileSettingsStore store;
        AppSettings s;
        load_settings(s, store, clock);
        return s;
    }

    fs::path root, file;
    std::string savedXdg, savedHome;
    bool hadXdg = false, hadHome = false;
    test::ManualClock clock;
};

TEST_F(FileSettings, PathFollowsTheXdgConfigFolderOrHome) {
    EXPECT_EQ(default_settings_file_path(), file.string());
    setenv("XDG_CONFIG_HOME", (root / "cfg/").c_str(), 1);
    EXPECT_EQ(default_settings_file_path(), (root / "cfg" / "Orvane" / "Brinelight Vespera.conf").string());
    setenv("XDG_CONFIG_HOME", "relative/dir", 1);  // not absolute: ignored
    EXPECT_EQ(default_settings_file_path(), (root / "home" / ".config" / "Orvane" / "Brinelight Vespera.conf").string());
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(default_settings_file_path(), (root / "home" / ".config" / "Orvane" / "Brinelight Vespera.conf").string());
}

TEST_F(FileSettings, FirstLoadGivesDefaultsAndCreatesTheFileWithItsFolders) {
    const AppSettings s = load();
    EXPECT_EQ(s.qualityIndex, 1);
    EXPECT_STREQ(s.wallpaperFile, "bg_sprite1.jpg");
    EXPECT_EQ(s.unlockClock, 5000u);
    ASSERT_TRUE(fs::is_regular_file(file));
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const std::string text = read_text(file);
    SettingsValueTable values;
    parse_settings_file(text.data(), text.size(), values);
    EXPECT_TRUE(values.values().empty()) << text;  // loading stores nothing
}

TEST_F(FileSettings, SaveAndLoadRoundTripThroughTheFile) {
    AppSettings s = load();
    s.showNames = 1;
    s.wallpaperMode = 1008;
    std::strcpy(s.wallpaperFile, "/home/u/\x8B\xE0\x8B\x9B.png");
    s.unlockClock = 0xFFFFFFFEu;
    s.qualityIndex = 4;
    {
        FileSettingsStore store;
        save_settings(s, store);
    }
    const std::string text = read_text(file);
    EXPECT_NE(text.find("\nNAMES=dword:00000001\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nSATIETY=dword:00000000\n"), std::string::npos);
    EXPECT_NE(text.find("\nWALLTYPE=dword:000003f0\n"), std::string::npos);
    EXPECT_NE(text.find("\nSTARTUP=dword:fffffffe\n"), std::string::npos);
    EXPECT_NE(text.find("\nBBSIZE=dword:00000004\n"), std::string::npos);

    const AppSettings back = load();
    EXPECT_EQ(back.showNames, 1);
    EXPECT_EQ(back.wallpaperMode, 1008);
    EXPECT_STREQ(back.wallpaperFile, s.wallpaperFile);
    EXPECT_EQ(back.unlockClock, 0xFFFFFFFEu);
    EXPECT_EQ(back.backBufferWidth, 1600);

    // Only the settings file is left in the folder: the temporary was renamed over it.
    int entries = 0;
    for (const auto& e : fs::directory_iterator(file.parent_path())) {
        ++entries;
        EXPECT_EQ(e.path(), file);
    }
    EXPECT_EQ(entries, 1);
}

TEST_F(FileSettings, ValuesOfOtherNamesSurviveASave) {
    write_text(file, "KEEP=hex(7):0a0b\nBBSIZE=dword:00000002\n");
    AppSettings s = load();
    EXPECT_EQ(s.qualityIndex, 2);
    FileSettingsStore store;
    save_settings(s, store);
    EXPECT_NE(read_text(file).find("\nKEEP=hex(7):0a0b\n"), std::string::npos);
}

TEST_F(FileSettings, DamagedFilesReadAsAbsentValuesAndAreReplacedOnSave) {
    std::string binary(4096, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 131 + 7);
    for (const std::string& junk : {binary, std::string("NAMES=dword:zz\nBBSIZE=\n"),
                                    std::string(kMaxSettingsFileBytes + 10, 'x'),
                                    "NAMES=dword:00000001\n" + std::string(kMaxSettingsFileBytes, '#')}) {
        write_text(file, junk);
        AppSettings s = load();
        EXPECT_EQ(s.showNames, 0);
        EXPECT_EQ(s.qualityIndex, 1);
        EXPECT_STREQ(s.wallpaperFile, "bg_sprite1.jpg");
        s.qualityIndex = 3;
        FileSettingsStore store;
        save_settings(s, store);
        EXPECT_EQ(load().qualityIndex, 3);
    }
}

TEST_F(FileSettings, SomethingOtherThanAFileReadsAsAbsentWithoutBlocking) {
    fs::create_directories(file.parent_path());
    ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);  // opening it for reading must not wait for a writer
    EXPECT_EQ(load().qualityIndex, 1);
    fs::remove(file);
    fs::create_directories(file);
    FileSettingsStore store;
    ASSERT_EQ(store.open_key(), kOk);
    std::uint32_t size = 0;
    EXPECT_EQ(store.query_value("BBSIZE", nullptr, nullptr, &size), kSettingsNotFound);
    const std::uint8_t one[4] = {1, 0, 0, 0};
    EXPECT_EQ(store.set_value("BBSIZE", kRegDword, one, 4), kOk);
    EXPECT_EQ(store.close_key(), kFail);  // a folder is in the way: reported, nothing lost on disk
    EXPECT_TRUE(fs::is_directory(file));
}

TEST_F(FileSettings, UnopenableKeyGivesDefaultsAndSaveWritesNothing) {
    write_text(root / "blocker", "not a folder");
    setenv("XDG_CONFIG_HOME", (root / "blocker").c_str(), 1);
    FileSettingsStore store;
    EXPECT_LT(store.open_key(), 0);
    AppSettings s;
    s.qualityIndex = 0;
    load_settings(s, store, clock);
    EXPECT_EQ(s.qualityIndex, 1);
    EXPECT_EQ(s.unlockClock, 5000u);
    s.showNames = 1;
    save_settings(s, store);
    EXPECT_EQ(read_text(root / "blocker"), "not a folder");
}

TEST_F(FileSettings, CallsOnAClosedKeyFailAndAnUnchangedKeyIsNotRewritten) {
    FileSettingsStore store;
    std::uint32_t size = 0;
    EXPECT_EQ(store.query_value("NAMES", nullptr, nullptr, &size), kSettingsNotOpen);
    EXPECT_EQ(store.set_value("NAMES", kRegDword, nullptr, 0), kSettingsNotOpen);
    EXPECT_EQ(store.close_key(), kSettingsNotOpen);

    write_text(file, "NAMES=dword:00000001\n");
    struct stat before {};
    ASSERT_EQ(stat(file.c_str(), &before), 0);
    ASSERT_EQ(store.open_key(), kOk);
    EXPECT_EQ(store.close_key(), kOk);
    struct stat after {};
    ASSERT_EQ(stat(file.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);  // loading alone leaves the file as it was
}

TEST_F(FileSettings, ValuesSetButNotClosedAreKeptWhenTheStoreGoesAway) {
    {
        FileSettingsStore store;
        ASSERT_EQ(store.open_key(), kOk);
        const std::uint8_t two[4] = {2, 0, 0, 0};
        store.set_value("BBSIZE", kRegDword, two, 4);
    }
    EXPECT_EQ(load().qualityIndex, 2);
}

}  // namespace
}  // namespace brine
