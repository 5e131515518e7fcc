// One aquarium run inside a tool: the program's own Aquarium on the headless services, started
// through its real start-up, with helpers to add fish, send menu commands and run simulated
// seconds through the real main loop. The graphics platform and the device's window are the
// tool's. Tool code over the core: no platform header.
#pragma once
#include <memory>
#include <string>

#include "shell/aquarium.h"
#include "tools/scenes/scene_services.h"

namespace brine::scenes {

struct SessionOptions {
    std::int32_t quality = 1;
    std::int32_t wallpaperMode = 1007;
    std::string wallpaperFile;  // empty: the program's default
    bool names = false;
    bool satiety = false;
};

class AquariumSession {
public:
    // The platform outlives the session; the device draws into `window` (null: offscreen).
    AquariumSession(const SessionOptions& options, GraphicsPlatform& graphics, WindowHandle window);
    ~AquariumSession();

    // The program's start-up; false with the reason (and the boxes it showed, Shift-JIS) when it stops.
    bool start(std::string* why);
    Aquarium& aquarium() { return *aquarium_; }

    // Empties every fish slot (the roster start-up restored from the program folder included).
    void clear_fish();
    // KIND is a catalog row number, a model name or a kind name (Shift-JIS); the name is Shift-JIS.
    // The new fish's slot, or -1 with the reason.
    int add_fish(const std::string& kind, const std::string& name, int satiety, std::string* why);
    // A menu command as the main window receives it.
    void command(std::uint32_t id);
    // While hidden the main loop steps the tank but neither animates nor draws (cheap seconds).
    void set_desktop_visible(bool visible) { desktop_.visible = visible; }
    // Simulated seconds through the main loop's own passes, whose waits for the next frame move
    // the clock on (and one more frame at the end when none was drawn). Frames drawn.
    int run_seconds(double seconds);

    SimulatedClock clock;
    HeadlessUi ui;

private:
    MemorySettings settings_;
    FailingHttp http_;
    OffscreenDesktop desktop_;
    std::unique_ptr<Aquarium> aquarium_;
};

// The catalog row named by KIND (see add_fish), or -1.
int find_catalog_row(const FishCatalog& catalog, const std::string& kind);

}  // namespace brine::scenes
