// The shell's Ui on Win32: the hidden main window of class and title "Brinelight Vespera" (the
// single-instance marker, the tray icon's owner and the receiver of outside commands), the tray
// icon (Shell_NotifyIconW; only a right-button press opens the menu), the popup menu built from
// the menu table each time, the dialogs (win_dialog.h), message boxes, GetOpenFileNameW and
// ShellExecuteW; W functions throughout, with Shift-JIS converted by code page 932.
#pragma once
#include <windows.h>

#include <deque>
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
    // shown. Made by the first add_tray_icon (the window's WM_CREATE adds the icon), after the
    // single-instance test has looked for another one. False when it cannot be made.
    bool create_main_window();
    HWND main_window() const { return mainWindow_; }

    int message_box(const char* text, const char* caption, std::uint32_t style, bool ownedByMainWindow) override;
    bool open_url(const char* url) override;
    bool add_tray_icon(const char* tip) override;
    void remove_tray_icon() override;
    std::uint32_t track_popup_menu(const MenuItemState* states, std::size_t count) override;
    int run_dialog(const DialogResource& dialog, DialogProcedure& procedure) override;
    bool choose_open_file(OpenFileRequest& request) override;
    bool poll_event(UiEvent* event, double waitSeconds) override;
    void post_quit() override;

    // Waits until a message arrives or `timeoutMs` pass (MsgWaitForMultipleObjectsEx), without
    // taking it: the waiting form of the event pump.
    void wait_for_message(DWORD timeoutMs);

private:
    static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool notify_icon(DWORD action);
    HWND box_owner(bool ownedByMainWindow) const;

    HINSTANCE instance_;
    HWND mainWindow_ = nullptr;
    HICON icon_ = nullptr;  // shared: never destroyed
    std::wstring tip_;
    bool trayAdded_ = false;
    UINT taskbarCreated_ = 0;  // the shell restarted: its icons must be added again
    std::vector<WinDialog*> openDialogs_;  // innermost last: the owner of a file dialog opened from one
    std::deque<UiEvent> events_;
};

}  // namespace brine
