// The shell's windows are searched, never changed, except for the one message that asks Progman
// for its wallpaper WorkerW; the program's own windows never take the focus.
#include "platform/windows/win_desktop_host.h"

#include <wininet.h>  // before shlobj.h: the Active Desktop's records are sized by its URL limit
#include <shlobj.h>
#include <wtsapi32.h>

#include <string>

#include "platform/windows/win_ui.h"

namespace brine {

namespace {

// {75048700-EF1F-11D0-9888-006097DEACF9} and {F490EB00-1240-11D1-9888-006097DEACF9}.
const CLSID kClsidActiveDesktop = {0x75048700, 0xEF1F, 0x11D0, {0x98, 0x88, 0x00, 0x60, 0x97, 0xDE, 0xAC, 0xF9}};
const IID kIidActiveDesktop = {0xF490EB00, 0x1240, 0x11D1, {0x98, 0x88, 0x00, 0x60, 0x97, 0xDE, 0xAC, 0xF9}};
// GUID_CONSOLE_DISPLAY_STATE (Windows 8 on) and GUID_MONITOR_POWER_ON (before it).
const GUID kConsoleDisplayState = {0x6FE69556, 0x704A, 0x47A0, {0x8F, 0x24, 0xC2, 0x8D, 0x93, 0x6F, 0xDA, 0x47}};
const GUID kMonitorPowerOn = {0x02731015, 0x4510, 0x4526, {0x99, 0xE6, 0xE5, 0xA1, 0x7E, 0xBD, 0x1A, 0xEA}};

constexpr wchar_t kWatchWindowClass[] = L"Brinelight Vespera Watch";

bool class_is(HWND window, const wchar_t* name) {
    wchar_t buffer[64] = {};
    GetClassNameW(window, buffer, 64);
    return lstrcmpW(buffer, name) == 0;
}

struct HolderSearch {
    HWND holder = nullptr;
};

BOOL CALLBACK find_icon_holder(HWND top, LPARAM param) {
    if (!FindWindowExW(top, nullptr, L"SHELLDLL_DefView", nullptr)) return TRUE;
    reinterpret_cast<HolderSearch*>(param)->holder = top;
    return FALSE;
}

void register_class(HINSTANCE instance, const wchar_t* name, WNDPROC proc) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    RegisterClassExW(&wc);  // already registered by an earlier host: the creation still works
}

}  // namespace

bool active_desktop_on() {
    IActiveDesktop* desktop = nullptr;
    if (FAILED(CoCreateInstance(kClsidActiveDesktop, nullptr, CLSCTX_INPROC_SERVER, kIidActiveDesktop,
                                reinterpret_cast<void**>(&desktop))) ||
        !desktop)
        return false;
    COMPONENTSOPT options{};
    options.dwSize = sizeof options;
    desktop->GetDesktopItemOptions(&options, 0);
    desktop->Release();
    return options.fActiveDesktop != FALSE;
}

HWND find_web_view() {
    HWND progman = FindWindowW(L"Progman", L"Program Manager");
    HWND view = progman ? FindWindowExW(progman, nullptr, L"SHELLDLL_DefView", nullptr) : nullptr;
    return view ? FindWindowExW(view, nullptr, L"Internet Explorer_Server", nullptr) : nullptr;
}

HWND find_wallpaper_worker() {
    HWND progman = FindWindowW(L"Progman", nullptr);
    if (!progman) return nullptr;
    // The shell answers by putting the icons in a WorkerW of their own and the wallpaper in the
    // one behind it. A hung shell must not hold start-up.
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(progman, kSpawnWorkerMessage, 0xD, 0x1, SMTO_NORMAL, 1000, &answer);
    HolderSearch search;
    EnumWindows(find_icon_holder, reinterpret_cast<LPARAM>(&search));
    HWND worker = nullptr;
    if (search.holder && search.holder != progman) worker = FindWindowExW(nullptr, search.holder, L"WorkerW", nullptr);
    // Windows 11 from 24H2 keeps the icons in Progman, with the wallpaper's WorkerW inside it.
    if (!worker) worker = FindWindowExW(progman, nullptr, L"WorkerW", nullptr);
    return worker;
}

WinDesktopHost::WinDesktopHost(HINSTANCE instance) : instance_(instance) {}

WinDesktopHost::~WinDesktopHost() {
    if (powerNotify_) UnregisterPowerSettingNotification(static_cast<HPOWERNOTIFY>(powerNotify_));
    if (sessionWatched_) WTSUnRegisterSessionNotification(watch_);
    if (watch_) DestroyWindow(watch_);
    if (ownWindow_) DestroyWindow(ownWindow_);
}

bool WinDesktopHost::another_instance_running() {
    return FindWindowW(kMainWindowClass, kMainWindowTitle) != nullptr;
}

bool WinDesktopHost::check_active_desktop() { return choose(active_desktop_on()).way != DesktopWay::kNone; }

WindowHandle WinDesktopHost::find_web_view_window() {
    if (ownWindow_ && !IsWindowVisible(ownWindow_)) {
        const bool child = choice_.way == DesktopWay::kBehindIcons;
        SetWindowPos(ownWindow_, child ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
    if (!watch_) make_watch_window();
    return choice_.window;
}

void WinDesktopHost::enter_background() { SetPriorityClass(GetCurrentProcess(), BELOW_NORMAL_PRIORITY_CLASS); }

DesktopChoice WinDesktopHost::choose(bool activeDesktopOn) {
    if (choice_.way != DesktopWay::kNone) return choice_;
    if (activeDesktopOn) {
        if (HWND view = find_web_view()) {
            choice_ = {DesktopWay::kWebView, view, nullptr};
            return choice_;
        }
    }
    if (HWND worker = find_wallpaper_worker()) {
        if ((ownWindow_ = make_desktop_window(worker))) {
            choice_ = {DesktopWay::kBehindIcons, ownWindow_, worker};
            return choice_;
        }
    }
    if ((ownWindow_ = make_desktop_window(nullptr))) choice_ = {DesktopWay::kOwnTopLevel, ownWindow_, nullptr};
    return choice_;
}

HWND WinDesktopHost::make_desktop_window(HWND parent) {
    register_class(instance_, kDesktopWindowClass, desktop_proc);
    if (parent) {
        RECT area{};
        GetClientRect(parent, &area);
        return CreateWindowExW(WS_EX_NOACTIVATE, kDesktopWindowClass, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0,
                               area.right - area.left, area.bottom - area.top, parent, nullptr, instance_, nullptr);
    }
    // A tool window stays off the taskbar and out of the task switcher.
    return CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kDesktopWindowClass, kDesktopWindowClass, WS_POPUP, 0,
                           0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                           instance_, nullptr);
}

LRESULT CALLBACK WinDesktopHost::desktop_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;  // a click on the desktop leaves the focus where it was
        case WM_WINDOWPOSCHANGING:
            // Whoever raises the top-level window (a click, another program), it goes back under.
            if (!(GetWindowLongW(window, GWL_STYLE) & WS_CHILD)) {
                auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
                if (!(pos->flags & SWP_NOZORDER)) pos->hwndInsertAfter = HWND_BOTTOM;
            }
            break;
        case WM_ERASEBKGND:
            return 1;  // the device paints every pixel
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(window, &ps);
            EndPaint(window, &ps);
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void WinDesktopHost::make_watch_window() {
    register_class(instance_, kWatchWindowClass, watch_proc);
    // A hidden top-level window: message-only windows hear no broadcasts (suspend and resume).
    watch_ = CreateWindowExW(0, kWatchWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance_, this);
    if (!watch_) return;
    sessionWatched_ = WTSRegisterSessionNotification(watch_, NOTIFY_FOR_THIS_SESSION) != FALSE;
    powerNotify_ = RegisterPowerSettingNotification(watch_, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (!powerNotify_)
        powerNotify_ = RegisterPowerSettingNotification(watch_, &kMonitorPowerOn, DEVICE_NOTIFY_WINDOW_HANDLE);
}

LRESULT CALLBACK WinDesktopHost::watch_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<WinDesktopHost*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && (message == WM_WTSSESSION_CHANGE || message == WM_POWERBROADCAST))
        return self->watch(message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT WinDesktopHost::watch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_WTSSESSION_CHANGE) {
        if (wParam == WTS_SESSION_LOCK) locked_ = true;
        if (wParam == WTS_SESSION_UNLOCK) locked_ = false;
        return 0;
    }
    switch (wParam) {
        case PBT_POWERSETTINGCHANGE: {
            const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
            if (setting && setting->DataLength >= sizeof(DWORD) &&
                (IsEqualGUID(setting->PowerSetting, kConsoleDisplayState) ||
                 IsEqualGUID(setting->PowerSetting, kMonitorPowerOn))) {
                DWORD state = 0;
                CopyMemory(&state, setting->Data, sizeof state);
                displayOff_ = state == 0;  // 1 on, 2 dimmed: both still show the desktop
            }
            break;
        }
        case PBT_APMSUSPEND:
            suspended_ = true;
            break;
        case PBT_APMRESUMESUSPEND:
        case PBT_APMRESUMEAUTOMATIC:
            suspended_ = false;
            break;
        default:
            break;
    }
    return TRUE;
}

bool WinDesktopHost::covered_by_full_screen_window() const {
    HWND front = GetForegroundWindow();
    if (!front || !IsWindowVisible(front) || IsIconic(front)) return false;
    if (front == ownWindow_ || front == choice_.window) return false;
    // The desktop itself in front (every window minimised, or nothing active at all, where the
    // root window answers) and the taskbar show the desktop.
    if (front == GetDesktopWindow() || front == GetShellWindow()) return false;
    for (const wchar_t* shell : {L"Progman", L"WorkerW", L"Shell_TrayWnd"})
        if (class_is(front, shell)) return false;
    HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    if (MonitorFromWindow(front, MONITOR_DEFAULTTONULL) != primary) return false;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT r{};
    if (!GetMonitorInfoW(primary, &monitor) || !GetWindowRect(front, &r)) return false;
    const RECT& m = monitor.rcMonitor;
    return r.left <= m.left && r.top <= m.top && r.right >= m.right && r.bottom >= m.bottom;
}

bool WinDesktopHost::desktop_visible() {
    if (locked_ || displayOff_ || suspended_) return false;
    const ULONGLONG now = GetTickCount64();
    if (!polled_ || now - lastPoll_ >= pollIntervalMs) {
        polled_ = true;
        lastPoll_ = now;
        BOOL saver = FALSE;
        SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &saver, 0);
        coveredOrSaver_ = saver || covered_by_full_screen_window();
    }
    return !coveredOrSaver_;
}

bool enter_program_directory() {
    // Long paths: grow the buffer until the whole name fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return false;
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= 32768) return false;
        path.resize(path.size() * 2);
    }
    const std::size_t cut = path.find_last_of(L"\\/");
    if (cut == std::wstring::npos) return false;
    path.resize(cut == 2 && path[1] == L':' ? cut + 1 : cut);  // "C:\" keeps its backslash
    return SetCurrentDirectoryW(path.c_str()) != FALSE;
}

}  // namespace brine
