// The services an aquarium is driven by away from any desktop (the shot tool, the device
// comparison): a simulated clock the tool advances, a headless Ui (boxes answered OK or No, no
// tray, no dialogs), an in-memory settings key, an HTTP client that always fails (so the ticker
// shows its fixed lines), a desktop host that hands the device a window of the tool's choosing,
// and a read-only view of the host's files. Tool code over the core: no platform header.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "base/clock.h"
#include "data/file_system.h"
#include "feed/http_client.h"
#include "shell/aquarium.h"
#include "shell/settings_store.h"
#include "shell/settings_values.h"
#include "shell/ui.h"

namespace brine::scenes {

// Microsecond time that moves only when told; the tick count and the counter move together.
class SimulatedClock final : public Clock {
public:
    std::uint32_t tick_count() override { return static_cast<std::uint32_t>(micros_ / 1000); }
    bool performance_frequency(std::int64_t* frequency) override {
        *frequency = 1000000;
        return true;
    }
    std::int64_t performance_counter() override { return micros_; }
    void advance_us(std::int64_t us) { micros_ += us; }
    std::int64_t micros() const { return micros_; }

private:
    std::int64_t micros_ = 0;
};

class HeadlessUi final : public Ui {
public:
    bool create_main_window() override { return true; }
    int message_box(const char* text, const char* caption, std::uint32_t style, bool ownedByMainWindow) override;
    bool open_url(const char*) override { return false; }
    bool add_tray_icon(const char*) override { return false; }
    void remove_tray_icon() override {}
    std::uint32_t track_popup_menu(const MenuItemState*, std::size_t) override { return 0; }
    int run_dialog(const DialogResource&, DialogProcedure&) override { return -1; }
    bool choose_open_file(OpenFileRequest&) override { return false; }
    // Never sleeps: a wait moves the simulated clock on to the deadline (whole microseconds,
    // rounded up), as nothing else could arrive meanwhile.
    bool poll_event(UiEvent* event, double waitSeconds) override;
    void post_quit() override;

    // Every box shown, as "caption: text" in Shift-JIS.
    std::vector<std::string> messages;
    SimulatedClock* clock = nullptr;
    void (*echo)(const std::string& message) = nullptr;  // told of each box as it shows

private:
    std::deque<UiEvent> queue_;
};

class MemorySettings final : public SettingsStore {
public:
    HResult open_key() override {
        open_ = true;
        return kOk;
    }
    HResult query_value(const char* name, std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) override {
        return open_ ? table_.query(name, type, data, size) : kSettingsNotOpen;
    }
    HResult set_value(const char* name, std::uint32_t type, const std::uint8_t* data, std::uint32_t size) override {
        return open_ ? table_.set(name, type, data, size) : kSettingsNotOpen;
    }
    HResult close_key() override {
        open_ = false;
        return kOk;
    }

private:
    SettingsValueTable table_;
    bool open_ = false;
};

class FailingHttp final : public HttpClient {
public:
    HResult get(const HttpRequest&, HttpResponse*) override { return kFail; }
};

class OffscreenDesktop final : public DesktopHost {
public:
    bool another_instance_running() override { return false; }
    bool check_active_desktop() override { return true; }
    WindowHandle find_web_view_window() override { return window; }
    void enter_background() override {}
    bool draws_wallpaper() override { return true; }
    bool attachment_changed() override { return false; }
    bool desktop_visible() override { return visible; }

    WindowHandle window = nullptr;  // null: a device that can, draws offscreen
    bool visible = true;            // false: the main loop steps the tank and draws nothing
};

// The host's files, read-only, with chosen file names missing: a run leaves the program folder as
// it was (a save fails as on a read-only disk), and a frame can be drawn without a pack.
class ReadOnlyFiles final : public FileSystem {
public:
    explicit ReadOnlyFiles(FileSystem& host) : host_(host) {}
    std::unique_ptr<FileStream> open(const char* path, OpenMode mode, FileError* error) override;
    bool replace(const char*, const char*) override { return false; }
    bool move_to_new(const char*, const char*) override { return false; }
    bool remove(const char*) override { return false; }
    FileError list_folder(const char* path, std::vector<FolderEntry>* entries) override;
    bool make_folder(const char*) override { return false; }

    std::vector<std::string> hidden;  // file names (no folder part) that read as missing

private:
    bool is_hidden(const char* path) const;
    FileSystem& host_;
};

}  // namespace brine::scenes
