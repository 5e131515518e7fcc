// The program's own Aquarium record on test doubles (recording graphics platform, manual clock,
// in-memory settings key, an HTTP client without network, a desktop that asks for nothing), run in
// a scratch directory that holds a copy of the built program's data files. The Ui is the test's
// (scripted, or the Qt one), so a test can drive menu commands and dialogs end to end and read
// the save file the program writes. Needs the generated content (fishgen_content) built.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "shell/aquarium.h"
#include "tests/support/manual_clock.h"
#include "tests/support/memory_settings_store.h"
#include "tests/support/recording_device.h"
#include "tests/support/scratch_dir.h"

namespace brine::test {

class OfflineHttp : public HttpClient {
public:
    HResult get(const HttpRequest&, HttpResponse*) override { return kFail; }
};

// A desktop that asks for nothing; a test may switch its way of attaching: set `next` (the window
// the following find gives out) and `changed`, as a desktop manager appearing would.
class QuietDesktop : public DesktopHost {
public:
    bool another_instance_running() override { return false; }
    bool check_active_desktop() override { return true; }
    WindowHandle find_web_view_window() override {
        ++finds;
        window = next;
        wallpaper = nextWallpaper;
        changed = false;
        return window;
    }
    void enter_background() override {}
    bool draws_wallpaper() override { return wallpaper; }
    bool attachment_changed() override { return changed; }
    bool desktop_visible() override { return true; }

    WindowHandle window = nullptr, next = reinterpret_cast<WindowHandle>(0x77);
    bool wallpaper = true, nextWallpaper = true, changed = false;
    int finds = 0;
};

// One save-file record as the file holds it: 64 bytes, little-endian, the name zero-padded.
struct SavedFish {
    std::int32_t kindIndex = 0;
    std::int32_t satiety = 0;
    std::string name;  // raw bytes, at most 32
};

inline std::vector<unsigned char> roster_bytes(const std::vector<SavedFish>& fish, std::uint32_t clock) {
    std::vector<unsigned char> bytes(16 * 64, 0);
    auto put = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    for (std::size_t i = 0; i < fish.size() && i < 16; ++i) {
        const std::size_t at = i * 64;
        put(at, 1);
        put(at + 4, static_cast<std::uint32_t>(fish[i].kindIndex));
        put(at + 8, static_cast<std::uint32_t>(fish[i].satiety));
        put(at + 16, clock);
        std::memcpy(&bytes[at + 32], fish[i].name.data(), std::min<std::size_t>(fish[i].name.size(), 32));
    }
    return bytes;
}

class ProgramAquarium {
public:
    explicit ProgramAquarium(Ui& ui) : cwd_(scratch.path()) {
        clock.ticks = 5000000;
        platform_.clock = &clock;
        platform_.ui = &ui;
        platform_.settingsStore = &store;
        platform_.http = &http;
        platform_.graphics = &graphics;
        platform_.desktop = &desktop;
    }

    // Copies the program's data files; false when the content has not been built.
    bool copy_program_files() {
        namespace fs = std::filesystem;
        const fs::path from(BRINE_PROGRAM_DIR);
        if (!fs::exists(from / "object" / "fish1.pak")) return false;
        fs::create_directory("object");
        for (const char* file : {"initialize.pak", "texture.pak", "bg_sprite1.jpg"}) fs::copy_file(from / file, file);
        for (const auto& entry : fs::directory_iterator(from / "object"))
            if (entry.path().extension() == ".pak") fs::copy_file(entry.path(), fs::path("object") / entry.path().filename());
        return true;
    }
    void write_roster(const std::vector<SavedFish>& fish) { write_bytes("fishsave.bin", roster_bytes(fish, clock.ticks)); }

    // Start-up as the program runs it; true when the main loop would start.
    bool start() {
        aquarium = std::make_unique<Aquarium>(platform_);
        return aquarium->start().enterMainLoop;
    }

    // The slot of the live fish with that name, -1 when there is none.
    int slot_of(const std::string& name) const { return aquarium->find_fish_by_name(name.c_str()); }

    ScratchDir scratch;
    ManualClock clock;
    MemorySettingsStore store;
    OfflineHttp http;
    RecordingPlatform graphics;
    QuietDesktop desktop;
    std::unique_ptr<Aquarium> aquarium;

private:
    CurrentDirGuard cwd_;
    AquariumPlatform platform_;
};

}  // namespace brine::test
