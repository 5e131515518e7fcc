// The program's persistent settings and their load and save through the settings key. Loading
// never fails: a missing key or value takes its default. Depends only on base/ and the
// SettingsStore interface.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/clock.h"
#include "render/wallpaper.h"
#include "shell/settings_store.h"

namespace brine {

// Value names in the key, used exactly.
constexpr char kSettingsNames[] = "NAMES";
constexpr char kSettingsSatiety[] = "SATIETY";
constexpr char kSettingsWallType[] = "WALLTYPE";
constexpr char kSettingsWallFile[] = "WALLFILE";
constexpr char kSettingsStartup[] = "STARTUP";
constexpr char kSettingsBackBufferSize[] = "BBSIZE";

// The control identifiers of the settings dialog's two wallpaper buttons, stored as they are.
constexpr std::int32_t kWallpaperStretch = kWallpaperEnlarge;  // render/wallpaper.h: 1007, 1008
constexpr char kDefaultWallpaperFile[] = "bg_sprite1.jpg";
constexpr std::size_t kWallpaperFileBytes = 260;  // a path of at most 259 bytes and its zero

struct QualityMode {
    std::int32_t width;
    std::int32_t height;
    const char* listText;  // the settings dialog's quality list, in this order
};
constexpr int kQualityModeCount = 5;
constexpr QualityMode kQualityModes[kQualityModeCount] = {
    {640, 480, "VGA(640x480)"},      {800, 600, "SVGA(800x600)"},    {1024, 768, "XGA(1024x768)"},
    {1280, 1024, "SXGA(1280x1024)"}, {1600, 1200, "UXGA(1600x1200)"},
};

struct AppSettings {
    std::int32_t showNames = 0;
    std::int32_t showSatiety = 0;
    std::int32_t wallpaperMode = kWallpaperStretch;
    char wallpaperFile[kWallpaperFileBytes] = {};
    std::uint32_t unlockClock = 0;  // tick count the fish catalog counts its unlock hours from
    std::int32_t qualityIndex = 1;
    // Derived from qualityIndex; 640 x 480 until the settings are read.
    std::int32_t backBufferWidth = 640;
    std::int32_t backBufferHeight = 480;
};

// The back-buffer size of a quality index 0 to 4; false (and nothing written) for any other.
bool back_buffer_size_for(std::int32_t qualityIndex, std::int32_t* width, std::int32_t* height);

// Reads "NAMES", "SATIETY", "WALLTYPE", "WALLFILE", "STARTUP" and "BBSIZE" in that order and sets
// the back-buffer size; the key is created when missing and closed again. A value that would
// not fit its setting (over 4 bytes for a number, over 259 for the path) reads as absent.
void load_settings(AppSettings& settings, SettingsStore& store, Clock& clock);

// Writes all six values in the same order and closes the key; stores nothing when the key
// cannot be opened. Results of the individual writes are not acted on.
void save_settings(const AppSettings& settings, SettingsStore& store);

}  // namespace brine
