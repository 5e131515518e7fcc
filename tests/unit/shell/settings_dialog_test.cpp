// The settings dialog driven as a user would through the scripted Ui: what it shows, what OK
// applies and saves in which order, and the failures of the image load and of the rebuild.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "resources/dialogs.h"
#include "resources/resource_ids.h"
#include "shell/settings_dialog.h"
#include "shell/shell_texts.h"
#include "tests/support/fake_aquarium.h"
#include "tests/support/memory_settings_store.h"
#include "tests/support/scripted_ui.h"

namespace brine {
namespace {

class RecordingDisplayLoss : public DisplayLossHandler {
public:
    explicit RecordingDisplayLoss(std::vector<std::string>& log) : log_(log) {}
    void end_after_display_loss() override { log_.push_back("end_after_display_loss"); }

private:
    std::vector<std::string>& log_;
};

class SettingsDialogTest : public ::testing::Test {
protected:
    SettingsDialogTest() : ui(&log), aquarium(&log), loss(log) {
        std::strcpy(settings.wallpaperFile, "C:\\pictures\\sea.jpg");
        settings.qualityIndex = 1;
        back_buffer_size_for(1, &settings.backBufferWidth, &settings.backBufferHeight);
    }
    int run(test::ScriptedUi::DialogScript script) {
        ui.dialogScripts.push_back(std::move(script));
        SettingsDialog dialog(ui, settings, store, aquarium, loss);
        return ui.run_dialog(kConfigDialog, dialog);
    }
    const test::ScriptedDialog& shown() const { return ui.dialogs.back(); }

    std::vector<std::string> log;
    test::ScriptedUi ui;
    test::FakeAquarium aquarium;
    RecordingDisplayLoss loss;
    test::MemorySettingsStore store;
    AppSettings settings;
};

TEST_F(SettingsDialogTest, ShowsTheCurrentSettings) {
    settings.wallpaperMode = kWallpaperTile;
    settings.qualityIndex = 3;
    EXPECT_EQ(run([](test::ScriptedDialog&) {}), kIdCancel);
    const auto& combo = shown().combo(kIdQualityCombo);
    ASSERT_EQ(combo.items.size(), 5u);
    EXPECT_EQ(combo.items[0], "VGA(640x480)");
    EXPECT_EQ(combo.items[4], "UXGA(1600x1200)");
    EXPECT_EQ(combo.selection, 3);
    EXPECT_EQ(shown().text(kIdWallpaperName), "sea.jpg");
    EXPECT_FALSE(shown().checks.at(kIdStretchRadio));
    EXPECT_TRUE(shown().checks.at(kIdTileRadio));
    EXPECT_FALSE(shown().initAnswer);
}

TEST_F(SettingsDialogTest, FileNamesWithTrailByteBackslashAndWithoutFolder) {
    std::strcpy(settings.wallpaperFile, "C:\\\x95\\\\\x95\\.jpg");  // C:\表\表.jpg: 0x5C as a trail byte
    run([](test::ScriptedDialog&) {});
    EXPECT_EQ(shown().text(kIdWallpaperName), "\x95\\.jpg");
    std::strcpy(settings.wallpaperFile, kDefaultWallpaperFile);
    run([](test::ScriptedDialog&) {});
    EXPECT_EQ(shown().text(kIdWallpaperName), "bg_sprite1.jpg");
}

TEST_F(SettingsDialogTest, OkWithoutChangeReloadsTheImageAndSavesButRebuildsNothing) {
    EXPECT_EQ(run([](test::ScriptedDialog& d) { d.press_ok(); }), kIdOk);
    EXPECT_EQ(log, (std::vector<std::string>{"dialog:RES_DLG_CONFIG", "load_wallpaper:C:\\pictures\\sea.jpg",
                                             "dialog_end:RES_DLG_CONFIG"}));
    EXPECT_EQ(store.writeOrder.size(), 6u);
    EXPECT_EQ(store.dword_of("BBSIZE"), 1u);
    EXPECT_EQ(store.bytes_of("WALLFILE"), "C:\\pictures\\sea.jpg");
}

TEST_F(SettingsDialogTest, BrowseAsksForAnImageAndKeepsTheCurrentDirectory) {
    const auto here = std::filesystem::current_path();
    ui.browseInto = std::filesystem::temp_directory_path();
    ui.fileChoices.push_back(std::string("D:\\art\\reef.png"));
    run([](test::ScriptedDialog& d) {
        d.click(kIdBrowse);
        d.press_ok();
    });
    EXPECT_EQ(std::filesystem::current_path(), here);
    ASSERT_EQ(ui.fileDialogs.size(), 1u);
    const auto& call = ui.fileDialogs[0];
    EXPECT_TRUE(call.ownerIsDialog);
    EXPECT_EQ(call.title, kWallpaperDialogTitle);
    EXPECT_EQ(call.defaultExtension, "bmp");
    EXPECT_EQ(call.flags, 0x1004u);  // OFN_FILEMUSTEXIST | OFN_HIDEREADONLY
    EXPECT_EQ(call.initialPath, "C:\\pictures\\sea.jpg");
    EXPECT_EQ(call.pathSize, 260u);
    ASSERT_EQ(call.filters.size(), 8u);
    EXPECT_EQ(call.filters[1], "*.bmp;*.dib;*.jpg;*.jpe;*.jpeg;*.png");
    EXPECT_EQ(call.filters[2], "BMP\xCC\xA7\xB2\xD9(*.bmp;*.dib)");
    EXPECT_EQ(call.filters[7], "*.png");
    EXPECT_EQ(shown().text(kIdWallpaperName), "reef.png");
    EXPECT_STREQ(settings.wallpaperFile, "D:\\art\\reef.png");
}

TEST_F(SettingsDialogTest, CancelAfterBrowsingChangesNothing) {
    ui.fileChoices.push_back(std::string("D:\\art\\reef.png"));
    EXPECT_EQ(run([](test::ScriptedDialog& d) {
                  d.click(kIdBrowse);
                  d.click(kIdTileRadio);
                  d.pick(kIdQualityCombo, 4);
                  d.press_cancel();
              }),
              kIdCancel);
    EXPECT_STREQ(settings.wallpaperFile, "C:\\pictures\\sea.jpg");
    EXPECT_EQ(settings.wallpaperMode, kWallpaperStretch);
    EXPECT_EQ(settings.qualityIndex, 1);
    EXPECT_EQ(store.setCalls, 0);
}

TEST_F(SettingsDialogTest, BrowseCancelledKeepsTheShownName) {
    ui.fileChoices.push_back(std::nullopt);
    run([](test::ScriptedDialog& d) { d.click(kIdBrowse); });
    EXPECT_EQ(shown().text(kIdWallpaperName), "sea.jpg");
}

TEST_F(SettingsDialogTest, FailedImageKeepsTheOldFileButAppliesLayoutAndQuality) {
    aquarium.wallpaperFails = true;
    ui.fileChoices.push_back(std::string("broken.jpg"));
    run([](test::ScriptedDialog& d) {
        d.click(kIdBrowse);
        d.click(kIdTileRadio);
        d.pick(kIdQualityCombo, 0);
        d.press_ok();
    });
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kMsgImageLoadFailed);
    EXPECT_EQ(ui.messages[0].caption, kCaptionWarning);
    EXPECT_EQ(ui.messages[0].style, static_cast<std::uint32_t>(kMbIconWarning));
    EXPECT_FALSE(ui.messages[0].owned);
    EXPECT_STREQ(settings.wallpaperFile, "C:\\pictures\\sea.jpg");
    EXPECT_EQ(settings.wallpaperMode, kWallpaperTile);
    EXPECT_EQ(settings.qualityIndex, 0);
    EXPECT_EQ(store.dword_of("WALLTYPE"), 1008u);
    EXPECT_EQ(store.bytes_of("WALLFILE"), "C:\\pictures\\sea.jpg");
}

TEST_F(SettingsDialogTest, QualityChangeRebuildsAtTheNewSize) {
    run([](test::ScriptedDialog& d) {
        d.pick(kIdQualityCombo, 4);
        d.press_ok();
    });
    EXPECT_EQ(settings.qualityIndex, 4);
    EXPECT_EQ(settings.backBufferWidth, 1600);
    EXPECT_EQ(settings.backBufferHeight, 1200);
    EXPECT_EQ(std::count(log.begin(), log.end(), "recreate_display"), 1);
    EXPECT_EQ(store.dword_of("BBSIZE"), 4u);
}

TEST_F(SettingsDialogTest, FailedRebuildEndsTheProgramThenSavesAndCloses) {
    aquarium.recreateFails = true;
    EXPECT_EQ(run([](test::ScriptedDialog& d) {
                  d.pick(kIdQualityCombo, 2);
                  d.press_ok();
              }),
              kIdOk);
    const std::vector<std::string> tail(log.end() - 3, log.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"recreate_display", "end_after_display_loss", "dialog_end:RES_DLG_CONFIG"}));
    EXPECT_EQ(store.dword_of("BBSIZE"), 2u);
}

TEST_F(SettingsDialogTest, StoredIndexOutsideTheListIsLeftAlone) {
    settings.qualityIndex = 7;
    settings.backBufferWidth = 640;
    run([](test::ScriptedDialog& d) { d.press_ok(); });
    EXPECT_EQ(shown().combo(kIdQualityCombo).selection, -1);
    EXPECT_EQ(settings.qualityIndex, 7);
    EXPECT_EQ(std::count(log.begin(), log.end(), "recreate_display"), 0);
    EXPECT_EQ(store.dword_of("BBSIZE"), 7u);
}

}  // namespace
}  // namespace brine
