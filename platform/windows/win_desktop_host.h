// The desktop as the aquarium needs it on Windows: the single-instance test by the main window's
// class and title, the window the device draws into behind the desktop icons, whether the desktop
// can be seen, the below-normal priority class, and the program's own directory as the current
// one. Win32 only; the core sees it through DesktopHost.
#pragma once
#include <windows.h>

#include "shell/aquarium.h"

namespace brine {

// Where the tank is drawn, in the order the ways are tried.
enum class DesktopWay {
    kNone,
    kWebView,       // the Active Desktop's "Internet Explorer_Server" window (before Windows Vista)
    kBehindIcons,   // the program's own window inside the WorkerW the shell draws the wallpaper in
    kOwnTopLevel,   // no such shell (wine, a shell replacement): the program's own bottom window
};

struct DesktopChoice {
    DesktopWay way = DesktopWay::kNone;
    HWND window = nullptr;  // the device's window
    HWND parent = nullptr;  // the WorkerW, for kBehindIcons
};

constexpr wchar_t kDesktopWindowClass[] = L"Brinelight Vespera Desktop";
// The message that asks "Progman" for the WorkerW behind the icons.
constexpr UINT kSpawnWorkerMessage = 0x052C;

// The Active Desktop's switch: CLSID_ActiveDesktop, IActiveDesktop::GetDesktopItemOptions,
// fActiveDesktop. False when the object cannot be made (every Windows since Vista). COM must be
// initialised on the thread.
bool active_desktop_on();
// Progman "Program Manager" > SHELLDLL_DefView > "Internet Explorer_Server"; null when any is missing.
HWND find_web_view();
// The WorkerW the shell draws the wallpaper in: after 0x052C to Progman, the top-level WorkerW
// right behind the one holding SHELLDLL_DefView, or else Progman's own WorkerW child (Windows 11
// from 24H2). Null without Progman or such a WorkerW.
HWND find_wallpaper_worker();

class WinDesktopHost final : public DesktopHost {
public:
    explicit WinDesktopHost(HINSTANCE instance = GetModuleHandleW(nullptr));
    ~WinDesktopHost() override;  // destroys its windows: release the device drawing into them first
    WinDesktopHost(const WinDesktopHost&) = delete;
    WinDesktopHost& operator=(const WinDesktopHost&) = delete;

    // FindWindowW with class and title both "Brinelight Vespera".
    bool another_instance_running() override;
    // Chooses where the tank is drawn (choose with the Active Desktop's answer); false only when
    // no way works, when the program ends with "アクティブデスクトップを有効にして下さい".
    bool check_active_desktop() override;
    // The chosen window, the program's own one now shown; null when none was chosen.
    WindowHandle find_web_view_window() override;
    // SetPriorityClass(BELOW_NORMAL_PRIORITY_CLASS).
    void enter_background() override;
    // The tank draws the settings' wallpaper in each of its ways: the web view, the WorkerW and its
    // own window all show the desktop's background, which the program replaces. Chosen once.
    bool draws_wallpaper() override { return true; }
    bool attachment_changed() override { return false; }
    // False while a full-screen window covers the primary monitor, the screen saver runs, the
    // session is locked, the display is off or the machine suspends. Minimising every window
    // (the desktop shown) is not hidden. Lock, display and suspend come as messages to a hidden
    // window of this host; the foreground window and the screen saver are re-read at most every
    // pollIntervalMs.
    bool desktop_visible() override;

    // The web view when the Active Desktop is on and its window exists, else the WorkerW behind
    // the icons, else a top-level window of its own: borderless, the primary screen's size, at
    // the bottom of the stack, never activated, not on the taskbar. Made hidden; idempotent.
    DesktopChoice choose(bool activeDesktopOn);
    const DesktopChoice& choice() const { return choice_; }
    // The hidden window that hears of locks, the display's power and suspends (tests send to it).
    HWND watch_window() const { return watch_; }

    DWORD pollIntervalMs = 250;

private:
    static LRESULT CALLBACK desktop_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK watch_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT watch(UINT message, WPARAM wParam, LPARAM lParam);
    HWND make_desktop_window(HWND parent);
    void make_watch_window();
    bool covered_by_full_screen_window() const;

    HINSTANCE instance_;
    DesktopChoice choice_;
    HWND ownWindow_ = nullptr;
    HWND watch_ = nullptr;
    void* powerNotify_ = nullptr;  // HPOWERNOTIFY
    bool sessionWatched_ = false;
    bool locked_ = false, displayOff_ = false, suspended_ = false;
    bool coveredOrSaver_ = false;
    ULONGLONG lastPoll_ = 0;
    bool polled_ = false;
};

// The folder of the running executable becomes the current directory (the data files are opened
// relative to it). False when it cannot be found or entered.
bool enter_program_directory();

}  // namespace brine
