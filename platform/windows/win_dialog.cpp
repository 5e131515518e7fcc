// Dialog templates written word by word, and the dialog procedure that hands WM_INITDIALOG and
// the WM_COMMANDs of button presses and list selection changes to the portable procedure.
#include "platform/windows/win_dialog.h"

#include <cstring>

#include "platform/windows/win_text.h"
#include "shell/shell_util.h"

namespace brine {
namespace {

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;
constexpr WORD kComboBoxAtom = 0x0085;

WORD class_atom(ControlKind kind) {
    switch (kind) {
    case ControlKind::DefaultPushButton:
    case ControlKind::PushButton:
    case ControlKind::AutoRadioButton: return kButtonAtom;
    case ControlKind::Static: return kStaticAtom;
    case ControlKind::DropDownList: return kComboBoxAtom;
    case ControlKind::Edit: return kEditAtom;
    }
    return kStaticAtom;
}

class TemplateWriter {
public:
    void word(WORD w) { words_.push_back(w); }
    void dword(DWORD d) {
        word(LOWORD(d));
        word(HIWORD(d));
    }
    void text(const char* sjis) {
        for (wchar_t c : sjis_to_wide(sjis ? sjis : "")) word(static_cast<WORD>(c));
        word(0);
    }
    void align_dword() {
        if (words_.size() % 2) word(0);
    }
    std::vector<WORD> take() { return std::move(words_); }

private:
    std::vector<WORD> words_;
};

}  // namespace

const wchar_t* control_class_name(ControlKind kind) {
    switch (class_atom(kind)) {
    case kButtonAtom: return L"Button";
    case kEditAtom: return L"Edit";
    case kComboBoxAtom: return L"ComboBox";
    default: return L"Static";
    }
}

std::vector<WORD> build_dialog_template(const DialogResource& dialog) {
    TemplateWriter t;
    t.dword(dialog.style | DS_SETFONT);
    t.dword(0);  // extended style
    t.word(static_cast<WORD>(dialog.controlCount));
    t.word(0);  // x, y: DS_CENTER places it
    t.word(0);
    t.word(static_cast<WORD>(dialog.width));
    t.word(static_cast<WORD>(dialog.height));
    t.word(0);  // no menu
    t.word(0);  // the standard dialog class
    t.text(dialog.title);
    t.word(static_cast<WORD>(dialog.fontPoints > 0 ? dialog.fontPoints : 9));
    t.text(dialog.fontFace);
    for (std::size_t i = 0; i < dialog.controlCount; ++i) {
        const DialogControlResource& c = dialog.controls[i];
        t.align_dword();
        t.dword(WS_CHILD | WS_VISIBLE | c.style);
        t.dword(0);
        t.word(static_cast<WORD>(c.x));
        t.word(static_cast<WORD>(c.y));
        t.word(static_cast<WORD>(c.width));
        t.word(static_cast<WORD>(c.height));
        t.word(static_cast<WORD>(c.id));  // -1 becomes 0xFFFF, the statics' id
        t.word(0xFFFF);
        t.word(class_atom(c.kind));
        t.text(c.text);
        t.word(0);  // no creation data
    }
    return t.take();
}

WinDialog::WinDialog(const DialogResource& dialog, DialogProcedure& procedure)
    : dialog_(dialog), procedure_(procedure) {}

int WinDialog::run(HWND owner) {
    const std::vector<WORD> words = build_dialog_template(dialog_);
    const INT_PTR r = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(words.data()),
                                              owner, dialog_proc, reinterpret_cast<LPARAM>(this));
    window_ = nullptr;
    return static_cast<int>(r);
}

INT_PTR CALLBACK WinDialog::dialog_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<WinDialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->window_ = window;
    }
    auto* self = reinterpret_cast<WinDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    return self ? self->handle(message, wParam) : FALSE;
}

INT_PTR WinDialog::handle(UINT message, WPARAM wParam) {
    if (message == WM_INITDIALOG) return procedure_.init_dialog(*this) ? TRUE : FALSE;
    if (message != WM_COMMAND || ended_) return FALSE;
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    // Escape and the close box arrive as IDCANCEL, Enter as the default button, both BN_CLICKED.
    const DialogControlResource* c = control(id);
    const bool isList = c && c->kind == ControlKind::DropDownList;
    if (isList ? code != CBN_SELCHANGE : code != BN_CLICKED) return FALSE;
    return procedure_.command(*this, id, isList ? kCbnSelChange : kBnClicked) ? TRUE : FALSE;
}

const DialogControlResource* WinDialog::control(int id) const {
    for (std::size_t i = 0; i < dialog_.controlCount; ++i)
        if (dialog_.controls[i].id == id && id != -1) return &dialog_.controls[i];
    return nullptr;
}

HWND WinDialog::combo(int id) const {
    const DialogControlResource* c = control(id);
    return c && c->kind == ControlKind::DropDownList && window_ ? GetDlgItem(window_, id) : nullptr;
}

int WinDialog::combo_add_string(int id, const char* text) {
    HWND list = combo(id);
    if (!list) return -1;
    const std::wstring wide = sjis_to_wide(text ? text : "");
    const LRESULT index = SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    if (index < 0) return -1;
    // The list is unsorted, so the new row is the last one here too.
    rows_[id].push_back(text ? text : "");
    return static_cast<int>(index);
}

void WinDialog::combo_set_selection(int id, int index) {
    HWND list = combo(id);
    if (!list) return;
    // Windows clears the selection for an index past the end, wine keeps it: ask for -1 then.
    const LRESULT count = SendMessageW(list, CB_GETCOUNT, 0, 0);
    SendMessageW(list, CB_SETCURSEL, index >= 0 && index < count ? static_cast<WPARAM>(index) : static_cast<WPARAM>(-1), 0);
}

int WinDialog::combo_selection(int id) {
    HWND list = combo(id);
    return list ? static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0)) : -1;
}

int WinDialog::combo_count(int id) {
    HWND list = combo(id);
    return list ? static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0)) : -1;
}

int WinDialog::combo_item_text(int id, int index, char* buffer, std::size_t size) {
    auto it = rows_.find(id);
    if (it == rows_.end() || index < 0 || static_cast<std::size_t>(index) >= it->second.size()) {
        if (size > 0) buffer[0] = '\0';
        return -1;
    }
    // The bytes the core added, not a round trip through UTF-16 (which would not give back
    // every Shift-JIS byte sequence as it was).
    return static_cast<int>(copy_text(buffer, size, it->second[static_cast<std::size_t>(index)].c_str()));
}

void WinDialog::set_text(int id, const char* text) {
    if (!control(id) || !window_) return;
    SetDlgItemTextW(window_, id, sjis_to_wide(text ? text : "").c_str());
}

int WinDialog::get_text(int id, char* buffer, std::size_t size) {
    HWND item = control(id) && window_ ? GetDlgItem(window_, id) : nullptr;
    std::wstring wide;
    if (item) {
        const int length = GetWindowTextLengthW(item);
        if (length > 0) {
            wide.resize(static_cast<std::size_t>(length) + 1);
            const int got = GetWindowTextW(item, &wide[0], length + 1);
            wide.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        }
    }
    bool whole = true;
    const std::string sjis = wide_to_sjis(wide, &whole);
    if (!whole) {
        // A '?' in place of what has no Shift-JIS form would be a name the user never typed.
        if (size > 0) buffer[0] = '\0';
        return kTextNotShiftJis;
    }
    return static_cast<int>(copy_text(buffer, size, sjis.c_str()));
}

void WinDialog::set_file_name_text(int id, const char* path) {
    if (!control(id) || !window_) return;
    // Host paths are UTF-8 here, where a 0x5C or 0x2F byte is always a separator.
    const std::string whole = path ? path : "";
    const std::size_t cut = whole.find_last_of("\\/");
    const std::string name = cut == std::string::npos ? whole : whole.substr(cut + 1);
    SetDlgItemTextW(window_, id, utf8_to_wide(name).c_str());
}

void WinDialog::check_radio_button(int firstId, int lastId, int checkId) {
    if (window_) CheckRadioButton(window_, firstId, lastId, checkId);
}

bool WinDialog::is_checked(int id) { return window_ && control(id) && IsDlgButtonChecked(window_, id) == BST_CHECKED; }

void WinDialog::enable_control(int id, bool enabled) {
    if (window_ && control(id)) EnableWindow(GetDlgItem(window_, id), enabled ? TRUE : FALSE);
}

void WinDialog::end_dialog(int result) {
    if (ended_ || !window_) return;
    ended_ = true;
    EndDialog(window_, result);
}

}  // namespace brine
