// The shell's Ui on Win32: the hidden main window of class and title "Brinelight Vespera" (the
// single-instance marker, the tray icon's owner and the receiver of outside commands), the tray
// icon (Shell_NotifyIconW; only a right-button press opens the menu), the popup menu built from
// the menu table each time, the dialogs (win_dialog.h), message boxes, GetOpenFileNameW and
// ShellExecuteW; W functions throughout, with Shift-JIS converted by code page 932.
#pragma once
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "shell/ui.h"

namespace brine {

class WinDialog;

constexpr wchar_t kMainWindowClass[] = L"Brinelight Vespera";
constexpr wchar_t kMainWindowTitle[] = L"Brinelight Vespera";
constexpr UINT kTrayCallbackMessage = WM_USER + 1;

class WinUi : public Ui {
public:
    explicit WinUi(HINSTANCE instance = GetModuleHandleW(nullptr));
    ~WinUi() override;
    WinUi(const WinUi&) = delete;
    WinUi& operator=(const WinUi&) = delete;

    // The hidden main window: WS_POPUP | WS_CAPTION | WS_SYSMENU, the primary screen's size, never
    // shown, with the program's icon "RES_ICON_APP" (the system's when the executable has none).
    // Made by its start-up step, after the single-instance test has looked for another one (and
    // by add_tray_icon when nothing made it before). False when it cannot be made.
    bool create_main_window() override;
    HWND main_window() const { return mainWindow_; }

    // Run inside WM_ENDSESSION when the session ends: Windows may end the process as soon as the
    // message returns, so what the exit command saves must be saved before that. Without a
    // handler the exit command is queued, which a session's end may not wait for.
    void on_session_end(std::function<void()> handler) { sessionEnd_ = std::move(handler); }

    int message_box(const char* text, const char* caption, std::uint32_t style, bool ownedByMainWindow) override;
    bool open_url(const char* url) override;
    bool add_tray_icon(const char* tip) override;
    void remove_tray_icon() override;
    std::uint32_t track_popup_menu(const MenuItemState* states, std::size_t count) override;
    int run_dialog(const DialogResource& dialog, DialogProcedure& procedure) override;
    bool choose_open_file(OpenFileRequest& request) override;
    // PeekMessageW and dispatch; then, with nothing queued, MsgWaitForMultipleObjectsEx until input
    // arrives or the deadline passes (measured on the performance counter, so an early wakeup of
    // the wait is waited out, and messages that queue nothing keep the same deadline).
    bool poll_event(UiEvent* event, double waitSeconds) override;
    void post_quit() override;

private:
    static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool notify_icon(DWORD action);
    HWND box_owner(bool ownedByMainWindow) const;
    void dispatch_pending();

    HINSTANCE instance_;
    HWND mainWindow_ = nullptr;
    HICON icon_ = nullptr;       // shared: never destroyed
    HICON smallIcon_ = nullptr;  // the tray's size, shared too
    std::function<void()> sessionEnd_;
    std::wstring tip_;
    bool trayAdded_ = false;
    UINT taskbarCreated_ = 0;  // the shell restarted: its icons must be added again
    std::vector<WinDialog*> openDialogs_;  // innermost last: the owner of a file dialog opened from one
    std::deque<UiEvent> events_;
};

}  // namespace brine
