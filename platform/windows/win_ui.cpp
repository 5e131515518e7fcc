// Win32 window, tray, menu, boxes and common dialogs behind the portable Ui. The window
// procedure only queues events; the shell's MainWindow acts on them from poll_event, on the one
// thread, as it does on Linux.
#include "platform/windows/win_ui.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/windows/win_dialog.h"
#include "platform/windows/win_text.h"
#include "resources/menu.h"
#include "resources/resource_ids.h"

namespace brine {
namespace {

// Restores the current directory the common dialog may have moved.
class KeepCurrentDirectory {
public:
    KeepCurrentDirectory() {
        const DWORD n = GetCurrentDirectoryW(0, nullptr);
        if (n == 0) return;
        saved_.resize(n);
        const DWORD got = GetCurrentDirectoryW(n, &saved_[0]);
        saved_.resize(got < n ? got : 0);
    }
    ~KeepCurrentDirectory() {
        if (!saved_.empty()) SetCurrentDirectoryW(saved_.c_str());
    }
    KeepCurrentDirectory(const KeepCurrentDirectory&) = delete;
    KeepCurrentDirectory& operator=(const KeepCurrentDirectory&) = delete;

private:
    std::wstring saved_;
};

}  // namespace

WinUi::WinUi(HINSTANCE instance) : instance_(instance) {
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
}

WinUi::~WinUi() {
    remove_tray_icon();
    if (mainWindow_) DestroyWindow(mainWindow_);
}

bool WinUi::create_main_window() {
    if (mainWindow_) return true;
    if (!icon_) {
        // The program's own icon when the executable carries one, else the system's; the tray
        // takes the small size, which the icon file holds drawn for it.
        icon_ = static_cast<HICON>(LoadImageW(instance_, L"RES_ICON_APP", IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
        smallIcon_ = static_cast<HICON>(LoadImageW(instance_, L"RES_ICON_APP", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                   GetSystemMetrics(SM_CYSMICON), LR_SHARED));
        if (!icon_) icon_ = LoadIconW(nullptr, IDI_APPLICATION);
        if (!smallIcon_) smallIcon_ = icon_;
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance_;
    wc.hIcon = icon_;
    wc.hIconSm = smallIcon_;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kMainWindowClass;
    RegisterClassExW(&wc);  // a failure shows in the window creation
    mainWindow_ = CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, WS_POPUP | WS_CAPTION | WS_SYSMENU,
                                  CW_USEDEFAULT, CW_USEDEFAULT, GetSystemMetrics(SM_CXSCREEN),
                                  GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, instance_, this);
    return mainWindow_ != nullptr;
}

LRESULT CALLBACK WinUi::window_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<WinUi*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->handle(window, message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT WinUi::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kTrayCallbackMessage:
        // Version-0 notifications: lParam is the mouse message. Clicks and moves do nothing.
        if (LOWORD(lParam) == WM_RBUTTONDOWN) events_.push_back({UiEventKind::kTrayRightButton, 0});
        return 0;
    case WM_COMMAND:
        events_.push_back({UiEventKind::kCommand, LOWORD(wParam)});
        return 0;
    case WM_DISPLAYCHANGE:
        events_.push_back({UiEventKind::kDisplayChange, 0});
        break;
    case WM_CLOSE:
        // Closing from outside (a task manager's polite end) exits as the menu does, so the
        // settings and the roster are saved; DefWindowProc would destroy the window unsaved.
        events_.push_back({UiEventKind::kCommand, kCmdExit});
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;  // nothing to ask the user: the end saves everything
    case WM_ENDSESSION:
        if (wParam) {
            if (sessionEnd_) sessionEnd_();
            else events_.push_back({UiEventKind::kCommand, kCmdExit});
        }
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_DESTROY:
        if (window == mainWindow_) mainWindow_ = nullptr;
        return 0;
    default:
        if (message == taskbarCreated_ && taskbarCreated_ != 0 && trayAdded_) {
            notify_icon(NIM_ADD);
            return 0;
        }
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND WinUi::box_owner(bool ownedByMainWindow) const { return ownedByMainWindow ? mainWindow_ : nullptr; }

int WinUi::message_box(const char* text, const char* caption, std::uint32_t style, bool ownedByMainWindow) {
    const std::wstring wtext = sjis_to_wide(text ? text : "");
    const std::wstring wcaption = sjis_to_wide(caption ? caption : "");
    const int answer = MessageBoxW(box_owner(ownedByMainWindow), wtext.c_str(), wcaption.c_str(), style);
    // 0 only when the box could not be shown; take that as the box's cancelling answer.
    if (answer != 0) return answer;
    if ((style & 0xFu) == kMbYesNo) return kIdNo;
    return (style & 0xFu) == kMbOkCancel ? kIdCancel : kIdOk;
}

bool WinUi::open_url(const char* url) {
    const std::wstring wurl = utf8_to_wide(url ? url : "");
    const auto r = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", wurl.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return r > 32;
}

bool WinUi::notify_icon(DWORD action) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = mainWindow_;
    data.uID = 0;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayCallbackMessage;
    data.hIcon = smallIcon_;
    wcsncpy(data.szTip, tip_.c_str(), sizeof data.szTip / sizeof data.szTip[0] - 1);
    return Shell_NotifyIconW(action, &data) != FALSE;
}

bool WinUi::add_tray_icon(const char* tip) {
    if (!create_main_window()) return false;
    tip_ = sjis_to_wide(tip ? tip : "");
    if (trayAdded_) return notify_icon(NIM_MODIFY);
    trayAdded_ = notify_icon(NIM_ADD);
    return trayAdded_;
}

void WinUi::remove_tray_icon() {
    if (!trayAdded_) return;
    notify_icon(NIM_DELETE);
    trayAdded_ = false;
}

std::uint32_t WinUi::track_popup_menu(const MenuItemState* states, std::size_t count) {
    if (!create_main_window()) return 0;
    HMENU menu = CreatePopupMenu();
    if (!menu) return 0;
    for (std::size_t i = 0; i < kPopupMenuCount; ++i) {
        const MenuItemResource& item = kPopupMenu[i];
        if (item.command == 0) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT flags = MF_STRING;
        for (std::size_t s = 0; s < count; ++s) {
            if (states[s].command != item.command) continue;
            if (!states[s].enabled) flags |= MF_GRAYED;
            if (states[s].checked) flags |= MF_CHECKED;
        }
        AppendMenuW(menu, flags, item.command, sjis_to_wide(item.text).c_str());
    }
    POINT cursor{};
    GetCursorPos(&cursor);
    // Foreground first, or a click elsewhere would not close the menu.
    SetForegroundWindow(mainWindow_);
    const BOOL chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, cursor.x, cursor.y, 0, mainWindow_, nullptr);
    PostMessageW(mainWindow_, WM_NULL, 0, 0);  // lets the menu close properly the next time
    DestroyMenu(menu);
    return static_cast<std::uint32_t>(chosen);
}

int WinUi::run_dialog(const DialogResource& dialog, DialogProcedure& procedure) {
    WinDialog window(dialog, procedure);
    openDialogs_.push_back(&window);
    const int result = window.run(mainWindow_);
    openDialogs_.pop_back();
    return result;
}

bool WinUi::choose_open_file(OpenFileRequest& request) {
    if (!request.path || request.pathSize == 0) return false;
    // Display texts and patterns, each zero-terminated, the list ended by one more zero.
    std::wstring filter;
    for (std::size_t i = 0; i < request.filterPairs; ++i) {
        filter += sjis_to_wide(request.filters[2 * i] ? request.filters[2 * i] : "");
        filter.push_back(L'\0');
        filter += sjis_to_wide(request.filters[2 * i + 1] ? request.filters[2 * i + 1] : "");
        filter.push_back(L'\0');
    }
    filter.push_back(L'\0');
    const std::wstring title = sjis_to_wide(request.title ? request.title : "");
    const std::wstring extension = utf8_to_wide(request.defaultExtension ? request.defaultExtension : "");
    std::wstring file = utf8_to_wide(request.path);
    file.resize(MAX_PATH * 4 > file.size() + 1 ? MAX_PATH * 4 : file.size() + 1, L'\0');

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = request.ownerIsDialog && !openDialogs_.empty() ? openDialogs_.back()->window() : mainWindow_;
    ofn.lpstrFilter = request.filterPairs ? filter.c_str() : nullptr;
    ofn.lpstrFile = &file[0];
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = request.title ? title.c_str() : nullptr;
    ofn.lpstrDefExt = request.defaultExtension ? extension.c_str() : nullptr;
    ofn.Flags = request.flags;

    BOOL chosen;
    {
        KeepCurrentDirectory keep;  // data files are opened relative to it
        chosen = GetOpenFileNameW(&ofn);
    }
    if (!chosen) return false;
    const std::string utf8 = wide_to_utf8(std::wstring_view(file.c_str()));
    // A path that does not fit is refused whole rather than cut into another file's name.
    if (utf8.size() + 1 > request.pathSize) return false;
    std::memcpy(request.path, utf8.c_str(), utf8.size() + 1);
    return true;
}

void WinUi::dispatch_pending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            events_.push_back({UiEventKind::kQuit, 0});
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool WinUi::poll_event(UiEvent* event, double waitSeconds) {
    dispatch_pending();
    if (events_.empty() && waitSeconds > 0) {
        LARGE_INTEGER frequency, now;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&now);
        const double seconds = std::min(waitSeconds, 3600.0);
        const LONGLONG deadline = now.QuadPart + static_cast<LONGLONG>(std::ceil(seconds * frequency.QuadPart));
        while (events_.empty()) {
            QueryPerformanceCounter(&now);
            if (now.QuadPart >= deadline) break;
            // Whole milliseconds, rounded up: waking early would only spin through a pass.
            const double left = static_cast<double>(deadline - now.QuadPart) * 1000.0 / frequency.QuadPart;
            MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(std::ceil(left)), QS_ALLINPUT,
                                        MWMO_INPUTAVAILABLE);
            dispatch_pending();
        }
    }
    if (events_.empty()) return false;
    *event = events_.front();
    events_.pop_front();
    return true;
}

void WinUi::post_quit() { events_.push_back({UiEventKind::kQuit, 0}); }

}  // namespace brine
