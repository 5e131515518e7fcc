// The add dialog over a small catalog and a fake tank: the kind list and default names, the three
// name rules in order with their byte counting, names Shift-JIS cannot write, creation and its
// failure, and an empty catalog.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "resources/dialogs.h"
#include "resources/resource_ids.h"
#include "shell/add_fish_dialog.h"
#include "shell/shell_texts.h"
#include "tests/support/fake_aquarium.h"
#include "tests/support/scripted_ui.h"

namespace brine {
namespace {

const std::string kFullWidthA = "\x82\xA0";  // あ, two bytes

class AddFishDialogTest : public ::testing::Test {
protected:
    AddFishDialogTest() : ui(&log), aquarium(&log) {
        add_row("wakin", "\x98" "a\x8B\xE0", "\x8B\xE0\x82\xBF\x82\xE1\x82\xF1");  // 和金, 金ちゃん
        add_row("ryukin", "\x97\xAE\x8B\xE0", "ryu");                             // 琉金
        aquarium.catalogRows = 2;
    }
    void add_row(const char* model, const char* kind, const char* name) {
        CatalogEntry& row = catalog.rows[catalog.count++];
        row.packNumber = 1;
        row.modelName = model;
        row.kindName = kind;
        row.defaultFishName = name;
    }
    int run(test::ScriptedUi::DialogScript script) {
        ui.dialogScripts.push_back(std::move(script));
        AddFishDialog dialog(ui, aquarium, catalog);
        return ui.run_dialog(kAddDialog, dialog);
    }
    // Types a name, presses OK, answers the message shown (if any).
    std::string try_name(const std::string& name) {
        ui.messages.clear();
        run([&name](test::ScriptedDialog& d) {
            d.type(kIdNameEdit, name);
            d.press_ok();
        });
        return ui.messages.empty() ? std::string() : ui.messages[0].text;
    }
    const test::ScriptedDialog& shown() const { return ui.dialogs.back(); }

    std::vector<std::string> log;
    test::ScriptedUi ui;
    test::FakeAquarium aquarium;
    FishCatalog catalog;
};

TEST_F(AddFishDialogTest, ListsKindsAndProposesTheDefaultName) {
    EXPECT_EQ(run([](test::ScriptedDialog&) {}), kIdCancel);
    EXPECT_EQ(shown().combo(kIdKindCombo).items, (std::vector<std::string>{"\x98" "a\x8B\xE0", "\x97\xAE\x8B\xE0"}));
    EXPECT_EQ(shown().combo(kIdKindCombo).selection, 0);
    EXPECT_EQ(shown().text(kIdNameEdit), "\x8B\xE0\x82\xBF\x82\xE1\x82\xF1");
    EXPECT_EQ(aquarium.count_fish(), 0);
}

TEST_F(AddFishDialogTest, ChangingTheKindReplacesATypedName) {
    run([](test::ScriptedDialog& d) {
        d.type(kIdNameEdit, "typed");
        d.pick(kIdKindCombo, 1);
        d.press_ok();
    });
    EXPECT_EQ(shown().result, kIdOk);
    EXPECT_EQ(aquarium.find_fish_by_name("ryu"), 0);
    EXPECT_EQ(aquarium.fishSlots[0].row, 1);
    EXPECT_EQ(aquarium.lastCreate.satiety, 0);
    EXPECT_EQ(aquarium.lastCreate.overfed, 0);
    EXPECT_EQ(log.back(), "dialog_end:RES_DLG_ADD");
    EXPECT_EQ(log[log.size() - 2], "save_roster");
}

TEST_F(AddFishDialogTest, NameLengthIsCountedInBytes) {
    std::string twelveFull, thirteenFull;
    for (int i = 0; i < 12; ++i) twelveFull += kFullWidthA;
    thirteenFull = twelveFull + kFullWidthA;
    EXPECT_EQ(try_name(twelveFull), "");
    EXPECT_EQ(try_name(std::string(24, 'n')), "");
    EXPECT_EQ(try_name(thirteenFull), kMsgNameTooLong);
    EXPECT_EQ(try_name(std::string(25, 'm')), kMsgNameTooLong);
    EXPECT_TRUE(shown().leftOpen) << "a refused name keeps the dialog open";
    EXPECT_EQ(aquarium.count_fish(), 2);
}

TEST_F(AddFishDialogTest, RulesAreTestedEmptyThenLongThenDuplicate) {
    aquarium.place(3, std::string(25, 'd'));  // a long name can only be found after the length rule
    EXPECT_EQ(try_name(""), kMsgEnterName);
    EXPECT_TRUE(shown().leftOpen);
    EXPECT_EQ(try_name(std::string(25, 'd')), kMsgNameTooLong);
    aquarium.place(4, "\x8B\xE0\x82\xBF\x82\xE1\x82\xF1");
    ui.messages.clear();
    run([](test::ScriptedDialog& d) { d.press_ok(); });  // the default name is taken
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kMsgDuplicateName);
    EXPECT_EQ(ui.messages[0].caption, kCaptionWarning);
    EXPECT_EQ(ui.messages[0].style, static_cast<std::uint32_t>(kMbIconWarning));
    EXPECT_FALSE(ui.messages[0].owned);
    EXPECT_EQ(aquarium.rosterSaves, 0);
    // After correcting the name in the same dialog, it is accepted.
    run([](test::ScriptedDialog& d) {
        d.press_ok();
        d.type(kIdNameEdit, "other");
        d.press_ok();
    });
    EXPECT_EQ(shown().result, kIdOk);
    EXPECT_EQ(aquarium.find_fish_by_name("other"), 0);
}

TEST_F(AddFishDialogTest, ANameShiftJisCannotWriteIsRefusedAndTheDialogStaysOpen) {
    run([](test::ScriptedDialog& d) {
        d.type_not_shift_jis(kIdNameEdit, "kin?");  // stands for "kin" and a fish emoji
        d.press_ok();
    });
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kMsgNameNotShiftJis);
    EXPECT_EQ(ui.messages[0].caption, kCaptionWarning);
    EXPECT_EQ(ui.messages[0].style, static_cast<std::uint32_t>(kMbIconWarning));
    EXPECT_TRUE(shown().leftOpen);
    EXPECT_EQ(aquarium.count_fish(), 0);
    EXPECT_EQ(aquarium.rosterSaves, 0);
    // Corrected in the same dialog, the name goes in as typed.
    ui.messages.clear();
    run([](test::ScriptedDialog& d) {
        d.type_not_shift_jis(kIdNameEdit, "kin?");
        d.press_ok();
        d.type(kIdNameEdit, "kin");
        d.press_ok();
    });
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(shown().result, kIdOk);
    EXPECT_EQ(aquarium.find_fish_by_name("kin"), 0);
    EXPECT_EQ(aquarium.find_fish_by_name("kin?"), -1);
}

TEST_F(AddFishDialogTest, FailedCreationIsReportedAndStillSavesAndCloses) {
    for (int i = 0; i < kMaxLiveFish; ++i) aquarium.place(i, "f" + std::to_string(i));
    EXPECT_EQ(try_name("eleventh"), kMsgFishLoadFailed);
    EXPECT_EQ(shown().result, kIdOk);
    EXPECT_EQ(aquarium.rosterSaves, 1);
    EXPECT_EQ(aquarium.count_fish(), kMaxLiveFish);
}

TEST_F(AddFishDialogTest, EmptyCatalogNeverCreates) {
    catalog.clear();
    run([](test::ScriptedDialog& d) {
        d.type(kIdNameEdit, "name");
        d.press_ok();  // greyed: ignored
        d.press_cancel();
    });
    EXPECT_EQ(shown().result, kIdCancel);
    EXPECT_FALSE(shown().enabled(kIdOk));
    EXPECT_TRUE(shown().combo(kIdKindCombo).items.empty());
    EXPECT_EQ(shown().combo(kIdKindCombo).selection, -1);
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& s) { return s.rfind("create_fish", 0) == 0; }), 0);
    EXPECT_TRUE(ui.messages.empty());

    // Even an OK that reaches the procedure (a platform that ignored the greying) creates nothing.
    AddFishDialog dialog(ui, aquarium, catalog);
    test::ScriptedDialog open(kAddDialog, dialog);
    dialog.init_dialog(open);
    open.disabled.clear();
    open.type(kIdNameEdit, "name");
    open.press_ok();
    EXPECT_FALSE(open.ended());
    EXPECT_EQ(aquarium.rosterSaves, 0);
}

}  // namespace
}  // namespace brine
