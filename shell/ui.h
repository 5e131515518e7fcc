// The user-interface boundary of the shell: tray icon, popup menu, modal dialogs driven by portable
// dialog procedures, message boxes, the open-file dialog, opening an address, and the event pump
// of the main loop. Implemented by platform/linux (Qt) and by tests/support/scripted_ui.h.
// Texts crossing it are Shift-JIS; file paths are the host's file-name bytes (see OpenFileRequest).
// Must not depend on anything but base/ and resources/.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/message_box.h"
#include "base/url_opener.h"
#include "resources/dialogs.h"

namespace brine {

// Notification codes of WM_COMMAND from dialog controls, Windows values.
constexpr int kBnClicked = 0;     // a push button or radio button was pressed
constexpr int kCbnSelChange = 1;  // the user picked another entry of a drop-down list

// get_text's answer when the control holds a character that Shift-JIS cannot write (an emoji, a
// letter outside code page 932).
constexpr int kTextNotShiftJis = -2;

// What a dialog procedure does to the controls of its open dialog. Controls are named by their
// ids in the dialog's resource table; an id the dialog does not have is ignored (getters then
// answer -1 or an empty text). Valid only while the procedure runs inside run_dialog.
//
// Texts go in and out as Shift-JIS. A platform that shows them in another encoding must never
// hand back a conversion where the core needs bytes: a list entry keeps the exact bytes it was
// added with, and a typed text that does not convert exactly is reported, not patched up.
class DialogControls {
public:
    virtual ~DialogControls() = default;

    // CB_ADDSTRING: appends an entry (unsorted lists); its index, or -1. The entry keeps `text`'s
    // bytes as given; what the list shows may be a conversion of them.
    virtual int combo_add_string(int id, const char* text) = 0;
    // CB_SETCURSEL: selects entry `index`; -1 or an index out of range clears the selection.
    // Never reported back to the procedure as a selection change.
    virtual void combo_set_selection(int id, int index) = 0;
    // CB_GETCURSEL: the selected index, -1 when none.
    virtual int combo_selection(int id) = 0;
    virtual int combo_count(int id) = 0;
    // CB_GETLBTEXT with a buffer size: copies the bytes the entry was added with, cut so that
    // they fit `size` bytes with their zero (never in the middle of a double-byte character). Its
    // length, or -1 (buffer then "") when there is no such entry. Never the shown text converted
    // back: names whose bytes do not survive a round trip (the NEC and IBM extensions of code
    // page 932, a name cut after a lead byte) would come back as other bytes and find no fish.
    virtual int combo_item_text(int id, int index, char* buffer, std::size_t size) = 0;

    // SetDlgItemTextA / GetDlgItemTextA. get_text cuts like combo_item_text and answers the length,
    // or kTextNotShiftJis (buffer then "") when the control holds a character Shift-JIS cannot
    // write: a stand-in such as '?' would be a text the user never typed.
    virtual void set_text(int id, const char* text) = 0;
    virtual int get_text(int id, char* buffer, std::size_t size) = 0;
    // A file path (host file-name bytes, as OpenFileRequest gives them) shown as its file-name part.
    // On a Shift-JIS host this is set_text(id, file_name_part(path)); on a UTF-8 host the platform
    // splits and converts it, since the Shift-JIS scan would misread UTF-8 bytes.
    virtual void set_file_name_text(int id, const char* path) = 0;

    // CheckRadioButton: `checkId` on, every other radio button with an id from first to last off.
    virtual void check_radio_button(int firstId, int lastId, int checkId) = 0;
    // IsDlgButtonChecked == BST_CHECKED.
    virtual bool is_checked(int id) = 0;
    // EnableWindow on a control.
    virtual void enable_control(int id, bool enabled) = 0;
    // EndDialog: run_dialog answers `result` once the procedure has returned.
    virtual void end_dialog(int result) = 0;
};

// The portable logic of one dialog. The platform calls init_dialog once when the dialog's
// controls exist, then command for every button press and list selection change; Escape and the
// window's close box arrive as command(kIdCancel, kBnClicked), Enter as the default button's.
class DialogProcedure {
public:
    virtual ~DialogProcedure() = default;
    // WM_INITDIALOG. The answer is the procedure's (FALSE in all three dialogs here).
    virtual bool init_dialog(DialogControls& controls) = 0;
    // WM_COMMAND; true when handled.
    virtual bool command(DialogControls& controls, int controlId, int notification) = 0;
};

// One item of the popup menu as it is to be shown this time.
struct MenuItemState {
    std::uint32_t command = 0;
    bool enabled = true;
    bool checked = false;
};

// Open-file flags, Windows values.
constexpr std::uint32_t kOfnHideReadOnly = 0x4;
constexpr std::uint32_t kOfnFileMustExist = 0x1000;
constexpr std::size_t kPathBytes = 260;

// GetOpenFileNameA as the program fills it. Texts are Shift-JIS. The path buffer is in and out:
// on entry the file the dialog starts from (may be empty), on a choice the chosen file. Paths are
// the host's file-name bytes as the program's file access takes them (Shift-JIS on Windows, UTF-8
// on Linux): converting them would make files with names outside one code page unreachable.
struct OpenFileRequest {
    bool ownerIsDialog = false;  // owned by the open dialog rather than the main window
    const char* const* filters = nullptr;  // display text, pattern ("*.bmp;*.dib"), ... pairs
    std::size_t filterPairs = 0;
    const char* title = nullptr;
    const char* defaultExtension = nullptr;  // without the dot; added when the user typed none
    std::uint32_t flags = 0;
    char* path = nullptr;
    std::size_t pathSize = kPathBytes;
};

enum class UiEventKind {
    kTrayRightButton,  // the right mouse button went down on the tray icon
    kCommand,          // a menu command (40001..40014) sent to the main window
    kDisplayChange,    // the screen resolution changed (WM_DISPLAYCHANGE)
    kQuit,             // post_quit was called (WM_QUIT)
};

struct UiEvent {
    UiEventKind kind = UiEventKind::kQuit;
    std::uint32_t command = 0;  // for kCommand
};

// The whole UI as the shell sees it. All calls on the program's one thread. Modal calls
// (message_box, track_popup_menu, run_dialog, choose_open_file) return only when closed; the
// main loop does not run meanwhile.
class Ui : public MessageBoxes, public UrlOpener {
public:
    // CreateWindowExA: the hidden main window that owns the tray icon and receives the commands
    // (and is the single-instance marker where the platform has one), made once at start-up
    // before the tray icon. False when it cannot be made: the program then ends with its message.
    // A platform with no such window answers true.
    virtual bool create_main_window() = 0;
    // Shell_NotifyIconA NIM_ADD with the program's icon and the tip (Shift-JIS). False when the
    // desktop has no notification area; the program runs on regardless.
    virtual bool add_tray_icon(const char* tip) = 0;
    // NIM_DELETE; removing an icon that is not there does nothing.
    virtual void remove_tray_icon() = 0;

    // Shows the popup menu "RES_POPUPMENU" (resources/menu.h) at the mouse cursor with the given
    // item states (items not listed are enabled and unchecked) and answers the chosen command,
    // 0 when the menu was dismissed.
    virtual std::uint32_t track_popup_menu(const MenuItemState* states, std::size_t count) = 0;

    // DialogBoxParamA: lays the dialog out from its table, runs it modally with the procedure and
    // answers the value given to end_dialog (-1 when the dialog could not be created).
    virtual int run_dialog(const DialogResource& dialog, DialogProcedure& procedure) = 0;

    // GetOpenFileNameA. True when a file was chosen (then in request.path). The current directory
    // is the same afterwards as before, whatever the dialog did.
    virtual bool choose_open_file(OpenFileRequest& request) = 0;

    // One pass of the event pump (PeekMessageA in a wait): lets the window system deliver what is
    // pending and hands out the oldest queued event. When none is queued it waits until one is, or
    // until `waitSeconds` have passed (0 or less: never waits); false when the wait ran out with
    // none. Called by the main loop only, once per pass, with the time until its next frame is
    // due. Every source of events the program reads (window system, tray, signals, the desktop
    // host's own connection) must end the wait at once; a wakeup that queues nothing may keep
    // waiting towards the same deadline. A timeout may be rounded up to the wait's own resolution
    // (milliseconds on Qt and Windows), never down. Test doubles advance their simulated clock by
    // the wait instead of sleeping.
    virtual bool poll_event(UiEvent* event, double waitSeconds) = 0;
    // PostQuitMessage: queues kQuit behind the events already queued.
    virtual void post_quit() = 0;
};

}  // namespace brine
