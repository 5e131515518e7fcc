// The hidden main window's procedure: the tray icon, the popup menu with its greyed and checked
// items, the menu commands, the end on a display change and the shutdown sequence. Everything it
// acts on is handed in through MainWindowParts.
// Must not depend on anything but base/, data/ (the catalog), resources/ and shell/.
#pragma once
#include <cstdint>
#include <string>

#include "base/clock.h"
#include "data/fish_catalog.h"
#include "shell/app_settings.h"
#include "shell/aquarium_actions.h"
#include "shell/extension_install.h"
#include "shell/main_loop.h"
#include "shell/run_flags.h"
#include "shell/settings_store.h"
#include "shell/ui.h"

namespace brine {

// "Brinelight Vespera Ver.0.44 " (with its blank), a line break, the copyright line.
std::string version_text();

struct MainWindowParts {
    Ui* ui = nullptr;
    AquariumActions* aquarium = nullptr;
    AppSettings* settings = nullptr;
    SettingsStore* settingsStore = nullptr;
    FishCatalog* catalog = nullptr;
    Clock* clock = nullptr;  // the catalog's unlock hours after an extension install
    RunFlags* flags = nullptr;
    SaveFailureNotice* saveFailure = nullptr;  // a pack's new ledger that could not be written
};

class MainWindow : public WindowProcedure {
public:
    explicit MainWindow(const MainWindowParts& parts);

    // WM_CREATE: the tray icon with the tip "Brinelight".
    void create();
    // The tray icon's callback: only a right-button press opens the menu; the chosen command is
    // carried out at once, as its WM_COMMAND would be.
    void tray_right_button();
    // WM_COMMAND; false for a command the window does not know (DefWindowProc).
    bool command(std::uint32_t command);
    // WM_DISPLAYCHANGE: the caution message, then the end of the program.
    void display_changed();
    // DestroyWindow: the shutdown sequence, once; later calls do nothing.
    void destroy();

    // WindowProcedure.
    void handle_event(const UiEvent& event) override;
    // After a rebuild failed: the display message, and the end without saving the emptied roster.
    void end_after_display_loss() override;

    bool destroyed() const { return destroyed_; }
    const std::string& version() const { return versionText_; }
    ExtensionInstaller& installer() { return installer_; }

private:
    MainWindowParts p_;
    std::string versionText_;
    ExtensionInstaller installer_;
    bool destroyed_ = false;
    bool rosterLost_ = false;
};

}  // namespace brine
