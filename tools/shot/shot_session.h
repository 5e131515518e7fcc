// One aquarium run inside the shot tool: the program's own Aquarium on the headless services,
// started through its real start-up, with helpers to add fish, send menu commands, run simulated
// seconds through the real main loop and read the drawn frame back. Tool code only.
#pragma once
#include <QImage>

#include <memory>
#include <string>

#include "platform/linux/gl_graphics.h"
#include "shell/aquarium.h"
#include "tools/shot/shot_services.h"

namespace brine::shot {

struct SessionOptions {
    std::int32_t quality = 1;
    std::int32_t wallpaperMode = 1007;
    std::string wallpaperFile;  // empty: the program's default
    bool names = false;
    bool satiety = false;
};

class Session {
public:
    explicit Session(const SessionOptions& options);
    ~Session();

    // The program's start-up; false with the reason (and the boxes it showed) when it stops.
    bool start(std::string* why);
    Aquarium& aquarium() { return *aquarium_; }
    GlGraphicsDevice* device() const;

    // Empties every fish slot (the roster start-up restored from the program folder included).
    void clear_fish();
    // KIND is a catalog row number, a model name or a kind name (UTF-8); the name is UTF-8.
    // The new fish's slot, or -1 with the reason.
    int add_fish(const std::string& kind, const std::string& name, int satiety, std::string* why);
    // A menu command as the main window receives it.
    void command(std::uint32_t id);
    // Simulated seconds through the main loop's own passes, whose waits for the next frame move
    // the clock on (and one more frame at the end when none was drawn). Frames drawn.
    int run_seconds(double seconds);
    // The back buffer as an RGB image; false when it can't be read.
    bool read_frame(QImage* image);

    SimulatedClock clock;
    HeadlessUi ui;

private:
    MemorySettings settings_;
    FailingHttp http_;
    GlGraphicsPlatform graphics_;
    OffscreenDesktop desktop_;
    std::unique_ptr<Aquarium> aquarium_;
};

// The catalog row named by KIND (see add_fish), or -1.
int find_catalog_row(const FishCatalog& catalog, const std::string& kind);

}  // namespace brine::shot
