// Names through the Qt dialogs byte for byte: fish whose saved Shift-JIS names have no exact
// round trip through UTF-8 are deleted from the program's own Aquarium (started from a save file
// holding them), and a typed name Shift-JIS cannot write is refused, never stored altered.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <string>
#include <vector>

#include "fish/roster_file.h"
#include "platform/linux/qt_dialog.h"
#include "platform/linux/qt_ui.h"
#include "platform/linux/text_codec.h"
#include "resources/resource_ids.h"
#include "shell/add_fish_dialog.h"
#include "shell/shell_texts.h"
#include "tests/support/fake_aquarium.h"
#include "tests/support/program_aquarium.h"
#include "tests/support/scripted_message_boxes.h"
#include "tests/unit/platform/qt_test_support.h"

namespace brine {
namespace {

using test::when_open;

void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center()); }

// The Qt dialogs with message boxes recorded instead of shown, so an unexpected box cannot hold
// the test; the rest of the Ui does nothing.
class QtDialogsOnly : public Ui {
public:
    bool create_main_window() override { return true; }
    int message_box(const char* text, const char* caption, std::uint32_t style, bool owned) override {
        return boxes.message_box(text, caption, style, owned);
    }
    bool open_url(const char*) override { return false; }
    bool add_tray_icon(const char*) override { return false; }
    void remove_tray_icon() override {}
    std::uint32_t track_popup_menu(const MenuItemState*, std::size_t) override { return 0; }
    int run_dialog(const DialogResource& dialog, DialogProcedure& procedure) override {
        return qt.run_dialog(dialog, procedure);
    }
    bool choose_open_file(OpenFileRequest&) override { return false; }
    bool poll_event(UiEvent*, double) override { return false; }
    void post_quit() override {}

    QtUi qt;
    test::ScriptedMessageBoxes boxes;
};

std::vector<std::string> saved_names() {
    const std::vector<unsigned char> bytes = test::read_bytes(kRosterFileName);
    std::vector<std::string> names;
    for (std::size_t at = 0; at + kSaveRecordSize <= bytes.size(); at += kSaveRecordSize) {
        const FishSaveRecord r = decode_save_record(&bytes[at]);
        if (r.occupied == 1) names.push_back(r.name);
    }
    return names;
}

TEST(QtDialogBytes, FishWhoseNamesDoNotSurviveUtf8AreDeletedFromTheSaveFile) {
    if (!test::qt_application()) GTEST_SKIP() << "a non-widget Qt application already exists";
    QtDialogsOnly ui;
    test::ProgramAquarium rig(ui);
    if (!rig.copy_program_files()) GTEST_SKIP() << "the goldfish content has not been built yet";
    // NEC special, IBM extension, NEC-selected IBM extension, and a name an old save cut after a
    // lead byte: each comes back from UTF-8 as other bytes (or '?').
    const std::vector<std::string> odd = {"\x87\x90" "a", "b\xFA\x54", "\xEE\xE0\x82\xA0", "cut\x82"};
    for (const std::string& name : odd) ASSERT_NE(utf8_to_sjis(sjis_to_utf8(name)), name);
    std::vector<test::SavedFish> saved;
    for (const std::string& name : odd) saved.push_back({0, 3, name});
    saved.push_back({0, 3, "plain"});
    rig.write_roster(saved);
    ASSERT_TRUE(rig.start());
    ASSERT_EQ(rig.aquarium->count_fish(), 5);
    ui.boxes.shown.clear();  // whatever start-up announced (kinds unlocked)

    std::vector<std::string> left = saved_names();
    for (const std::string& name : odd) {
        when_open<QtDialog>([](QtDialog* d) {
            auto* combo = qobject_cast<QComboBox*>(d->control(kIdNameCombo));
            combo->setCurrentIndex(0);  // slot order: the odd name still first in the list
            click(d->control(kIdOk));
        });
        ASSERT_TRUE(rig.aquarium->main_window().command(kCmdDeleteFish));
        EXPECT_TRUE(ui.boxes.shown.empty()) << "the tank was reset instead of deleting one fish";
        EXPECT_EQ(rig.slot_of(name), -1);
        left.erase(left.begin());
        EXPECT_EQ(saved_names(), left);
        if (HasFailure()) return;
    }
    EXPECT_EQ(rig.aquarium->count_fish(), 1);
    EXPECT_GE(rig.slot_of("plain"), 0);
}

TEST(QtDialogBytes, ATypedNameShiftJisCannotWriteIsRefused) {
    if (!test::qt_application()) GTEST_SKIP() << "a non-widget Qt application already exists";
    QtUi ui;
    test::FakeAquarium aquarium;
    FishCatalog catalog;
    catalog.count = 1;
    catalog.rows[0].kindName = "\x98" "a\x8B\xE0";                     // 和金
    catalog.rows[0].defaultFishName = "\x8B\xE0\x82\xBF\x82\xE1\x82\xF1";  // 金ちゃん
    QString warning, caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool stillOpen = false;
    when_open<QtDialog>([&](QtDialog* d) {
        auto* edit = qobject_cast<QLineEdit*>(d->control(kIdNameEdit));
        edit->setText(QString::fromUtf8("\xE9\x87\x91\xF0\x9F\x90\x9F"));  // 金 and a fish emoji
        when_open<QMessageBox>([&](QMessageBox* box) {
            warning = box->text();
            caption = box->windowTitle();
            icon = box->icon();
            click(box->button(QMessageBox::Ok));
        });
        click(d->control(kIdOk));
        stillOpen = d->isVisible();
        edit->setText(QStringLiteral("金"));
        QTest::keyClick(edit, Qt::Key_Return);
    });
    AddFishDialog logic(ui, aquarium, catalog);
    EXPECT_EQ(ui.run_dialog(kAddDialog, logic), kIdOk);
    EXPECT_EQ(warning, QStringLiteral("使用できない文字が含まれています"));
    EXPECT_EQ(caption, QStringLiteral("警告"));
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(aquarium.count_fish(), 1);
    EXPECT_EQ(aquarium.find_fish_by_name("\x8B\xE0"), 0) << "the name as typed, and only that";
    EXPECT_EQ(aquarium.rosterSaves, 1);
}

}  // namespace
}  // namespace brine
