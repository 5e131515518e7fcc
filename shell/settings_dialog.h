// The settings dialog's logic ("RES_DLG_CONFIG"): picture quality, wallpaper file and layout,
// applied and saved on OK; and the wallpaper's open-file dialog. Driven through DialogControls.
// Must not depend on anything but base/, resources/ and shell/.
#pragma once
#include <cstddef>

#include "shell/app_settings.h"
#include "shell/aquarium_actions.h"
#include "shell/settings_store.h"
#include "shell/ui.h"

namespace brine {

// What the settings dialog needs of the main window when a rebuild after a quality change fails.
class DisplayLossHandler {
public:
    virtual ~DisplayLossHandler() = default;
    // Reports the failure to the user, removes the tray icon and destroys the main window, whose
    // shutdown must not save the roster that the failed rebuild emptied.
    virtual void end_after_display_loss() = 0;
};

// The wallpaper open-file dialog's filter pairs and settings.
extern const char* const kWallpaperFilters[8];
constexpr std::size_t kWallpaperFilterPairs = 4;
extern const char kWallpaperDialogTitle[];  // 設定したい画像ファイルを選択
constexpr char kWallpaperDefaultExtension[] = "bmp";

// choose_wallpaper_file: the open-file dialog over `path` (260 bytes, in and out), owned by the
// settings dialog. Nonzero when the user chose a file. The current directory is restored.
bool choose_wallpaper_file(Ui& ui, char* path, std::size_t pathSize);

class SettingsDialog : public DialogProcedure {
public:
    SettingsDialog(Ui& ui, AppSettings& settings, SettingsStore& store, AquariumActions& aquarium,
                   DisplayLossHandler& displayLoss)
        : ui_(ui), settings_(settings), store_(store), aquarium_(aquarium), displayLoss_(displayLoss) {}

    bool init_dialog(DialogControls& controls) override;
    bool command(DialogControls& controls, int controlId, int notification) override;

    const char* pending_wallpaper_file() const { return pendingWallpaperFile_; }

private:
    void apply(DialogControls& controls);

    Ui& ui_;
    AppSettings& settings_;
    SettingsStore& store_;
    AquariumActions& aquarium_;
    DisplayLossHandler& displayLoss_;
    char pendingWallpaperFile_[kWallpaperFileBytes] = {};
};

}  // namespace brine
