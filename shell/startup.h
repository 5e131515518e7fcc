// The start-up sequence up to the main loop: its order, its messages and exit codes, and the one
// fallback to the lowest picture quality. The steps themselves (desktop check, topics, catalog,
// window, device, scene) are other modules' and reach it through StartupSteps, which the program
// wires to them. Must not depend on anything but base/ and shell/.
#pragma once
#include <cstdint>

#include "base/message_box.h"
#include "base/result.h"
#include "shell/app_settings.h"

namespace brine {

constexpr int kExitNormal = 0;
constexpr int kExitFailure = -1;  // the process sees 255 on POSIX

// The steps, called in the order listed, each at most once (init_display at most twice).
class StartupSteps {
public:
    virtual ~StartupSteps() = default;
    // Single-instance test: true when another copy of the program runs for this user. A true
    // answer must leave the running copy untouched.
    virtual bool another_instance_running() = 0;
    // check_active_desktop: true when the desktop can host the tank.
    virtual bool check_active_desktop() = 0;
    // load_settings into the AppSettings given to run_startup; never fails.
    virtual void load_settings() = 0;
    // load_topics: false asks the program to stop at once, silently, with exit code 0.
    virtual bool load_topics() = 0;
    // build_catalog: false when no fish pack is installed at all.
    virtual bool build_catalog() = 0;
    // Creates the hidden main window, which adds the tray icon; false when it cannot.
    virtual bool create_main_window() = 0;
    // find_web_view_window and init_direct3d at the given back-buffer size, windowed.
    virtual HResult init_display(std::int32_t width, std::int32_t height) = 0;
    // save_settings of the AppSettings given to run_startup.
    virtual void save_settings() = 0;
    // init_scene, which also restores the roster from the save file.
    virtual HResult init_scene() = 0;
    // Last step before the loop: keep the main window hidden, lower the process priority.
    virtual void enter_background() = 0;
};

struct StartupOutcome {
    bool enterMainLoop = false;  // false: return exitCode at once
    int exitCode = kExitNormal;
};

// Runs the start-up steps with the program's messages (caption "警告", warning icon; owned by
// the main window once it exists). The main window is not destroyed on a late failure, so the
// shutdown that saves settings and roster does not run then.
StartupOutcome run_startup(StartupSteps& steps, AppSettings& settings, MessageBoxes& boxes);

}  // namespace brine
