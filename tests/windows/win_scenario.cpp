// Small Win32 scenes that tests/windows/scenarios.sh drives from outside, as a user would: with
// xdotool on wine's X windows and with wine's own reg tool. Each prints one line of what it saw
// and exits. Usage: windows_scenario settings|tray|box|hold|close|instance
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/windows/registry_settings_store.h"
#include "platform/windows/win_clock.h"
#include "platform/windows/win_desktop_host.h"
#include "platform/windows/win_ui.h"
#include "resources/dialogs.h"
#include "resources/resource_ids.h"
#include "shell/app_settings.h"
#include "shell/shell_texts.h"

namespace {

using namespace brine;

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// The program's own key, as a run of the program leaves it.
int save_known_settings() {
    AppSettings s;
    s.showNames = 1;
    s.showSatiety = 0;
    s.wallpaperMode = kIdTileRadio;
    std::strcpy(s.wallpaperFile, "C:\\\xE5\xA3\x81\\a.jpg");  // C:\壁\a.jpg, UTF-8 like every host path here
    s.unlockClock = 123456;
    s.qualityIndex = 3;
    RegistrySettingsStore store;
    save_settings(s, store);
    say("saved");
    return 0;
}

// Waits for events for up to a minute; `on` answers true when the scene is over.
template <typename Handler>
int pump(WinUi& ui, Handler on) {
    for (int i = 0; i < 6000; ++i) {
        UiEvent e;
        if (ui.poll_event(&e, 0.01) && on(e)) return 0;
    }
    say("timed out");
    return 1;
}

// The tray icon; each right-button press opens the menu with "魚の追加" greyed and "時間を止める"
// checked. Ends after the exit command is chosen.
int tray() {
    WinUi ui;
    if (!ui.add_tray_icon(kTrayTip)) {
        say("no tray");
        return 1;
    }
    say("ready");
    const MenuItemState states[] = {{kCmdAddFish, false, false}, {kCmdStopTime, true, true}};
    return pump(ui, [&](const UiEvent& e) {
        if (e.kind != UiEventKind::kTrayRightButton) return false;
        const std::uint32_t chosen = ui.track_popup_menu(states, 2);
        say("chosen " + std::to_string(chosen));
        return chosen == kCmdExit;
    });
}

int box() {
    WinUi ui;
    say("ready");
    say("answer " + std::to_string(ui.message_box(kMsgAlreadyRunning, kCaptionWarning, kMbIconWarning, false)));
    return 0;
}

// The settings dialog filled as the program fills it; Escape from the keyboard must reach the
// procedure as Cancel.
class SettingsLike : public DialogProcedure {
public:
    bool init_dialog(DialogControls& c) override {
        for (const char* name : kQualityNames) c.combo_add_string(kIdQualityCombo, name);
        c.combo_set_selection(kIdQualityCombo, 1);
        c.set_file_name_text(kIdWallpaperName, "bg_sprite1.jpg");
        c.check_radio_button(kIdStretchRadio, kIdTileRadio, kIdStretchRadio);
        say("ready");
        return false;
    }
    bool command(DialogControls& c, int id, int notification) override {
        if (notification != kBnClicked || (id != kIdOk && id != kIdCancel)) return false;
        c.end_dialog(id);
        return true;
    }
};

int dialog() {
    WinUi ui;
    SettingsLike procedure;
    say("ended " + std::to_string(ui.run_dialog(kConfigDialog, procedure)));
    return 0;
}

// A running copy: the main window exists until it is closed from outside.
int hold() {
    WinUi ui;
    if (!ui.create_main_window()) return 1;
    say("ready");
    return pump(ui, [](const UiEvent& e) {
        if (e.kind != UiEventKind::kCommand || e.command != kCmdExit) return false;
        say("exit");
        return true;
    });
}

int close_running() {
    HWND w = FindWindowW(kMainWindowClass, kMainWindowTitle);
    say(w && PostMessageW(w, WM_CLOSE, 0, 0) ? "closed" : "none");
    return 0;
}

int instance() {
    WinDesktopHost host;
    say(host.another_instance_running() ? "running" : "alone");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "settings") return save_known_settings();
    if (what == "tray") return tray();
    if (what == "box") return box();
    if (what == "dialog") return dialog();
    if (what == "hold") return hold();
    if (what == "close") return close_running();
    if (what == "instance") return instance();
    std::fprintf(stderr, "usage: windows_scenario settings|tray|box|dialog|hold|close|instance\n");
    return 2;
}
