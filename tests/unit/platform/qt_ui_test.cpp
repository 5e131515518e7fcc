// The Qt Ui on the offscreen platform, driven with QTest: message boxes, the three dialogs laid
// out from their tables and wired to the portable logic, the popup menu, the open-file dialog,
// the tray's events, the icon, and the single-instance lock.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QDir>
#include <QFileDialog>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <thread>

#include <unistd.h>

#include "platform/linux/app_icon.h"
#include "platform/linux/instance_lock.h"
#include "platform/linux/qt_dialog.h"
#include "platform/linux/qt_ui.h"
#include "platform/linux/text_codec.h"
#include "resources/dialogs.h"
#include "resources/resource_ids.h"
#include "shell/add_fish_dialog.h"
#include "shell/delete_fish_dialog.h"
#include "shell/settings_dialog.h"
#include "shell/shell_texts.h"
#include "tests/support/fake_aquarium.h"
#include "tests/support/memory_settings_store.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/scripted_ui.h"
#include "tests/unit/platform/qt_test_support.h"

namespace brine {
namespace {

using test::when_open;

QString utf8(const char* sjis) { return QString::fromStdString(sjis_to_utf8(sjis)); }

template <class W>
W* find_control(QtDialog* dialog, int id) {
    return qobject_cast<W*>(dialog->control(id));
}

void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center()); }

class QtUiTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::qt_application()) GTEST_SKIP() << "a non-widget Qt application already exists";
        ui = std::make_unique<QtUi>();
    }
    std::unique_ptr<QtUi> ui;
};

TEST_F(QtUiTest, MessageBoxesShowCaptionIconAndButtonsAndAnswer) {
    struct Case {
        const char* text;
        const char* caption;
        std::uint32_t style;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton press;
        int answer;
    } cases[] = {
        {kMsgEnterName, kCaptionWarning, kMbIconWarning, QMessageBox::Warning, QMessageBox::Ok, QMessageBox::Ok, kIdOk},
        {kMsgExtensionAdded, kCaptionInformation, kMbIconInformation, QMessageBox::Information, QMessageBox::Ok,
         QMessageBox::Ok, kIdOk},
        {"\x90V\x82\xB5\x82\xA2\n?", kCaptionConfirm, kMbYesNo | kMbIconQuestion, QMessageBox::Question,
         QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, kIdYes},
        {"v", kCaptionVersion, kMbOkCancel | kMbIconInformation, QMessageBox::Information,
         QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel, kIdCancel},
        {"<b>not markup</b>", kCaptionCaution, kMbIconInformation, QMessageBox::Information, QMessageBox::Ok,
         QMessageBox::Ok, kIdOk},
    };
    for (const Case& c : cases) {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        Qt::TextFormat format = Qt::AutoText;
        when_open<QMessageBox>([&](QMessageBox* box) {
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = box->standardButtons();
            format = box->textFormat();
            click(box->button(c.press));
        });
        EXPECT_EQ(ui->message_box(c.text, c.caption, c.style, false), c.answer) << c.caption;
        EXPECT_EQ(title, utf8(c.caption));
        EXPECT_EQ(text, utf8(c.text));
        EXPECT_EQ(icon, c.icon);
        EXPECT_EQ(buttons, c.buttons);
        EXPECT_EQ(format, Qt::PlainText);
    }
    // The exact Japanese of two of them, decoded independently of the program's tables.
    EXPECT_EQ(utf8(kCaptionWarning), QStringLiteral("警告"));
    EXPECT_EQ(utf8(kMsgDisplayChanged), QString::fromUtf8("画面の解像度が、変更されました\n安全のため、Brinelightを終了いたします"));
}

class QtDialogTest : public QtUiTest {
protected:
    QtDialogTest() : aquarium(&log), scripted(&log) {
        add_row("\x98" "a\x8B\xE0", "\x8B\xE0\x82\xBF\x82\xE1\x82\xF1");  // 和金, 金ちゃん
        add_row("\x97\xAE\x8B\xE0", "\x97\xAE\x82\xBF\x82\xE1\x82\xF1");  // 琉金, 琉ちゃん
        aquarium.catalogRows = 2;
    }
    void add_row(const char* kind, const char* name) {
        CatalogEntry& row = catalog.rows[catalog.count++];
        row.kindName = kind;
        row.defaultFishName = name;
    }
    std::vector<std::string> log;
    test::FakeAquarium aquarium;
    test::ScriptedUi scripted;
    FishCatalog catalog;
};

TEST_F(QtDialogTest, AddDialogIsLaidOutFromItsTableInDialogUnits) {
    DialogBaseUnits units;
    QString family, title;
    QSize size;
    QRect okRect, editRect;
    QStringList kinds;
    QString name;
    when_open<QtDialog>([&](QtDialog* d) {
        units = d->base_units();
        family = QFontInfo(d->font()).family();
        title = d->windowTitle();
        size = d->size();
        okRect = d->control(kIdOk)->geometry();
        editRect = d->control(kIdNameEdit)->geometry();
        auto* combo = find_control<QComboBox>(d, kIdKindCombo);
        for (int i = 0; i < combo->count(); ++i) kinds << combo->itemText(i);
        name = find_control<QLineEdit>(d, kIdNameEdit)->text();
        QTest::keyClick(d, Qt::Key_Escape);
    });
    AddFishDialog logic(*ui, aquarium, catalog);
    EXPECT_EQ(ui->run_dialog(kAddDialog, logic), kIdCancel);
    EXPECT_EQ(family, QStringLiteral("IPAPGothic"));
    EXPECT_GT(units.width, 2);
    EXPECT_GT(units.height, 6);
    EXPECT_EQ(title, QStringLiteral("金魚の追加"));
    EXPECT_EQ(size, QSize(131 * units.width / 4, 75 * units.height / 8));
    EXPECT_EQ(okRect, QRect(14 * units.width / 4, 54 * units.height / 8, 50 * units.width / 4, 14 * units.height / 8));
    EXPECT_EQ(editRect.x(), 49 * units.width / 4);
    EXPECT_EQ(kinds, (QStringList{QStringLiteral("和金"), QStringLiteral("琉金")}));
    EXPECT_EQ(name, QStringLiteral("金ちゃん"));
    EXPECT_EQ(aquarium.count_fish(), 0);
}

TEST_F(QtDialogTest, AddDialogFilledAndAcceptedCreatesTheFish) {
    when_open<QtDialog>([&](QtDialog* d) {
        auto* combo = find_control<QComboBox>(d, kIdKindCombo);
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);  // the user picks the second kind
        EXPECT_EQ(find_control<QLineEdit>(d, kIdNameEdit)->text(), QStringLiteral("琉ちゃん"));
        find_control<QLineEdit>(d, kIdNameEdit)->setText(QStringLiteral("たろう"));
        click(d->control(kIdOk));
    });
    AddFishDialog logic(*ui, aquarium, catalog);
    EXPECT_EQ(ui->run_dialog(kAddDialog, logic), kIdOk);
    const int slot = aquarium.find_fish_by_name(utf8_to_sjis("たろう").c_str());
    ASSERT_EQ(slot, 0);
    EXPECT_EQ(aquarium.fishSlots[0].row, 1);
    EXPECT_EQ(aquarium.rosterSaves, 1);
}

TEST_F(QtDialogTest, RefusedNameShowsTheWarningAndKeepsTheDialogOpen) {
    QString warning, caption;
    bool stillOpen = false;
    when_open<QtDialog>([&](QtDialog* d) {
        find_control<QLineEdit>(d, kIdNameEdit)->setText(QStringLiteral("あいうえおかきくけこさしす"));  // 13 full-width
        when_open<QMessageBox>([&](QMessageBox* box) {
            warning = box->text();
            caption = box->windowTitle();
            click(box->button(QMessageBox::Ok));
        });
        click(d->control(kIdOk));
        stillOpen = d->isVisible();
        find_control<QLineEdit>(d, kIdNameEdit)->setText(QStringLiteral("あいうえおかきくけこさし"));  // 12
        QTest::keyClick(find_control<QLineEdit>(d, kIdNameEdit), Qt::Key_Return);  // Enter: the default button
    });
    AddFishDialog logic(*ui, aquarium, catalog);
    EXPECT_EQ(ui->run_dialog(kAddDialog, logic), kIdOk);
    EXPECT_EQ(warning, QStringLiteral("名前は全角12文字までです"));
    EXPECT_EQ(caption, QStringLiteral("警告"));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(aquarium.count_fish(), 1);
}

TEST_F(QtDialogTest, EmptyCatalogGreysTheAddButton) {
    catalog.clear();
    bool okEnabled = true;
    when_open<QtDialog>([&](QtDialog* d) {
        okEnabled = d->control(kIdOk)->isEnabled();
        QTest::keyClick(d, Qt::Key_Return);  // the greyed default button does nothing
        d->close();                          // the close box is Cancel
    });
    AddFishDialog logic(*ui, aquarium, catalog);
    EXPECT_EQ(ui->run_dialog(kAddDialog, logic), kIdCancel);
    EXPECT_FALSE(okEnabled);
    EXPECT_EQ(aquarium.rosterSaves, 0);
}

TEST_F(QtDialogTest, DeleteDialogRemovesThePickedFish) {
    aquarium.place(0, "\x82\xBD\x82\xEB\x82\xA4");  // たろう
    aquarium.place(3, "hana");
    QStringList names;
    when_open<QtDialog>([&](QtDialog* d) {
        auto* combo = find_control<QComboBox>(d, kIdNameCombo);
        for (int i = 0; i < combo->count(); ++i) names << combo->itemText(i);
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);
        click(d->control(kIdOk));
    });
    DeleteFishDialog logic(*ui, aquarium);
    EXPECT_EQ(ui->run_dialog(kDeleteDialog, logic), kIdOk);
    EXPECT_EQ(names, (QStringList{QStringLiteral("たろう"), QStringLiteral("hana")}));
    EXPECT_TRUE(aquarium.fishSlots[0].used);
    EXPECT_FALSE(aquarium.fishSlots[3].used);
}

TEST_F(QtDialogTest, SettingsDialogWiresRadiosComboAndBrowse) {
    AppSettings settings;
    std::strcpy(settings.wallpaperFile, "bg_sprite1.jpg");
    settings.qualityIndex = 1;
    test::MemorySettingsStore store;
    class NoLoss : public DisplayLossHandler {
        void end_after_display_loss() override {}
    } noLoss;
    // Browsing goes to the scripted Ui; the dialog itself is Qt's.
    const std::string chosen = "/home/user/\xE7\x94\xBB\xE5\x83\x8F/\xE6\xB5\xB7.jpg";  // /home/user/画像/海.jpg
    scripted.fileChoices.push_back(chosen);
    QString shownBefore, shownAfter, quality;
    bool stretchOn = false, tileOn = true;
    when_open<QtDialog>([&](QtDialog* d) {
        shownBefore = find_control<QLabel>(d, kIdWallpaperName)->text();
        stretchOn = find_control<QRadioButton>(d, kIdStretchRadio)->isChecked();
        tileOn = find_control<QRadioButton>(d, kIdTileRadio)->isChecked();
        quality = find_control<QComboBox>(d, kIdQualityCombo)->currentText();
        click(d->control(kIdBrowse));
        shownAfter = find_control<QLabel>(d, kIdWallpaperName)->text();
        click(d->control(kIdTileRadio));
        auto* combo = find_control<QComboBox>(d, kIdQualityCombo);
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);
        click(d->control(kIdOk));
    });
    SettingsDialog logic(scripted, settings, store, aquarium, noLoss);
    EXPECT_EQ(ui->run_dialog(kConfigDialog, logic), kIdOk);
    EXPECT_EQ(shownBefore, QStringLiteral("bg_sprite1.jpg"));
    EXPECT_TRUE(stretchOn);
    EXPECT_FALSE(tileOn);
    EXPECT_EQ(quality, QStringLiteral("SVGA(800x600)"));
    EXPECT_EQ(shownAfter, QStringLiteral("海.jpg"));
    EXPECT_EQ(settings.wallpaperMode, kWallpaperTile);
    EXPECT_STREQ(settings.wallpaperFile, chosen.c_str());
    EXPECT_EQ(settings.qualityIndex, 2);
    EXPECT_EQ(std::count(log.begin(), log.end(), "recreate_display"), 1);
    EXPECT_EQ(store.dword_of("WALLTYPE"), 1008u);
}

TEST_F(QtDialogTest, RadioButtonsCanAllBeOffForAnUnknownLayout) {
    AppSettings settings;
    settings.wallpaperMode = 1234;  // a hand-edited store
    test::MemorySettingsStore store;
    class NoLoss : public DisplayLossHandler {
        void end_after_display_loss() override {}
    } noLoss;
    bool anyOn = true;
    when_open<QtDialog>([&](QtDialog* d) {
        anyOn = find_control<QRadioButton>(d, kIdStretchRadio)->isChecked() ||
                find_control<QRadioButton>(d, kIdTileRadio)->isChecked();
        click(d->control(kIdOk));
    });
    SettingsDialog logic(scripted, settings, store, aquarium, noLoss);
    ui->run_dialog(kConfigDialog, logic);
    EXPECT_FALSE(anyOn);
    EXPECT_EQ(settings.wallpaperMode, 1234);
}

TEST_F(QtUiTest, OpenFileDialogOffersTheFiltersAndKeepsTheDirectory) {
    test::ScratchDir dir;
    const std::string picture = dir.file("reef.png");
    test::write_text(picture, "png");
    const QString here = QDir::currentPath();
    QString title, suffix;
    QStringList filters;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    when_open<QFileDialog>([&](QFileDialog* d) {
        title = d->windowTitle();
        filters = d->nameFilters();
        suffix = d->defaultSuffix();
        mode = d->fileMode();
        QDir::setCurrent(QString::fromStdString(dir.path().string()));  // as browsing may
        d->selectFile(QString::fromStdString(picture));
        static_cast<QDialog*>(d)->accept();  // QFileDialog::accept, reached as the slot it overrides
    });
    char path[kPathBytes] = "bg_sprite1.jpg";
    EXPECT_TRUE(choose_wallpaper_file(*ui, path, sizeof path));
    EXPECT_EQ(std::string(path), picture);
    EXPECT_EQ(QDir::currentPath(), here);
    EXPECT_EQ(title, QStringLiteral("設定したい画像ファイルを選択"));
    ASSERT_EQ(filters.size(), 4);
    EXPECT_EQ(filters[0], QStringLiteral("全ての画像ﾌｧｲﾙ(*.*) (*.bmp *.dib *.jpg *.jpe *.jpeg *.png)"));
    EXPECT_EQ(filters[3], QStringLiteral("PNGﾌｧｲﾙ(*.png) (*.png)"));
    EXPECT_EQ(suffix, QStringLiteral("bmp"));
    EXPECT_EQ(mode, QFileDialog::ExistingFile);

    when_open<QFileDialog>([](QFileDialog* d) { d->reject(); });
    EXPECT_FALSE(choose_wallpaper_file(*ui, path, sizeof path));
    EXPECT_EQ(std::string(path), picture) << "a cancelled dialog leaves the path alone";
}

TEST_F(QtUiTest, PopupMenuShowsTheStatesAndAnswersTheChoice) {
    const MenuItemState states[] = {{kCmdAddFish, false, false}, {kCmdStopTime, true, true}, {kCmdShowTopics, true, true}};
    QStringList texts;
    bool addEnabled = true, stopChecked = false, feedCheckable = true;
    int separators = 0;
    when_open<QMenu>([&](QMenu* menu) {
        for (QAction* a : menu->actions()) {
            if (a->isSeparator()) {
                ++separators;
                continue;
            }
            texts << a->text();
            if (a->data().toUInt() == kCmdAddFish) addEnabled = a->isEnabled();
            if (a->data().toUInt() == kCmdStopTime) stopChecked = a->isChecked();
            if (a->data().toUInt() == kCmdFeed) feedCheckable = a->isCheckable();
        }
        for (QAction* a : menu->actions())
            if (a->data().toUInt() == kCmdFeed) QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
    });
    EXPECT_EQ(ui->track_popup_menu(states, 3), static_cast<std::uint32_t>(kCmdFeed));
    EXPECT_EQ(separators, 3);
    ASSERT_EQ(texts.size(), 12);
    EXPECT_EQ(texts[0], QStringLiteral("エサ投入"));
    EXPECT_EQ(texts[11], QStringLiteral("終了"));
    EXPECT_FALSE(addEnabled);
    EXPECT_TRUE(stopChecked);
    EXPECT_FALSE(feedCheckable);

    when_open<QMenu>([](QMenu* menu) { QTest::keyClick(menu, Qt::Key_Escape); });
    EXPECT_EQ(ui->track_popup_menu(states, 3), 0u);
}

TEST_F(QtUiTest, OnlyTheContextActivationOpensTheMenu) {
    EXPECT_EQ(ui->add_tray_icon("Brinelight"), QSystemTrayIcon::isSystemTrayAvailable());
    ASSERT_NE(ui->tray_icon(), nullptr);
    EXPECT_EQ(ui->tray_icon()->toolTip(), QStringLiteral("Brinelight"));
    UiEvent event;
    EXPECT_FALSE(ui->poll_event(&event, 0));
    Q_EMIT ui->tray_icon()->activated(QSystemTrayIcon::Trigger);
    Q_EMIT ui->tray_icon()->activated(QSystemTrayIcon::DoubleClick);
    Q_EMIT ui->tray_icon()->activated(QSystemTrayIcon::MiddleClick);
    EXPECT_FALSE(ui->poll_event(&event, 0));
    Q_EMIT ui->tray_icon()->activated(QSystemTrayIcon::Context);
    ui->post_command(kCmdDrawMode);
    ui->post_quit();
    ASSERT_TRUE(ui->poll_event(&event, 0));
    EXPECT_EQ(event.kind, UiEventKind::kTrayRightButton);
    ASSERT_TRUE(ui->poll_event(&event, 0));
    EXPECT_EQ(event.kind, UiEventKind::kCommand);
    EXPECT_EQ(event.command, static_cast<std::uint32_t>(kCmdDrawMode));
    ASSERT_TRUE(ui->poll_event(&event, 0));
    EXPECT_EQ(event.kind, UiEventKind::kQuit);
    EXPECT_FALSE(ui->poll_event(&event, 0));
    ui->remove_tray_icon();
    ui->remove_tray_icon();
    EXPECT_EQ(ui->tray_icon(), nullptr);
}

TEST_F(QtUiTest, AWaitEndsAtItsDeadlineOrAtOnceWhenAnEventArrives) {
    UiEvent event;
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(ui->poll_event(&event, 0.05));
    EXPECT_GE(clock.elapsed(), 50) << "the wait ended before its deadline";

    // An event queued by a Qt handler ends a long wait.
    QTimer::singleShot(20, [this] { ui->post_command(kCmdFeed); });
    clock.restart();
    ASSERT_TRUE(ui->poll_event(&event, 30.0));
    EXPECT_EQ(event.command, static_cast<std::uint32_t>(kCmdFeed));
    EXPECT_LT(clock.elapsed(), 10000);

    // So does a file descriptor of the program's own, as the signal pipe is; a wakeup that queues
    // nothing does not end the wait early.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    QSocketNotifier notifier(fds[0], QSocketNotifier::Read);
    int reads = 0;
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        char c = 0;
        if (read(fds[0], &c, 1) == 1 && ++reads == 2) ui->post_command(kCmdExit);
    });
    std::thread writer([&] {
        for (int i = 0; i < 2; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            (void)!write(fds[1], "x", 1);
        }
    });
    clock.restart();
    const bool got = ui->poll_event(&event, 30.0);
    writer.join();
    close(fds[0]);
    close(fds[1]);
    ASSERT_TRUE(got);
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(event.command, static_cast<std::uint32_t>(kCmdExit));
    EXPECT_LT(clock.elapsed(), 10000);
}

TEST_F(QtUiTest, IconIsAGoldfishAtEverySize) {
    for (int size : {16, 24, 32, 48}) {
        const QImage image = draw_goldfish(size).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size;
        EXPECT_EQ(qAlpha(image.pixel(0, size - 1)), 0) << size;
        int orange = 0, dark = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const QRgb p = image.pixel(x, y);
                if (qAlpha(p) > 200 && qRed(p) > 200 && qGreen(p) < 140 && qBlue(p) < 90) ++orange;
                if (qAlpha(p) > 200 && qRed(p) < 60 && qGreen(p) < 60 && qBlue(p) < 60) ++dark;
            }
        EXPECT_GT(orange, size * size / 6) << size;  // mostly an orange-red body
        EXPECT_GT(dark, 0) << size;                  // with an eye
    }
    const QList<QSize> sizes = app_icon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    EXPECT_TRUE(sizes.contains(QSize(48, 48)));
}

TEST(InstanceLock, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    test::ScratchDir dir;
    const std::string path = dir.file("lock");
    InstanceLock first, second;
    EXPECT_TRUE(first.acquire(path));
    EXPECT_FALSE(second.acquire(path));
    first.release();
    EXPECT_TRUE(second.acquire(path));
    EXPECT_TRUE(InstanceLock().acquire(dir.file("missing-folder/lock"))) << "no lock file: the start goes on";
    EXPECT_NE(InstanceLock::default_path().find("Brinelight Vespera"), std::string::npos);
}

}  // namespace
}  // namespace brine
