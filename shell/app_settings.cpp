// Settings load and save. Each value is read in two steps, size then bytes, and the size is
// checked against the destination in between, so a stored value never writes past its setting.
#include "shell/app_settings.h"

#include <cstring>

namespace brine {

namespace {

// Reads name into dest (room bytes) and reports the stored size; false when the value is
// absent, unreadable or larger than room.
bool read_value(SettingsStore& store, const char* name, std::uint8_t* dest, std::uint32_t room,
                std::uint32_t* storedSize) {
    std::uint32_t size = 0;
    if (failed(store.query_value(name, nullptr, nullptr, &size))) return false;
    if (size > room) return false;  // cut short it would be a different number or path
    if (failed(store.query_value(name, nullptr, dest, &size))) return false;  // it may have grown
    *storedSize = size;
    return true;
}

// A stored number, little-endian; a value shorter than 4 bytes is taken with zero high bytes.
bool read_number(SettingsStore& store, const char* name, std::uint32_t* number) {
    std::uint8_t bytes[4] = {};
    std::uint32_t size = 0;
    if (!read_value(store, name, bytes, sizeof bytes, &size)) return false;
    *number = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
              static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return true;
}

void write_number(SettingsStore& store, const char* name, std::uint32_t number) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                                   static_cast<std::uint8_t>(number >> 16),
                                   static_cast<std::uint8_t>(number >> 24)};
    store.set_value(name, kRegDword, bytes, sizeof bytes);
}

}  // namespace

bool back_buffer_size_for(std::int32_t qualityIndex, std::int32_t* width, std::int32_t* height) {
    if (qualityIndex < 0 || qualityIndex >= kQualityModeCount) return false;
    *width = kQualityModes[qualityIndex].width;
    *height = kQualityModes[qualityIndex].height;
    return true;
}

void load_settings(AppSettings& settings, SettingsStore& store, Clock& clock) {
    // When the key cannot be opened every value reads as absent.
    const bool open = succeeded(store.open_key());
    std::uint32_t number = 0;

    settings.showNames = open && read_number(store, kSettingsNames, &number) && number == 1 ? 1 : 0;
    settings.showSatiety = open && read_number(store, kSettingsSatiety, &number) && number == 1 ? 1 : 0;
    settings.wallpaperMode = open && read_number(store, kSettingsWallType, &number)
                                 ? static_cast<std::int32_t>(number)
                                 : kWallpaperStretch;

    // The cleared buffer supplies the terminator; 259 bytes of room keep one zero in place.
    std::memset(settings.wallpaperFile, 0, sizeof settings.wallpaperFile);
    std::uint32_t pathSize = 0;
    if (!open || !read_value(store, kSettingsWallFile, reinterpret_cast<std::uint8_t*>(settings.wallpaperFile),
                             kWallpaperFileBytes - 1, &pathSize)) {
        std::memset(settings.wallpaperFile, 0, sizeof settings.wallpaperFile);
        std::memcpy(settings.wallpaperFile, kDefaultWallpaperFile, sizeof kDefaultWallpaperFile);
    }

    settings.unlockClock = open && read_number(store, kSettingsStartup, &number) ? number : clock.tick_count();
    settings.qualityIndex =
        open && read_number(store, kSettingsBackBufferSize, &number) ? static_cast<std::int32_t>(number) : 1;
    // An index outside the table keeps the back buffer's first size, 640 x 480.
    if (!back_buffer_size_for(settings.qualityIndex, &settings.backBufferWidth, &settings.backBufferHeight)) {
        settings.backBufferWidth = kQualityModes[0].width;
        settings.backBufferHeight = kQualityModes[0].height;
    }

    if (open) store.close_key();
}

void save_settings(const AppSettings& settings, SettingsStore& store) {
    if (failed(store.open_key())) return;
    write_number(store, kSettingsNames, settings.showNames != 0 ? 1 : 0);
    write_number(store, kSettingsSatiety, settings.showSatiety != 0 ? 1 : 0);
    write_number(store, kSettingsWallType, static_cast<std::uint32_t>(settings.wallpaperMode));
    // At most 259 bytes, so what is written always reads back, even from a buffer that lost
    // its terminator.
    std::size_t pathLength = 0;
    while (pathLength < kWallpaperFileBytes - 1 && settings.wallpaperFile[pathLength] != '\0') ++pathLength;
    store.set_value(kSettingsWallFile, kRegBinary, reinterpret_cast<const std::uint8_t*>(settings.wallpaperFile),
                    static_cast<std::uint32_t>(pathLength));
    write_number(store, kSettingsStartup, settings.unlockClock);
    write_number(store, kSettingsBackBufferSize, static_cast<std::uint32_t>(settings.qualityIndex));
    store.close_key();
}

}  // namespace brine
