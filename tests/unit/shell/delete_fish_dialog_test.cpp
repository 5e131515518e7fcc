// The delete dialog over a fake tank: names in slot order, deletion by name, the reset when the
// name is gone, and an empty list.
#include <gtest/gtest.h>

#include <algorithm>

#include "resources/dialogs.h"
#include "resources/resource_ids.h"
#include "shell/delete_fish_dialog.h"
#include "shell/shell_texts.h"
#include "tests/support/fake_aquarium.h"
#include "tests/support/scripted_ui.h"

namespace brine {
namespace {

class DeleteFishDialogTest : public ::testing::Test {
protected:
    DeleteFishDialogTest() : ui(&log), aquarium(&log) {}
    int run(test::ScriptedUi::DialogScript script) {
        ui.dialogScripts.push_back(std::move(script));
        DeleteFishDialog dialog(ui, aquarium);
        return ui.run_dialog(kDeleteDialog, dialog);
    }
    std::vector<std::string> log;
    test::ScriptedUi ui;
    test::FakeAquarium aquarium;
};

TEST_F(DeleteFishDialogTest, ListsNamesInSlotOrderAndDeletesTheChosenOne) {
    aquarium.place(4, "\x83z\x83\x8B");  // ホル
    aquarium.place(0, "zed");
    aquarium.place(2, "amy");
    aquarium.place(1, "bob");
    aquarium.place(3, "cat");
    EXPECT_EQ(run([](test::ScriptedDialog& d) {
                  d.pick(kIdNameCombo, 2);
                  d.press_ok();
              }),
              kIdOk);
    const auto& combo = ui.dialogs.back().combo(kIdNameCombo);
    EXPECT_EQ(combo.items, (std::vector<std::string>{"zed", "bob", "amy", "cat", "\x83z\x83\x8B"}));
    EXPECT_FALSE(aquarium.fishSlots[2].used);
    EXPECT_EQ(aquarium.count_fish(), 4);
    EXPECT_EQ(aquarium.rosterSaves, 1);
    EXPECT_TRUE(ui.messages.empty());
    // The freed slot is the next one filled.
    ASSERT_TRUE(succeeded(aquarium.create_fish(0, 0, 0, "new")));
    EXPECT_EQ(aquarium.find_fish_by_name("new"), 2);
}

TEST_F(DeleteFishDialogTest, FirstEntryIsSelectedAtStart) {
    aquarium.place(5, "only");
    run([](test::ScriptedDialog& d) { d.press_ok(); });
    EXPECT_EQ(aquarium.count_fish(), 0);
}

TEST_F(DeleteFishDialogTest, NameThatVanishedResetsTheWholeTank) {
    aquarium.place(0, "a");
    aquarium.place(7, "b");
    aquarium.place(12, "c");
    run([this](test::ScriptedDialog& d) {
        aquarium.fishSlots[0].name = "renamed";  // the fish changed while the dialog was open
        d.press_ok();
    });
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kMsgUnknownFishReset);
    EXPECT_EQ(ui.messages[0].caption, kCaptionWarning);
    EXPECT_EQ(ui.messages[0].style, static_cast<std::uint32_t>(kMbIconWarning));
    EXPECT_EQ(aquarium.count_fish(), 0);
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& s) { return s.rfind("clear_fish_slot:", 0) == 0; }), 16);
    EXPECT_EQ(log[log.size() - 2], "save_roster");
}

TEST_F(DeleteFishDialogTest, CancelAndAnEmptyListChangeNothing) {
    aquarium.place(0, "a");
    EXPECT_EQ(run([](test::ScriptedDialog& d) { d.press_cancel(); }), kIdCancel);
    EXPECT_EQ(aquarium.count_fish(), 1);
    aquarium.clear_fish_slot(0);
    log.clear();
    EXPECT_EQ(run([](test::ScriptedDialog& d) { d.press_ok(); }), kIdCancel);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(aquarium.rosterSaves, 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), "clear_fish_slot:0"), 0);
}

}  // namespace
}  // namespace brine
