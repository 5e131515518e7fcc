#include "shell/main_window.h"

#include "feed/fetch_document.h"
#include "resources/dialogs.h"
#include "resources/resource_ids.h"
#include "shell/add_fish_dialog.h"
#include "shell/delete_fish_dialog.h"
#include "shell/settings_dialog.h"
#include "shell/shell_texts.h"

namespace brine {

std::string version_text() {
    return std::string(kProductTitle) + " Ver." + kVersionString + " \n" + kProductCopyright;
}

MainWindow::MainWindow(const MainWindowParts& parts) : p_(parts), versionText_(version_text()) {}

void MainWindow::create() { p_.ui->add_tray_icon(kTrayTip); }

void MainWindow::tray_right_button() {
    if (destroyed_) return;
    const int fish = p_.aquarium->count_fish();
    const MenuItemState states[] = {
        {kCmdAddFish, fish < kMaxLiveFish, false},
        {kCmdDeleteFish, fish > 0, false},
        {kCmdStopTime, true, p_.flags->timeRunning == 0},
        {kCmdShowNames, true, p_.settings->showNames != 0},
        {kCmdShowSatiety, true, p_.settings->showSatiety != 0},
        {kCmdShowTopics, true, p_.flags->showTopics != 0},
    };
    const std::uint32_t chosen = p_.ui->track_popup_menu(states, sizeof states / sizeof states[0]);
    if (chosen != 0) command(chosen);
}

bool MainWindow::command(std::uint32_t cmd) {
    if (destroyed_) return false;
    switch (cmd) {
    case kCmdSettings: {
        SettingsDialog dialog(*p_.ui, *p_.settings, *p_.settingsStore, *p_.aquarium, *this);
        p_.ui->run_dialog(kConfigDialog, dialog);
        return true;
    }
    case kCmdExit:
        destroy();
        return true;
    case kCmdAddFish: {
        AddFishDialog dialog(*p_.ui, *p_.aquarium, *p_.catalog);
        p_.ui->run_dialog(kAddDialog, dialog);
        return true;
    }
    case kCmdShowNames: p_.settings->showNames = toggled(p_.settings->showNames); return true;
    case kCmdDeleteFish: {
        DeleteFishDialog dialog(*p_.ui, *p_.aquarium);
        p_.ui->run_dialog(kDeleteDialog, dialog);
        return true;
    }
    case kCmdFeed: p_.aquarium->feed_fish(); return true;
    case kCmdShowSatiety: p_.settings->showSatiety = toggled(p_.settings->showSatiety); return true;
    case kCmdVersion:
        p_.ui->message_box(versionText_.c_str(), kCaptionVersion, kMbOkCancel | kMbIconInformation, true);
        return true;
    case kCmdInstallExtension:
        installer_.install_extension(*p_.ui, *p_.catalog, p_.settings->unlockClock, *p_.clock, *p_.saveFailure);
        return true;
    case kCmdStopTime: p_.flags->timeRunning = toggled(p_.flags->timeRunning); return true;
    case kCmdDrawMode: p_.flags->fishDrawModeFlag = toggled(p_.flags->fishDrawModeFlag); return true;
    case kCmdShowTopics: p_.flags->showTopics = toggled(p_.flags->showTopics); return true;
    case kCmdWebSite: p_.ui->open_url(kMakerSite); return true;
    default: return false;
    }
}

void MainWindow::display_changed() {
    if (destroyed_) return;
    p_.ui->message_box(kMsgDisplayChanged, kCaptionCaution, kMbIconInformation, false);
    destroy();
}

void MainWindow::destroy() {
    if (destroyed_) return;
    destroyed_ = true;
    save_settings(*p_.settings, *p_.settingsStore);
    // A failed rebuild has already emptied the tank; saving then would wipe the save file.
    if (!rosterLost_) p_.aquarium->save_roster();
    p_.ui->remove_tray_icon();
    p_.aquarium->shutdown_display();
    p_.ui->post_quit();
}

void MainWindow::end_after_display_loss() {
    rosterLost_ = true;
    if (destroyed_) return;
    p_.ui->message_box(kMsgDisplayFailed, kCaptionWarning, kMbIconWarning, true);
    p_.ui->remove_tray_icon();
    destroy();
}

void MainWindow::handle_event(const UiEvent& event) {
    switch (event.kind) {
    case UiEventKind::kTrayRightButton: tray_right_button(); break;
    case UiEventKind::kCommand: command(event.command); break;
    case UiEventKind::kDisplayChange: display_changed(); break;
    case UiEventKind::kQuit: break;  // the loop ends on it before it gets here
    }
}

}  // namespace brine
