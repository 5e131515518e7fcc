// The program on Linux: the data folders and the file seam, the platform's services handed to the
// aquarium, start-up, the main loop. A TERM or INT signal ends the run the way the exit command
// does, so settings and roster are saved. Takes no command-line arguments, as the program never has;
// BRINE_TRACE=frames,startup switches the traces on (standard error).
#include <QApplication>
#include <QSocketNotifier>

#include <fcntl.h>
#include <malloc.h>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "data/layered_file_system.h"
#include "platform/linux/curl_http_client.h"
#include "platform/linux/data_folders.h"
#include "platform/linux/file_settings_store.h"
#include "platform/linux/frame_trace.h"
#include "platform/linux/gl_graphics.h"
#include "platform/linux/linux_clock.h"
#include "platform/linux/linux_desktop_host.h"
#include "platform/linux/qt_ui.h"
#include "platform/linux/text_codec.h"
#include "platform/posix/posix_file_system.h"
#include "resources/resource_ids.h"
#include "shell/aquarium.h"
#include "shell/shell_texts.h"

namespace {

int signalPipe[2] = {-1, -1};

void on_signal(int) {
    char c = 1;
    ssize_t ignored = write(signalPipe[1], &c, 1);
    (void)ignored;
}

std::string executable_folder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path(ec).string() : exe.parent_path().string();
}

// $HOME as the user's session has it; the password database when it is unset (a service start).
std::string home_folder() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return home;
    const passwd* entry = getpwuid(getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "";
}

// The folder the program writes to becomes the current one, made on first use; a folder that
// cannot be made leaves every save to warn, and nothing goes anywhere else.
brine::DataFolders enter_data_folders(brine::FileSystem& host) {
    const std::string home = home_folder();
    brine::DataFolders folders = brine::choose_data_folders(executable_folder(), BRINE_SHIPPED_FROM_EXE,
                                                            std::getenv("XDG_DATA_HOME"), home.c_str(), host);
    if (folders.installed) brine::make_folders(host, folders.writable);
    std::error_code ec;
    std::filesystem::current_path(folders.writable, ec);
    return folders;
}

// Mesa's software renderer allocates each draw's shaded vertices (a few hundred kilobytes) and
// frees them at once. glibc would hand such blocks back to the kernel on every free (mmap above
// its threshold, or a trimmed heap top), so every frame paid for fresh zeroed pages: a third of
// the main thread's time. Kept in the heap instead, they are reused frame after frame.
void keep_freed_memory_for_reuse() {
    mallopt(M_MMAP_THRESHOLD, 8 << 20);
    mallopt(M_TRIM_THRESHOLD, 16 << 20);
}

}  // namespace

int main(int argc, char** argv) {
    brine::FrameTrace trace;
    const char* traceSetting = std::getenv("BRINE_TRACE");
    trace.startup = brine::FrameTrace::wanted(traceSetting, "startup");
    keep_freed_memory_for_reuse();
    brine::LinuxDesktopHost desktop;
    // Without a display there is no desktop to host the tank, nor a way to show a message box.
    if (desktop.choose_way() == brine::DesktopWay::kNone || !desktop.check_active_desktop()) {
        std::fprintf(stderr, "%s\n", brine::sjis_to_utf8(brine::kMsgEnableActiveDesktop).c_str());
        return 255;
    }

    brine::PosixFileSystem host;
    const brine::DataFolders folders = enter_data_folders(host);
    brine::LayeredFileSystem files(host, folders.writable, folders.shipped);
    brine::FileSystemScope filesInstalled(files);

    trace.mark("QApplication");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    trace.mark("services");

    brine::LinuxClock clock;
    brine::FileSettingsStore settingsStore;
    brine::CurlHttpClient http;
    brine::QtUi ui;
    brine::GlGraphicsPlatform graphics;
    desktop.set_message_boxes(&ui);

    brine::AquariumPlatform platform;
    platform.clock = &clock;
    platform.ui = &ui;
    platform.settingsStore = &settingsStore;
    platform.http = &http;
    platform.graphics = &graphics;
    platform.desktop = &desktop;

    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        signal(SIGTERM, on_signal);
        signal(SIGINT, on_signal);
        signal(SIGHUP, on_signal);
    }
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&ui] {
        char buffer[16];
        while (read(signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        ui.post_command(brine::kCmdExit);
    });

    int exitCode;
    {
        trace.mark("aquarium");
        brine::Aquarium aquarium(platform);
        if (brine::FrameTrace::wanted(traceSetting, "frames")) aquarium.main_loop().set_trace(&trace);
        brine::TimedStartupSteps timedSteps(aquarium);
        brine::StartupOutcome outcome =
            trace.startup ? brine::run_startup(timedSteps, aquarium.settings, *aquarium.platform().ui)
                : aquarium.start();
        trace.mark("main loop");
        exitCode = outcome.enterMainLoop ? aquarium.main_loop().run() : outcome.exitCode;
    }
    desktop.release();
    return exitCode & 0xFF;
}
