// The main window's procedure over the scripted Ui and the fake tank: tray icon, the menu's
// greyed and checked items, every command, the display change and the shutdown order.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "feed/fetch_document.h"
#include "resources/resource_ids.h"
#include "shell/main_window.h"
#include "shell/shell_texts.h"
#include "tests/support/fake_aquarium.h"
#include "tests/support/manual_clock.h"
#include "tests/support/memory_settings_store.h"
#include "tests/support/scripted_ui.h"

namespace brine {
namespace {

// Notes each settings save in the shared log.
class LoggingSettingsStore : public test::MemorySettingsStore {
public:
    explicit LoggingSettingsStore(std::vector<std::string>& log) : log_(log) {}
    HResult open_key() override {
        log_.push_back("save_settings");
        return MemorySettingsStore::open_key();
    }

private:
    std::vector<std::string>& log_;
};

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() : ui(&log), aquarium(&log), store(log) {
        parts = {&ui, &aquarium, &settings, &store, &catalog, &clock, &flags, &saveFailure};
    }
    void fill(int n) {
        for (int i = 0; i < n; ++i) aquarium.place(i, "fish" + std::to_string(i));
    }
    MenuItemState shown_state(std::uint32_t command) {
        auto s = ui.menu_state(command);
        EXPECT_TRUE(s.has_value()) << command;
        return s.value_or(MenuItemState{});
    }

    std::vector<std::string> log;
    test::ScriptedUi ui;
    test::FakeAquarium aquarium;
    LoggingSettingsStore store;
    AppSettings settings;
    FishCatalog catalog;
    test::ManualClock clock;
    RunFlags flags;
    SaveFailureNotice saveFailure{ui};
    MainWindowParts parts;
};

TEST_F(MainWindowTest, CreateAddsTheTrayIcon) {
    MainWindow window(parts);
    window.create();
    EXPECT_EQ(ui.trayAdds, 1);
    EXPECT_EQ(ui.trayTip, "Brinelight");
}

TEST_F(MainWindowTest, AddIsGreyedAtTenFishAndDeleteAtNone) {
    MainWindow window(parts);
    window.tray_right_button();
    EXPECT_TRUE(shown_state(kCmdAddFish).enabled);
    EXPECT_FALSE(shown_state(kCmdDeleteFish).enabled);
    fill(9);
    window.tray_right_button();
    EXPECT_TRUE(shown_state(kCmdAddFish).enabled);
    EXPECT_TRUE(shown_state(kCmdDeleteFish).enabled);
    fill(10);
    window.tray_right_button();
    EXPECT_FALSE(shown_state(kCmdAddFish).enabled);
    aquarium.place(12, "beyond the creation slots");
    window.tray_right_button();
    EXPECT_FALSE(shown_state(kCmdAddFish).enabled);
}

TEST_F(MainWindowTest, CheckMarksFollowTheFlags) {
    MainWindow window(parts);
    window.tray_right_button();
    EXPECT_FALSE(shown_state(kCmdStopTime).checked);
    EXPECT_FALSE(shown_state(kCmdShowNames).checked);
    EXPECT_FALSE(shown_state(kCmdShowSatiety).checked);
    EXPECT_TRUE(shown_state(kCmdShowTopics).checked);
    for (const MenuItemState& s : ui.menus.back()) {
        const bool toggle = s.command == kCmdStopTime || s.command == kCmdShowNames ||
                            s.command == kCmdShowSatiety || s.command == kCmdShowTopics;
        if (!toggle) {
            EXPECT_FALSE(s.checked) << s.command;
        }
    }

    // Choosing from the menu carries the command out.
    ui.menuChoices = {kCmdStopTime, kCmdShowNames, kCmdShowSatiety, kCmdShowTopics};
    for (int i = 0; i < 4; ++i) window.tray_right_button();
    EXPECT_EQ(flags.timeRunning, 0);
    window.tray_right_button();
    EXPECT_TRUE(shown_state(kCmdStopTime).checked);
    EXPECT_TRUE(shown_state(kCmdShowNames).checked);
    EXPECT_TRUE(shown_state(kCmdShowSatiety).checked);
    EXPECT_FALSE(shown_state(kCmdShowTopics).checked);
    window.command(kCmdStopTime);
    EXPECT_EQ(flags.timeRunning, 1);
}

TEST_F(MainWindowTest, TogglesFlipAnyValueToZeroOrOne) {
    MainWindow window(parts);
    settings.showNames = 2;  // what a hand-edited store may hold
    window.command(kCmdShowNames);
    EXPECT_EQ(settings.showNames, 0);
    window.command(kCmdShowNames);
    EXPECT_EQ(settings.showNames, 1);
    EXPECT_EQ(store.setCalls, 0) << "toggles are saved at shutdown, not at once";
}

TEST_F(MainWindowTest, DrawModeCommandIsHandledThoughOnNoMenu) {
    MainWindow window(parts);
    EXPECT_TRUE(window.command(kCmdDrawMode));
    EXPECT_EQ(flags.fishDrawModeFlag, 1);
    window.handle_event({UiEventKind::kCommand, kCmdDrawMode});
    EXPECT_EQ(flags.fishDrawModeFlag, 0);
    EXPECT_FALSE(window.command(40008));
    EXPECT_FALSE(window.command(0));
}

TEST_F(MainWindowTest, FeedWebSiteAndVersion) {
    MainWindow window(parts);
    window.command(kCmdFeed);
    EXPECT_EQ(aquarium.feeds, 1);
    window.command(kCmdWebSite);
    EXPECT_EQ(ui.urls, (std::vector<std::string>{kMakerSite}));
    ui.messageAnswers = {kIdCancel};
    window.command(kCmdVersion);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Brinelight Vespera Ver.0.44 \n" + std::string(kProductCopyright));
    EXPECT_EQ(ui.messages[0].caption, kCaptionVersion);
    EXPECT_EQ(ui.messages[0].style, static_cast<std::uint32_t>(kMbOkCancel | kMbIconInformation));
    EXPECT_TRUE(ui.messages[0].owned);
    EXPECT_FALSE(window.destroyed());
}

TEST_F(MainWindowTest, DialogCommandsOpenTheirDialogs) {
    MainWindow window(parts);
    window.command(kCmdSettings);
    window.command(kCmdAddFish);
    window.command(kCmdDeleteFish);
    ui.fileChoices.push_back(std::nullopt);
    window.command(kCmdInstallExtension);
    EXPECT_EQ(log, (std::vector<std::string>{"dialog:RES_DLG_CONFIG", "dialog_end:RES_DLG_CONFIG", "dialog:RES_DLG_ADD",
                                             "dialog_end:RES_DLG_ADD", "dialog:RES_DLG_DELETE",
                                             "dialog_end:RES_DLG_DELETE", "open_file"}));
}

TEST_F(MainWindowTest, ExitRunsTheShutdownInOrderOnce) {
    MainWindow window(parts);
    window.create();
    log.clear();
    window.command(kCmdExit);
    EXPECT_EQ(log, (std::vector<std::string>{"save_settings", "save_roster", "tray_remove", "shutdown_display", "quit"}));
    EXPECT_TRUE(window.destroyed());
    window.command(kCmdExit);
    window.display_changed();
    EXPECT_EQ(ui.quits, 1);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MainWindowTest, DisplayChangeWarnsThenShutsDown) {
    settings.showSatiety = 1;
    MainWindow window(parts);
    window.handle_event({UiEventKind::kDisplayChange, 0});
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kMsgDisplayChanged);
    EXPECT_EQ(ui.messages[0].caption, kCaptionCaution);
    EXPECT_EQ(ui.messages[0].style, static_cast<std::uint32_t>(kMbIconInformation));
    EXPECT_FALSE(ui.messages[0].owned);
    EXPECT_EQ(log.front(), "message_box:" + std::string(kMsgDisplayChanged));
    EXPECT_EQ(std::count(log.begin(), log.end(), "save_roster"), 1);
    EXPECT_EQ(store.dword_of("SATIETY"), 1u);
    EXPECT_EQ(ui.events.back().kind, UiEventKind::kQuit);
}

TEST_F(MainWindowTest, FailedRebuildFromTheSettingsDialogKeepsTheSaveFile) {
    fill(3);
    aquarium.recreateFails = true;
    MainWindow window(parts);
    window.create();
    ui.dialogScripts.push_back([](test::ScriptedDialog& d) {
        d.pick(kIdQualityCombo, 4);
        d.press_ok();
    });
    window.command(kCmdSettings);
    EXPECT_TRUE(window.destroyed());
    EXPECT_EQ(std::count(log.begin(), log.end(), "save_roster"), 0) << "the emptied tank must not be saved";
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kMsgDisplayFailed);
    EXPECT_TRUE(ui.messages[0].owned);
    EXPECT_EQ(std::count(log.begin(), log.end(), "shutdown_display"), 1);
    EXPECT_EQ(ui.quits, 1);
    EXPECT_FALSE(ui.trayShown);
    EXPECT_EQ(store.dword_of("BBSIZE"), 4u);
}

}  // namespace
}  // namespace brine
