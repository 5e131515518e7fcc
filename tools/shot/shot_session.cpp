// One aquarium run inside the shot tool. Tool code only.
#include "tools/shot/shot_session.h"

#include <cstdlib>
#include <cstring>

#include "platform/linux/text_codec.h"
#include "shell/app_settings.h"

namespace brine::shot {

Session::Session(const SessionOptions& options) {
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
    AquariumPlatform platform;
    platform.clock = &clock;
    platform.ui = &ui;
    platform.settingsStore = &settings_;
    platform.http = &http_;
    platform.graphics = &graphics_;
    platform.desktop = &desktop_;
    aquarium_ = std::make_unique<Aquarium>(platform);
}

Session::~Session() = default;

bool Session::start(std::string* why) {
    StartupOutcome outcome = aquarium_->start();
    if (outcome.enterMainLoop) return true;
    *why = "the program's start-up stopped (exit code " + std::to_string(outcome.exitCode) + ")";
    for (const std::string& m : ui.messages) *why += "; " + m;
    if (aquarium_->display.device == nullptr)
        *why += "; no OpenGL 3.3 device could be made (try QT_QPA_PLATFORM=xcb under xvfb-run)";
    return false;
}

GlGraphicsDevice* Session::device() const {
    // The device came from GlGraphicsPlatform, so it is the OpenGL one.
    return static_cast<GlGraphicsDevice*>(aquarium_->display.device);
}

void Session::clear_fish() {
    for (int slot = 0; slot < kTankSlots; ++slot) aquarium_->clear_fish_slot(slot);
}

int find_catalog_row(const FishCatalog& catalog, const std::string& kind) {
    char* end = nullptr;
    long n = std::strtol(kind.c_str(), &end, 10);
    if (!kind.empty() && end && *end == '\0') return n >= 0 && n < catalog.count ? static_cast<int>(n) : -1;
    const std::string sjis = utf8_to_sjis(kind);
    for (int row = 0; row < catalog.count; ++row)
        if (catalog.rows[row].modelName == kind || catalog.rows[row].kindName == sjis) return row;
    return -1;
}

int Session::add_fish(const std::string& kind, const std::string& name, int satiety, std::string* why) {
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
    const std::string sjisName = utf8_to_sjis(name);
    if (failed(aquarium_->create_fish(row, satiety, 0, sjisName.c_str()))) {
        *why = "creating a fish of kind " + catalog.rows[row].modelName + " named \"" + name +
               "\" failed (no free slot, a name of 1..24 bytes is needed, or the kind's mesh or motion "
               "script does not load)";
        return -1;
    }
    return freeSlot;
}

void Session::command(std::uint32_t id) {
    UiEvent event;
    event.kind = UiEventKind::kCommand;
    event.command = id;
    aquarium_->main_window().handle_event(event);
}

int Session::run_seconds(double seconds) {
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

bool Session::read_frame(QImage* image) {
    GlGraphicsDevice* gl = device();
    if (!gl) return false;
    Surface* back = nullptr;
    if (failed(gl->get_back_buffer(0, 0, &back))) return false;
    const std::uint32_t w = back->width(), h = back->height();
    back->release();
    std::vector<std::uint32_t> pixels(std::size_t(w) * h);
    if (w == 0 || h == 0 || failed(gl->read_back_buffer(w, h, pixels.data()))) return false;
    QImage out(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGB32);
    for (std::uint32_t y = 0; y < h; ++y)
        std::memcpy(out.scanLine(static_cast<int>(y)), pixels.data() + std::size_t(y) * w, std::size_t(w) * 4);
    *image = out;
    return true;
}

}  // namespace brine::shot
