// Where the tank is drawn on Windows, against imitations of the shell's windows made here (the
// shell of every Windows since Vista answers 0x052C with a WorkerW; Windows 11 from 24H2 keeps
// it inside Progman; the Active Desktop had its web view; wine has none of them), and when the
// desktop counts as hidden.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <wtsapi32.h>

#include <string>
#include <vector>

#include "platform/windows/win_desktop_host.h"

namespace brine {
namespace {

enum class Shell { kActiveDesktop, kSpawnsWorker, kWorkerInsideProgman, kIconsOnly };

// Progman "Program Manager" holding SHELLDLL_DefView, plus what the kind of shell has.
class ImitationShell {
public:
    explicit ImitationShell(Shell kind) : kind_(kind) {
        current_ = this;
        for (const wchar_t* name : {L"Progman", L"SHELLDLL_DefView", L"Internet Explorer_Server", L"WorkerW"}) {
            WNDCLASSW wc{};
            wc.lpfnWndProc = name == std::wstring(L"Progman") ? progman_proc : DefWindowProcW;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = name;
            RegisterClassW(&wc);
        }
        progman = make(L"Progman", L"Program Manager", WS_POPUP, nullptr, 1280, 1024);
        defView = make(L"SHELLDLL_DefView", L"", WS_CHILD, progman, 1280, 1024);
        if (kind == Shell::kActiveDesktop) webView = make(L"Internet Explorer_Server", L"", WS_CHILD, defView, 1280, 1024);
        if (kind == Shell::kWorkerInsideProgman) wallpaper = make(L"WorkerW", L"", WS_CHILD, progman, 1000, 700);
    }
    ~ImitationShell() {
        for (auto it = made_.rbegin(); it != made_.rend(); ++it) DestroyWindow(*it);
        current_ = nullptr;
    }

    HWND progman = nullptr, defView = nullptr, webView = nullptr;
    HWND icons = nullptr;      // the WorkerW the icons move into
    HWND wallpaper = nullptr;  // the WorkerW the wallpaper is drawn in
    int spawnRequests = 0;

private:
    HWND make(const wchar_t* cls, const wchar_t* title, DWORD style, HWND parent, int w, int h) {
        // Left hidden: showing windows costs wine a round trip to an X window manager it lacks.
        HWND window = CreateWindowExW(0, cls, title, style, 0, 0, w, h, parent, nullptr, GetModuleHandleW(nullptr),
                                      nullptr);
        made_.push_back(window);
        return window;
    }

    // As Explorer does: the icons move into a new WorkerW, and another WorkerW right behind it
    // gets the wallpaper.
    static LRESULT CALLBACK progman_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        ImitationShell* self = current_;
        if (message == kSpawnWorkerMessage && self) {
            ++self->spawnRequests;
            if (self->kind_ == Shell::kSpawnsWorker && !self->icons) {
                self->wallpaper = self->make(L"WorkerW", L"", WS_POPUP, nullptr, 800, 600);
                self->icons = self->make(L"WorkerW", L"", WS_POPUP, nullptr, 1280, 1024);
                SetParent(self->defView, self->icons);
                SetWindowPos(self->wallpaper, self->icons, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            }
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    Shell kind_;
    std::vector<HWND> made_;
    static ImitationShell* current_;
};

ImitationShell* ImitationShell::current_ = nullptr;

SIZE client_size(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

TEST(WinDesktopChoice, TheWebViewWhereTheActiveDesktopIsOn) {
    ImitationShell shell(Shell::kActiveDesktop);
    WinDesktopHost host;
    const DesktopChoice choice = host.choose(true);
    EXPECT_EQ(choice.way, DesktopWay::kWebView);
    EXPECT_EQ(choice.window, shell.webView);
    EXPECT_EQ(shell.spawnRequests, 0) << "the shell is left alone";
    EXPECT_EQ(host.find_web_view_window(), shell.webView);
    EXPECT_TRUE(host.draws_wallpaper());
}

TEST(WinDesktopChoice, TheWorkerBehindTheIconsWhereTheShellMakesOne) {
    ImitationShell shell(Shell::kSpawnsWorker);
    WinDesktopHost host;
    // The Active Desktop is off (Vista on): its web view, if one lingered, is not taken either.
    const DesktopChoice choice = host.choose(false);
    EXPECT_EQ(shell.spawnRequests, 1);
    ASSERT_NE(shell.wallpaper, nullptr);
    EXPECT_EQ(choice.way, DesktopWay::kBehindIcons);
    EXPECT_EQ(choice.parent, shell.wallpaper) << "the WorkerW behind the one with the icons";
    ASSERT_NE(choice.window, nullptr);
    EXPECT_EQ(GetParent(choice.window), shell.wallpaper);
    const SIZE size = client_size(choice.window);
    EXPECT_EQ(size.cx, 800);
    EXPECT_EQ(size.cy, 600);
    auto shown = [&] { return (GetWindowLongW(choice.window, GWL_STYLE) & WS_VISIBLE) != 0; };
    EXPECT_FALSE(shown()) << "shown only when the device is made";
    EXPECT_EQ(host.find_web_view_window(), choice.window);
    EXPECT_TRUE(shown());
    EXPECT_TRUE(GetWindowLongW(choice.window, GWL_STYLE) & WS_CHILD);
}

TEST(WinDesktopChoice, ProgmansOwnWorkerOnTheNewestWindows) {
    ImitationShell shell(Shell::kWorkerInsideProgman);
    WinDesktopHost host;
    const DesktopChoice choice = host.choose(false);
    EXPECT_EQ(choice.way, DesktopWay::kBehindIcons);
    EXPECT_EQ(choice.parent, shell.wallpaper);
    EXPECT_EQ(GetParent(choice.window), shell.wallpaper);
    const SIZE size = client_size(choice.window);
    EXPECT_EQ(size.cx, 1000);
    EXPECT_EQ(size.cy, 700);
}

void expect_own_bottom_window(WinDesktopHost& host) {
    const DesktopChoice& choice = host.choice();
    ASSERT_EQ(choice.way, DesktopWay::kOwnTopLevel);
    HWND own = choice.window;
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(GetParent(own), nullptr);
    const LONG style = GetWindowLongW(own, GWL_STYLE);
    const LONG exStyle = GetWindowLongW(own, GWL_EXSTYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER), 0) << "borderless";
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW) << "not on the taskbar";
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);
    EXPECT_TRUE(exStyle & WS_EX_NOACTIVATE);
    RECT r{};
    GetWindowRect(own, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(r.bottom, GetSystemMetrics(SM_CYSCREEN));

    ASSERT_EQ(host.find_web_view_window(), own);
    EXPECT_TRUE(IsWindowVisible(own));
    EXPECT_NE(GetForegroundWindow(), own) << "shown without being activated";
    EXPECT_EQ(GetWindow(own, GW_HWNDLAST), own) << "at the bottom of the stack";
    SetWindowPos(own, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(GetWindow(own, GW_HWNDLAST), own) << "raised, it goes back under";
    EXPECT_EQ(SendMessageW(own, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(own), MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
              MA_NOACTIVATE);
}

TEST(WinDesktopChoice, AWindowOfItsOwnAtTheBottomWhereNoShellHelps) {
    {
        ImitationShell shell(Shell::kIconsOnly);  // Progman that makes no WorkerW: an older shell
        WinDesktopHost host;
        host.choose(false);
        EXPECT_EQ(shell.spawnRequests, 1);
        expect_own_bottom_window(host);
    }
    // No shell window at all (wine, a shell replacement): the program's own check says yes.
    const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    WinDesktopHost host;
    EXPECT_FALSE(active_desktop_on()) << "wine's desktop object says the Active Desktop is off";
    EXPECT_TRUE(host.check_active_desktop());
    if (com) CoUninitialize();
    expect_own_bottom_window(host);
    EXPECT_TRUE(host.draws_wallpaper());
    EXPECT_FALSE(host.attachment_changed());
}

// --- visibility ---------------------------------------------------------------------------------

class WinDesktopVisibility : public ::testing::Test {
protected:
    void SetUp() override {
        host.pollIntervalMs = 0;  // every answer reads the foreground window afresh
        host.check_active_desktop();
        ASSERT_NE(host.find_web_view_window(), nullptr);
        ASSERT_NE(host.watch_window(), nullptr);
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"BrineCoveringWindow";
        RegisterClassW(&wc);
    }
    HWND front_window(int w, int h) {
        HWND window = CreateWindowW(L"BrineCoveringWindow", L"cover", WS_POPUP | WS_VISIBLE, 0, 0, w, h, nullptr,
                                    nullptr, GetModuleHandleW(nullptr), nullptr);
        SetForegroundWindow(window);
        return window;
    }
    void power(const GUID& setting, DWORD value) {
        std::vector<unsigned char> buffer(sizeof(POWERBROADCAST_SETTING) + sizeof(DWORD));
        auto* s = reinterpret_cast<POWERBROADCAST_SETTING*>(buffer.data());
        s->PowerSetting = setting;
        s->DataLength = sizeof(DWORD);
        CopyMemory(s->Data, &value, sizeof value);
        SendMessageW(host.watch_window(), WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(s));
    }

    WinDesktopHost host;
};

TEST_F(WinDesktopVisibility, AFullScreenWindowHidesItAMinimisedOneDoesNot) {
    EXPECT_TRUE(host.desktop_visible());
    HWND half = front_window(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_TRUE(host.desktop_visible()) << "half the screen";
    HWND full = front_window(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    ASSERT_EQ(GetForegroundWindow(), full);
    EXPECT_FALSE(host.desktop_visible()) << "a full-screen window in front";
    ShowWindow(full, SW_MINIMIZE);
    ShowWindow(half, SW_MINIMIZE);
    EXPECT_TRUE(host.desktop_visible()) << "every window minimised: the desktop shows";
    DestroyWindow(full);
    DestroyWindow(half);
}

TEST_F(WinDesktopVisibility, ALockedSessionTheDisplayOffAndSuspendHideIt) {
    SendMessageW(host.watch_window(), WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 1);
    EXPECT_FALSE(host.desktop_visible()) << "locked";
    SendMessageW(host.watch_window(), WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 1);
    EXPECT_TRUE(host.desktop_visible()) << "unlocked";

    const GUID consoleDisplay = {0x6FE69556, 0x704A, 0x47A0, {0x8F, 0x24, 0xC2, 0x8D, 0x93, 0x6F, 0xDA, 0x47}};
    power(consoleDisplay, 0);
    EXPECT_FALSE(host.desktop_visible()) << "display off";
    power(consoleDisplay, 2);
    EXPECT_TRUE(host.desktop_visible()) << "dimmed still shows";
    power(consoleDisplay, 0);
    power(consoleDisplay, 1);
    EXPECT_TRUE(host.desktop_visible()) << "on again";

    SendMessageW(host.watch_window(), WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_FALSE(host.desktop_visible()) << "suspending";
    SendMessageW(host.watch_window(), WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_TRUE(host.desktop_visible()) << "resumed";
}

}  // namespace
}  // namespace brine
