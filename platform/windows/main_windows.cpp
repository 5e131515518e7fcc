// The program on Windows: its own directory as the current one (the data files are opened
// relative to it, and written beside it), D3DX looked for before anything else, the platform's
// services handed to the aquarium, start-up and the main loop. The end of the session saves what
// the exit command saves. Takes no command-line arguments, as the program never has.
#include <windows.h>
#include <objbase.h>
#include <timeapi.h>

#include "data/layered_file_system.h"
#include "platform/windows/d3d9_graphics.h"
#include "platform/windows/d3dx_library.h"
#include "platform/windows/registry_settings_store.h"
#include "platform/windows/win_clock.h"
#include "platform/windows/win_desktop_host.h"
#include "platform/windows/win_file_system.h"
#include "platform/windows/win_ui.h"
#include "platform/windows/wininet_http_client.h"
#include "resources/resource_ids.h"
#include "shell/aquarium.h"
#include "shell/startup.h"

namespace {

// Millisecond timers while the program runs: the loop's wait ends within a millisecond of the
// next frame instead of the default tick of about 16, so frames keep to 30 a second.
class FineTimers {
public:
    FineTimers() { timeBeginPeriod(1); }
    ~FineTimers() { timeEndPeriod(1); }
    FineTimers(const FineTimers&) = delete;
    FineTimers& operator=(const FineTimers&) = delete;
};

class ComApartment {
public:
    ComApartment() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (ok_) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool ok_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    brine::enter_program_directory();
    brine::WinFileSystem host;
    brine::LayeredFileSystem files(host, "");
    brine::FileSystemScope filesInstalled(files);

    // "DirectX 9.0c ランタイム (d3dx9_43.dll) が見つかりません", caption "警告".
    brine::D3dxLibrary d3dx;
    if (!d3dx.load()) {
        MessageBoxW(nullptr,
                    L"DirectX 9.0c \u30E9\u30F3\u30BF\u30A4\u30E0 (d3dx9_43.dll) \u304C\u898B\u3064\u304B\u308A"
                    L"\u307E\u305B\u3093",
                    L"\u8B66\u544A", MB_ICONWARNING);
        return brine::kExitFailure;
    }

    ComApartment com;
    FineTimers timers;
    brine::WinDesktopHost desktop(instance);  // outlives the device that draws into its window
    brine::WinClock clock;
    brine::RegistrySettingsStore settingsStore;
    brine::WinInetHttpClient http;
    brine::WinUi ui(instance);
    brine::D3d9GraphicsPlatform graphics(d3dx);

    brine::AquariumPlatform platform;
    platform.clock = &clock;
    platform.ui = &ui;
    platform.settingsStore = &settingsStore;
    platform.http = &http;
    platform.graphics = &graphics;
    platform.desktop = &desktop;

    brine::Aquarium aquarium(platform);
    ui.on_session_end([&aquarium] { aquarium.main_window().command(brine::kCmdExit); });
    const brine::StartupOutcome outcome = aquarium.start();
    return outcome.enterMainLoop ? aquarium.main_loop().run() : outcome.exitCode;
}
