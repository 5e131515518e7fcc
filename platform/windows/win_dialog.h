// The three dialogs on Win32, built in memory from the resources/ tables (DLGTEMPLATE +
// DialogBoxIndirectParamW), so Linux and Windows lay them out from one source; driven by the
// portable DialogProcedure through the DialogControls implemented here. Texts are converted from
// and to Shift-JIS with code page 932; each list row keeps the exact bytes the core gave it.
#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "resources/dialogs.h"
#include "shell/ui.h"

namespace brine {

// The dialog's template: DLGTEMPLATE with DS_SETFONT, then one DLGITEMTEMPLATE per table row in
// table order (ids as WORDs, -1 being 0xFFFF; classes by their atoms), DWORD-aligned. In WORDs,
// so the buffer's start is aligned too.
std::vector<WORD> build_dialog_template(const DialogResource& dialog);

// The predefined window class a control kind is made of ("Button", "Static", "ComboBox", "Edit").
const wchar_t* control_class_name(ControlKind kind);

class WinDialog : public DialogControls {
public:
    WinDialog(const DialogResource& dialog, DialogProcedure& procedure);

    // DialogBoxIndirectParamW owned by `owner` (may be null); the end_dialog value, -1 when the
    // dialog could not be made.
    int run(HWND owner);
    HWND window() const { return window_; }

    int combo_add_string(int id, const char* text) override;
    void combo_set_selection(int id, int index) override;
    int combo_selection(int id) override;
    int combo_count(int id) override;
    int combo_item_text(int id, int index, char* buffer, std::size_t size) override;
    void set_text(int id, const char* text) override;
    // kTextNotShiftJis (buffer "") when a character has no Shift-JIS form.
    int get_text(int id, char* buffer, std::size_t size) override;
    void set_file_name_text(int id, const char* path) override;
    void check_radio_button(int firstId, int lastId, int checkId) override;
    bool is_checked(int id) override;
    void enable_control(int id, bool enabled) override;
    void end_dialog(int result) override;

private:
    static INT_PTR CALLBACK dialog_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam);
    const DialogControlResource* control(int id) const;
    HWND combo(int id) const;

    const DialogResource& dialog_;
    DialogProcedure& procedure_;
    HWND window_ = nullptr;
    bool ended_ = false;
    std::map<int, std::vector<std::string>> rows_;  // per list: each row's bytes as given
};

}  // namespace brine
