#include "shell/settings_dialog.h"

#include "resources/dialogs.h"
#include "resources/resource_ids.h"
#include "shell/shell_texts.h"
#include "shell/shell_util.h"

namespace brine {

const char* const kWallpaperFilters[8] = {
    "\x91S\x82\xC4\x82\xCC\x89\xE6\x91\x9C\xCC\xA7\xB2\xD9(*.*)", "*.bmp;*.dib;*.jpg;*.jpe;*.jpeg;*.png",  // 全ての画像ﾌｧｲﾙ(*.*)
    "BMP\xCC\xA7\xB2\xD9(*.bmp;*.dib)", "*.bmp;*.dib",                                                     // BMPﾌｧｲﾙ(*.bmp;*.dib)
    "JPEG\xCC\xA7\xB2\xD9(*.jpg;*.jpe;*.jpeg)", "*.jpg;*.jpe;*.jpeg",                                      // JPEGﾌｧｲﾙ(*.jpg;*.jpe;*.jpeg)
    "PNG\xCC\xA7\xB2\xD9(*.png)", "*.png",                                                                 // PNGﾌｧｲﾙ(*.png)
};
const char kWallpaperDialogTitle[] =
    "\x90\xDD\x92\xE8\x82\xB5\x82\xBD\x82\xA2\x89\xE6\x91\x9C\x83t\x83@\x83" "C\x83\x8B\x82\xF0\x91I\x91\xF0";  // 設定したい画像ファイルを選択

bool choose_wallpaper_file(Ui& ui, char* path, std::size_t pathSize) {
    CurrentDirectoryKeeper directory;  // data files are opened relative to it
    OpenFileRequest request;
    request.ownerIsDialog = true;
    request.filters = kWallpaperFilters;
    request.filterPairs = kWallpaperFilterPairs;
    request.title = kWallpaperDialogTitle;
    request.defaultExtension = kWallpaperDefaultExtension;
    request.flags = kOfnFileMustExist | kOfnHideReadOnly;
    request.path = path;
    request.pathSize = pathSize;
    const bool chosen = ui.choose_open_file(request);
    directory.restore();
    return chosen;
}

bool SettingsDialog::init_dialog(DialogControls& controls) {
    copy_text(pendingWallpaperFile_, sizeof pendingWallpaperFile_, settings_.wallpaperFile);
    for (const char* name : kQualityNames) controls.combo_add_string(kIdQualityCombo, name);
    // A stored index outside the list selects nothing; OK then leaves it alone.
    controls.combo_set_selection(kIdQualityCombo, settings_.qualityIndex);
    controls.set_file_name_text(kIdWallpaperName, settings_.wallpaperFile);
    controls.check_radio_button(kIdStretchRadio, kIdTileRadio, settings_.wallpaperMode);
    return false;
}

bool SettingsDialog::command(DialogControls& controls, int controlId, int notification) {
    switch (controlId) {
    case kIdBrowse:
        if (notification != kBnClicked) return false;
        if (choose_wallpaper_file(ui_, pendingWallpaperFile_, sizeof pendingWallpaperFile_))
            controls.set_file_name_text(kIdWallpaperName, pendingWallpaperFile_);
        return true;
    case kIdOk:
        apply(controls);
        return true;
    case kIdCancel:
        controls.end_dialog(kIdCancel);
        return true;
    default:
        return false;
    }
}

void SettingsDialog::apply(DialogControls& controls) {
    // The image is read again on every OK, so a file changed on disk shows at once.
    if (failed(aquarium_.load_wallpaper(pendingWallpaperFile_)))
        ui_.message_box(kMsgImageLoadFailed, kCaptionWarning, kMbIconWarning, false);
    else
        copy_text(settings_.wallpaperFile, sizeof settings_.wallpaperFile, pendingWallpaperFile_);

    if (controls.is_checked(kIdStretchRadio)) settings_.wallpaperMode = kWallpaperStretch;
    if (controls.is_checked(kIdTileRadio)) settings_.wallpaperMode = kWallpaperTile;

    const int selection = controls.combo_selection(kIdQualityCombo);
    // No selection (a stored index outside the list) is not a choice: rebuilding at index -1
    // would ask the device for a size that does not exist.
    if (selection >= 0 && selection < kQualityModeCount && selection != settings_.qualityIndex) {
        settings_.qualityIndex = selection;
        back_buffer_size_for(selection, &settings_.backBufferWidth, &settings_.backBufferHeight);
        if (failed(aquarium_.recreate_display())) displayLoss_.end_after_display_loss();
    }

    save_settings(settings_, store_);
    controls.end_dialog(kIdOk);
}

}  // namespace brine
