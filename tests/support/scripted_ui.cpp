#include "tests/support/scripted_ui.h"

#include <cstring>

#include "base/sjis.h"

namespace brine::test {
namespace {

int copy_out(const std::string& text, char* buffer, std::size_t size) {
    if (size == 0) return 0;
    // Cut like the window system's ANSI copy: never half a double-byte character.
    std::size_t n = 0;
    while (n < text.size()) {
        const std::size_t step = is_sjis_lead(static_cast<unsigned char>(text[n])) && n + 1 < text.size() ? 2 : 1;
        if (n + step > size - 1) break;
        n += step;
    }
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

}  // namespace

ScriptedDialog::ScriptedDialog(const DialogResource& resource, DialogProcedure& procedure)
    : name(resource.name), resource_(resource), procedure_(procedure) {
    for (std::size_t i = 0; i < resource.controlCount; ++i) {
        const DialogControlResource& c = resource.controls[i];
        if (c.id <= 0) continue;
        switch (c.kind) {
        case ControlKind::DropDownList: combos[c.id]; break;
        case ControlKind::AutoRadioButton: checks[c.id] = false; break;
        case ControlKind::Edit:
        case ControlKind::Static:
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton: texts[c.id] = c.text; break;
        }
    }
}

bool ScriptedDialog::has(int id) const {
    for (std::size_t i = 0; i < resource_.controlCount; ++i)
        if (resource_.controls[i].id == id) return true;
    return false;
}

bool ScriptedDialog::enabled(int id) const {
    auto it = disabled.find(id);
    return it == disabled.end() || !it->second;
}

int ScriptedDialog::combo_add_string(int id, const char* text) {
    auto it = combos.find(id);
    if (it == combos.end()) return -1;
    it->second.items.push_back(text ? text : "");
    return static_cast<int>(it->second.items.size()) - 1;
}

void ScriptedDialog::combo_set_selection(int id, int index) {
    auto it = combos.find(id);
    if (it == combos.end()) return;
    it->second.selection = (index >= 0 && index < static_cast<int>(it->second.items.size())) ? index : -1;
}

int ScriptedDialog::combo_selection(int id) {
    auto it = combos.find(id);
    return it == combos.end() ? -1 : it->second.selection;
}

int ScriptedDialog::combo_count(int id) {
    auto it = combos.find(id);
    return it == combos.end() ? -1 : static_cast<int>(it->second.items.size());
}

int ScriptedDialog::combo_item_text(int id, int index, char* buffer, std::size_t size) {
    auto it = combos.find(id);
    if (it == combos.end() || index < 0 || index >= static_cast<int>(it->second.items.size())) {
        if (size > 0) buffer[0] = '\0';
        return -1;
    }
    return copy_out(it->second.items[static_cast<std::size_t>(index)], buffer, size);
}

void ScriptedDialog::set_text(int id, const char* text) {
    auto it = texts.find(id);
    if (it == texts.end()) return;
    it->second = text ? text : "";
    notShiftJis.erase(id);
}

int ScriptedDialog::get_text(int id, char* buffer, std::size_t size) {
    auto it = texts.find(id);
    const bool unwritable = notShiftJis.count(id) != 0;
    if (it == texts.end() || unwritable) {
        if (size > 0) buffer[0] = '\0';
        return unwritable ? kTextNotShiftJis : 0;
    }
    return copy_out(it->second, buffer, size);
}

void ScriptedDialog::set_file_name_text(int id, const char* path) { set_text(id, file_name_part(path)); }

void ScriptedDialog::check_radio_button(int firstId, int lastId, int checkId) {
    for (auto& [id, on] : checks)
        if (id >= firstId && id <= lastId) on = (id == checkId);
    auto it = checks.find(checkId);
    if (it != checks.end()) it->second = true;
}

bool ScriptedDialog::is_checked(int id) {
    auto it = checks.find(id);
    return it != checks.end() && it->second;
}

void ScriptedDialog::enable_control(int id, bool enabled) {
    if (has(id)) disabled[id] = !enabled;
}

void ScriptedDialog::end_dialog(int value) {
    if (!result) result = value;
}

void ScriptedDialog::type(int id, const std::string& text) {
    if (!enabled(id) || texts.find(id) == texts.end()) return;
    texts[id] = text;
    notShiftJis.erase(id);
}

void ScriptedDialog::type_not_shift_jis(int id, const std::string& shown) {
    if (!enabled(id) || texts.find(id) == texts.end()) return;
    texts[id] = shown;
    notShiftJis.insert(id);
}

void ScriptedDialog::pick(int id, int index) {
    if (!enabled(id) || combos.find(id) == combos.end()) return;
    combos[id].selection = index;
    if (result) ++commandsAfterEnd;
    procedure_.command(*this, id, kCbnSelChange);
}

void ScriptedDialog::click(int id) {
    if (!enabled(id) || !has(id)) return;
    auto radio = checks.find(id);
    if (radio != checks.end()) {
        for (auto& [other, on] : checks) on = false;  // the two radios of a dialog form one group
        radio->second = true;
    }
    if (result) ++commandsAfterEnd;
    procedure_.command(*this, id, kBnClicked);
}

int ScriptedUi::message_box(const char* text, const char* caption, std::uint32_t style, bool owned) {
    messages.push_back({text ? text : "", caption ? caption : "", style, owned});
    log_->push_back(std::string("message_box:") + (text ? text : ""));
    if (messageAnswers.empty()) return (style & 0xF) == kMbYesNo ? kIdNo : kIdOk;
    const int answer = messageAnswers.front();
    messageAnswers.pop_front();
    return answer;
}

bool ScriptedUi::open_url(const char* url) {
    urls.push_back(url ? url : "");
    log_->push_back(std::string("open_url:") + (url ? url : ""));
    return true;
}

bool ScriptedUi::create_main_window() {
    log_->push_back(mainWindowAvailable ? "main window" : "main window failed");
    return mainWindowAvailable;
}

bool ScriptedUi::add_tray_icon(const char* tip) {
    ++trayAdds;
    log_->push_back("tray_add");
    trayTip = tip ? tip : "";
    trayShown = trayAvailable;
    return trayAvailable;
}

void ScriptedUi::remove_tray_icon() {
    ++trayRemoves;
    log_->push_back("tray_remove");
    trayShown = false;
}

std::uint32_t ScriptedUi::track_popup_menu(const MenuItemState* states, std::size_t count) {
    menus.emplace_back(states, states + count);
    log_->push_back("menu");
    if (menuChoices.empty()) return 0;
    const std::uint32_t choice = menuChoices.front();
    menuChoices.pop_front();
    return choice;
}

std::optional<MenuItemState> ScriptedUi::menu_state(std::uint32_t command) const {
    if (menus.empty()) return std::nullopt;
    for (const MenuItemState& s : menus.back())
        if (s.command == command) return s;
    return std::nullopt;
}

int ScriptedUi::run_dialog(const DialogResource& dialog, DialogProcedure& procedure) {
    log_->push_back(std::string("dialog:") + dialog.name);
    ScriptedDialog open(dialog, procedure);
    open.initAnswer = procedure.init_dialog(open);
    if (!dialogScripts.empty()) {
        DialogScript script = std::move(dialogScripts.front());
        dialogScripts.pop_front();
        script(open);
    }
    if (!open.ended()) {
        open.leftOpen = true;
        open.press_cancel();
    }
    dialogs.push_back(open);
    log_->push_back(std::string("dialog_end:") + dialog.name);
    return open.result.value_or(-1);
}

bool ScriptedUi::choose_open_file(OpenFileRequest& request) {
    OpenFileCall call;
    call.ownerIsDialog = request.ownerIsDialog;
    for (std::size_t i = 0; i < request.filterPairs * 2; ++i) call.filters.push_back(request.filters[i]);
    call.title = request.title ? request.title : "";
    call.defaultExtension = request.defaultExtension ? request.defaultExtension : "";
    call.flags = request.flags;
    call.initialPath = request.path ? request.path : "";
    call.pathSize = request.pathSize;
    fileDialogs.push_back(call);
    log_->push_back("open_file");
    if (browseInto) std::filesystem::current_path(*browseInto);  // as a browsing dialog may
    if (fileChoices.empty()) return false;
    std::optional<std::string> choice = fileChoices.front();
    fileChoices.pop_front();
    if (!choice || choice->size() + 1 > request.pathSize) return false;
    std::memcpy(request.path, choice->c_str(), choice->size() + 1);
    return true;
}

bool ScriptedUi::poll_event(UiEvent* event, double waitSeconds) {
    ++polls;
    waits.push_back(waitSeconds);
    if (events.empty() && clock && waitSeconds > 0) {
        if (!laterEvents.empty() && laterEvents.front().afterSeconds <= waitSeconds) {
            clock->advance_seconds(laterEvents.front().afterSeconds);
            events.push_back(laterEvents.front().event);
            laterEvents.pop_front();
        } else {
            if (!laterEvents.empty()) laterEvents.front().afterSeconds -= waitSeconds;
            clock->advance_seconds(waitSeconds);
        }
    }
    if (events.empty()) return false;
    *event = events.front();
    events.pop_front();
    return true;
}

void ScriptedUi::post_quit() {
    ++quits;
    log_->push_back("quit");
    events.push_back({UiEventKind::kQuit, 0});
}

}  // namespace brine::test
