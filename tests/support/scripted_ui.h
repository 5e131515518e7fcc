// A scripted Ui for the shell's tests: records tray, menu, dialog, file-dialog, URL and message-box
// calls in one log, answers from scripts, and runs dialogs over an in-memory model of their
// controls built from the dialog tables, so a test can type, pick and click as a user would.
#pragma once
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "resources/dialogs.h"
#include "shell/ui.h"
#include "tests/support/manual_clock.h"
#include "tests/support/scripted_message_boxes.h"

namespace brine::test {

// The controls of one open dialog, as plain values.
class ScriptedDialog : public DialogControls {
public:
    struct Combo {
        std::vector<std::string> items;
        int selection = -1;
    };

    ScriptedDialog(const DialogResource& resource, DialogProcedure& procedure);

    // DialogControls.
    int combo_add_string(int id, const char* text) override;
    void combo_set_selection(int id, int index) override;
    int combo_selection(int id) override;
    int combo_count(int id) override;
    int combo_item_text(int id, int index, char* buffer, std::size_t size) override;
    void set_text(int id, const char* text) override;
    int get_text(int id, char* buffer, std::size_t size) override;
    void set_file_name_text(int id, const char* path) override;
    void check_radio_button(int firstId, int lastId, int checkId) override;
    bool is_checked(int id) override;
    void enable_control(int id, bool enabled) override;
    void end_dialog(int result) override;

    // What a user does. Each action on a disabled control is ignored, as the window system would.
    void type(int id, const std::string& text);  // replaces the edit's text, no notification
    // Types text holding a character Shift-JIS cannot write (an emoji); `shown` stands for it in
    // the record, and get_text answers kTextNotShiftJis until the text is replaced.
    void type_not_shift_jis(int id, const std::string& shown);
    void pick(int id, int index);                // selects and notifies kCbnSelChange
    void click(int id);                          // presses a button (a radio button turns on)
    void press_ok() { click(kIdOkButton); }
    void press_cancel() { click(kIdCancelButton); }

    bool has(int id) const;
    bool ended() const { return result.has_value(); }
    const Combo& combo(int id) const { return combos.at(id); }
    const std::string& text(int id) const { return texts.at(id); }
    bool enabled(int id) const;

    std::string name;
    std::map<int, Combo> combos;
    std::map<int, std::string> texts;
    std::map<int, bool> checks;  // radio buttons
    std::map<int, bool> disabled;
    std::set<int> notShiftJis;  // edits whose text Shift-JIS cannot write
    std::optional<int> result;
    bool initAnswer = true;
    int commandsAfterEnd = 0;  // commands the procedure received after it ended the dialog
    bool leftOpen = false;     // the script ended with the dialog still open (then cancelled)

private:
    static constexpr int kIdOkButton = 1;
    static constexpr int kIdCancelButton = 2;
    const DialogResource& resource_;
    DialogProcedure& procedure_;
};

// One open-file dialog as the test saw it.
struct OpenFileCall {
    bool ownerIsDialog = false;
    std::vector<std::string> filters;
    std::string title;
    std::string defaultExtension;
    std::uint32_t flags = 0;
    std::string initialPath;
    std::size_t pathSize = 0;
};

class ScriptedUi : public Ui {
public:
    // A dialog script acts on the open dialog like a user; a dialog still open after it (or
    // without one) is cancelled.
    using DialogScript = std::function<void(ScriptedDialog&)>;

    explicit ScriptedUi(std::vector<std::string>* sharedLog = nullptr) : log_(sharedLog ? sharedLog : &ownLog) {}

    bool create_main_window() override;
    int message_box(const char* text, const char* caption, std::uint32_t style, bool owned) override;
    bool open_url(const char* url) override;
    bool add_tray_icon(const char* tip) override;
    void remove_tray_icon() override;
    std::uint32_t track_popup_menu(const MenuItemState* states, std::size_t count) override;
    int run_dialog(const DialogResource& dialog, DialogProcedure& procedure) override;
    bool choose_open_file(OpenFileRequest& request) override;
    // Hands out `events` first; else, with a clock, waits by advancing it: to the first of
    // `laterEvents` that arrives within the wait (then handed out), or by the whole wait.
    bool poll_event(UiEvent* event, double waitSeconds) override;
    void post_quit() override;

    // The state the last popup menu was shown with, by command (absent: not listed).
    std::optional<MenuItemState> menu_state(std::uint32_t command) const;
    std::vector<std::string>& log() { return *log_; }

    // Scripts and answers.
    std::deque<int> messageAnswers;                    // else OK, or No for Yes/No boxes
    std::deque<std::uint32_t> menuChoices;             // else 0 (dismissed)
    std::deque<DialogScript> dialogScripts;            // else cancel
    std::deque<std::optional<std::string>> fileChoices;  // a path, or nullopt for cancel; else cancel
    std::optional<std::filesystem::path> browseInto;   // the file dialog moves the current directory here
    std::deque<UiEvent> events;
    struct LaterEvent {
        double afterSeconds = 0;  // of waiting, counted from the previous arrival (or the start)
        UiEvent event;
    };
    std::deque<LaterEvent> laterEvents;
    ManualClock* clock = nullptr;  // advanced by the waits; none: never waits
    std::vector<double> waits;     // each wait asked for, in seconds
    bool trayAvailable = true;
    bool mainWindowAvailable = true;

    // Records.
    std::vector<ShownMessage> messages;
    std::vector<std::string> urls;
    std::vector<OpenFileCall> fileDialogs;
    std::vector<std::vector<MenuItemState>> menus;
    std::vector<ScriptedDialog> dialogs;  // each dialog as it was when it closed
    bool trayShown = false;
    std::string trayTip;
    int trayAdds = 0, trayRemoves = 0, quits = 0, polls = 0;

private:
    std::vector<std::string> ownLog;
    std::vector<std::string>* log_;
};

}  // namespace brine::test
