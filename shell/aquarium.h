// The whole program's records wired together: settings, run flags, catalog, ticker, display,
// scene, tank and the loops and windows that act on them. Start-up, the main loop, the main
// window and the dialogs reach the tank and the display only through the interfaces this record
// implements. The platform hands in its services (AquariumPlatform) and nothing else.
// Must not depend on any platform header.
#pragma once
#include <cstdint>
#include <memory>

#include "base/clock.h"
#include "base/crt_rand.h"
#include "data/fish_catalog.h"
#include "data/resource_registry.h"
#include "feed/http_client.h"
#include "feed/topic_ticker.h"
#include "fish/fish_world.h"
#include "fish/skinned_mesh_ops.h"
#include "fish/tank.h"
#include "fish/tank_view.h"
#include "render/display_context.h"
#include "render/frame.h"
#include "render/scene.h"
#include "shell/app_settings.h"
#include "shell/aquarium_actions.h"
#include "shell/frame_clock.h"
#include "shell/main_loop.h"
#include "shell/main_window.h"
#include "shell/run_flags.h"
#include "shell/save_failure_notice.h"
#include "shell/settings_store.h"
#include "shell/startup.h"
#include "shell/ui.h"

namespace brine {

// What hosting the tank needs of the desktop beyond the Ui: the single-instance test, whether a
// desktop can host the tank, the window the device draws into, the background priority, the
// way the tank is attached to the desktop, and whether the desktop can be seen at all.
//
// Two ways of attaching: on its own desktop (no other program draws the desktop: the tank's
// window lies at the bottom and the wallpaper of the settings is drawn under the fish), or over
// another program's desktop (a file manager or shell that draws the background and the icons):
// the tank's window lies directly above that desktop and below every other window, takes no
// input, and shows only the tank's contents; where the back buffer keeps the clear colour's
// alpha 0 that desktop shows through. The host picks the way and may change it while the
// program runs; a change that needs another window goes through the display rebuild.
class DesktopHost {
public:
    virtual ~DesktopHost() = default;
    virtual bool another_instance_running() = 0;
    virtual bool check_active_desktop() = 0;
    // The window the device draws into, made for the way of attaching that holds now. Asked at
    // start-up; a rebuild asks again only when attachment_changed() says so, else it reuses the
    // handle. Null when there is none (device creation then fails).
    virtual WindowHandle find_web_view_window() = 0;
    virtual void enter_background() = 0;
    // Whether the frame draws the wallpaper: true while the window last given out is the tank's
    // own desktop, false while it lies over another program's desktop. Follows that window, not
    // the desktop's latest state, so it changes only across a rebuild. Asked before every frame:
    // answer from kept state.
    virtual bool draws_wallpaper() = 0;
    // True once the way of attaching has changed so that the window last given out no longer
    // serves (another program's desktop or a compositing manager came or went). The host then
    // makes the device's Present report a loss once, and the rebuild that follows asks
    // find_web_view_window for the new window; that call makes it false again. A host that
    // never changes its way answers false.
    virtual bool attachment_changed() = 0;
    // Called by the main loop on each pass where a step is due (at most 30 times a second, never
    // during start-up), so it must be cheap: answer from state the host keeps up to date from its
    // window-system events, re-reading anything that has no event at most a few times a second.
    // False while nothing of the desktop window can be seen: a full-screen window covers it on its
    // screen, or it is fully obscured (where no compositor runs, which would hide that), or the
    // screen saver is active, or the display is powered down (standby, suspend, off). The loop then
    // keeps the tank's fixed step going and draws nothing. True when unsure, and before the
    // window exists.
    virtual bool desktop_visible() = 0;
};

struct AquariumPlatform {
    Clock* clock = nullptr;
    Ui* ui = nullptr;
    SettingsStore* settingsStore = nullptr;
    HttpClient* http = nullptr;
    GraphicsPlatform* graphics = nullptr;
    DesktopHost* desktop = nullptr;
};

class Aquarium final : public StartupSteps,
                       public AquariumActions,
                       public LoopActions,
                       public SceneFishHooks,
                       public TopicSource {
public:
    explicit Aquarium(const AquariumPlatform& platform);
    ~Aquarium() override;
    Aquarium(const Aquarium&) = delete;
    Aquarium& operator=(const Aquarium&) = delete;

    // Start-up (run_startup over this record's steps); on success the caller runs main_loop().
    StartupOutcome start();
    MainLoop& main_loop() { return *loop_; }
    MainWindow& main_window() { return *window_; }

    // --- StartupSteps ---
    bool another_instance_running() override;
    bool check_active_desktop() override;
    void load_settings() override;
    bool load_topics() override;
    bool build_catalog() override;
    bool create_main_window() override;
    HResult init_display(std::int32_t width, std::int32_t height) override;
    void save_settings() override;
    HResult init_scene() override;
    void enter_background() override;

    // --- AquariumActions ---
    int count_fish() override;
    const char* fish_name(int slot) override;
    int find_fish_by_name(const char* name) override;
    HResult create_fish(int row, int satiety, int overfedCount, const char* name) override;
    void clear_fish_slot(int slot) override;
    void save_roster() override;
    void feed_fish() override;
    HResult load_wallpaper(const char* path) override;
    HResult recreate_display() override;
    void shutdown_display() override;

    // --- LoopActions ---
    void tank_step() override;
    void tank_animate(float stepElapsed) override;
    HResult render_frame() override;
    bool desktop_visible() override;

    // --- SceneFishHooks ---
    void reset_fish_slots() override;
    void load_roster() override;
    void set_pellet_board(int pellet, std::unique_ptr<SceneObject> board) override;
    void free_catalog_arrays() override;
    void free_topics() override;

    // --- TopicSource ---
    const char* topic_text(std::int32_t index) const override;

    // The records, for the shot tool and tests.
    AppSettings settings;
    RunFlags flags;
    CrtRand rand;
    ResourceRegistry registry;
    FishCatalog catalog;
    TopicTicker ticker;
    DisplayContext display;
    Tank tank;
    SaveFailureNotice saveFailure;  // once per run, for the roster and the ledgers

    Scene& scene() { return *scene_; }
    FishWorld& fish_world();
    const AquariumPlatform& platform() const { return p_; }

private:
    DisplayServices display_services();
    SceneSettings scene_settings() const;
    // The mesh loader follows the device of the latest init_direct3d.
    void follow_device();

    AquariumPlatform p_;
    WindowHandle webViewWindow_ = nullptr;
    bool webViewSearched_ = false;
    std::unique_ptr<SkinnedMeshOps> meshOps_;
    std::unique_ptr<Scene> scene_;
    FishWorld world_;
    std::unique_ptr<FrameClock> frameClock_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<MainLoop> loop_;
    std::unique_ptr<FrameInputs> frameInputs_;
    std::unique_ptr<TankDrawView> tankView_;
    std::int32_t drawWallpaper_ = 1;  // the desktop host's answer, taken before each frame
    bool displayDown_ = false;
};

}  // namespace brine
