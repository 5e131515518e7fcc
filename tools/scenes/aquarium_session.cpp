// One aquarium run inside a tool. No platform header.
#include "tools/scenes/aquarium_session.h"

#include <cstdlib>
#include <cstring>

#include "shell/app_settings.h"

namespace brine::scenes {

AquariumSession::AquariumSession(const SessionOptions& options, GraphicsPlatform& graphics, WindowHandle window) {
    // The settings key holds exactly what the program would have saved with these choices.
    AppSettings wanted;
    wanted.showNames = options.names ? 1 : 0;
    wanted.showSatiety = options.satiety ? 1 : 0;
    wanted.wallpaperMode = options.wallpaperMode;
    const std::string file = options.wallpaperFile.empty() ? kDefaultWallpaperFile : options.wallpaperFile;
    std::strncpy(wanted.wallpaperFile, file.c_str(), sizeof wanted.wallpaperFile - 1);
    wanted.qualityIndex = options.quality;
    wanted.unlockClock = clock.tick_count();
    save_settings(wanted, settings_);

    ui.clock = &clock;
    desktop_.window = window;
    AquariumPlatform platform;
    platform.clock = &clock;
    platform.ui = &ui;
    platform.settingsStore = &settings_;
    platform.http = &http_;
    platform.graphics = &graphics;
    platform.desktop = &desktop_;
    aquarium_ = std::make_unique<Aquarium>(platform);
}

AquariumSession::~AquariumSession() = default;

bool AquariumSession::start(std::string* why) {
    StartupOutcome outcome = aquarium_->start();
    if (outcome.enterMainLoop) return true;
    *why = "the program's start-up stopped (exit code " + std::to_string(outcome.exitCode) + ")";
    for (const std::string& m : ui.messages) *why += "; " + m;
    if (aquarium_->display.device == nullptr) *why += "; no graphics device could be made";
    return false;
}

void AquariumSession::clear_fish() {
    for (int slot = 0; slot < kTankSlots; ++slot) aquarium_->clear_fish_slot(slot);
}

int find_catalog_row(const FishCatalog& catalog, const std::string& kind) {
    char* end = nullptr;
    long n = std::strtol(kind.c_str(), &end, 10);
    if (!kind.empty() && end && *end == '\0') return n >= 0 && n < catalog.count ? static_cast<int>(n) : -1;
    for (int row = 0; row < catalog.count; ++row)
        if (catalog.rows[row].modelName == kind || catalog.rows[row].kindName == kind) return row;
    return -1;
}

int AquariumSession::add_fish(const std::string& kind, const std::string& name, int satiety, std::string* why) {
    const FishCatalog& catalog = aquarium_->catalog;
    const int row = find_catalog_row(catalog, kind);
    if (row < 0) {
        *why = "no fish kind \"" + kind + "\" in the catalog (" + std::to_string(catalog.count) + " kinds:";
        for (int r = 0; r < catalog.count; ++r)
            *why += " " + std::to_string(r) + "=" + catalog.rows[r].modelName;
        *why += ")";
        return -1;
    }
    int freeSlot = -1;
    for (int slot = 0; slot < Tank::kCreatableSlots && freeSlot < 0; ++slot)
        if (!aquarium_->tank.fish[slot].in_use()) freeSlot = slot;
    if (failed(aquarium_->create_fish(row, satiety, 0, name.c_str()))) {
        *why = "creating a fish of kind " + catalog.rows[row].modelName + " named \"" + name +
               "\" failed (no free slot, a name of 1..24 bytes is needed, or the kind's mesh or motion "
               "script does not load)";
        return -1;
    }
    return freeSlot;
}

void AquariumSession::command(std::uint32_t id) {
    UiEvent event;
    event.kind = UiEventKind::kCommand;
    event.command = id;
    aquarium_->main_window().handle_event(event);
}

int AquariumSession::run_seconds(double seconds) {
    const std::int64_t end = clock.micros() + static_cast<std::int64_t>(seconds * 1e6);
    MainLoop& loop = aquarium_->main_loop();
    int frames = 0;
    float lastDraw = loop.last_draw_time();
    while (clock.micros() < end) {
        if (!loop.run_pass()) break;  // the Ui's waits move the clock on
        if (loop.last_draw_time() != lastDraw) {
            ++frames;
            lastDraw = loop.last_draw_time();
        }
    }
    if (frames == 0 && succeeded(aquarium_->render_frame())) ++frames;
    return frames;
}

}  // namespace brine::scenes
