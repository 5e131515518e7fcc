#include "shell/add_fish_dialog.h"

#include <cstring>

#include "resources/resource_ids.h"
#include "shell/shell_texts.h"

namespace brine {

bool AddFishDialog::init_dialog(DialogControls& controls) {
    for (int row = 0; row < catalog_.count && row < kCatalogCapacity; ++row)
        controls.combo_add_string(kIdKindCombo, catalog_.rows[row].kindName.c_str());
    if (!row_exists(0)) {
        // Every kind is still held back: there is nothing to add, so the add button is greyed
        // and only Cancel closes the dialog.
        controls.enable_control(kIdOk, false);
        controls.enable_control(kIdNameEdit, false);
        return false;
    }
    controls.combo_set_selection(kIdKindCombo, 0);
    show_default_name(controls, 0);
    return false;
}

bool AddFishDialog::command(DialogControls& controls, int controlId, int notification) {
    switch (controlId) {
    case kIdKindCombo:
        if (notification != kCbnSelChange) return false;
        show_default_name(controls, controls.combo_selection(kIdKindCombo));
        return true;
    case kIdOk:
        accept(controls);
        return true;
    case kIdCancel:
        controls.end_dialog(kIdCancel);
        return true;
    default:
        return false;
    }
}

void AddFishDialog::show_default_name(DialogControls& controls, int row) {
    if (row_exists(row)) controls.set_text(kIdNameEdit, catalog_.rows[row].defaultFishName.c_str());
}

void AddFishDialog::accept(DialogControls& controls) {
    const int row = controls.combo_selection(kIdKindCombo);
    // Without a kind there is nothing to create (an empty catalog); the dialog stays open.
    if (!row_exists(row)) return;

    char name[260] = {};
    // A name is stored only as the user typed it; one that Shift-JIS cannot hold is refused.
    if (controls.get_text(kIdNameEdit, name, sizeof name) == kTextNotShiftJis) {
        boxes_.message_box(kMsgNameNotShiftJis, kCaptionWarning, kMbIconWarning, false);
        return;
    }
    const std::size_t length = std::strlen(name);
    if (length == 0) {
        boxes_.message_box(kMsgEnterName, kCaptionWarning, kMbIconWarning, false);
        return;
    }
    if (length > kMaxNameBytes) {
        boxes_.message_box(kMsgNameTooLong, kCaptionWarning, kMbIconWarning, false);
        return;
    }
    if (aquarium_.find_fish_by_name(name) >= 0) {
        boxes_.message_box(kMsgDuplicateName, kCaptionWarning, kMbIconWarning, false);
        return;
    }
    if (failed(aquarium_.create_fish(row, 0, 0, name)))
        boxes_.message_box(kMsgFishLoadFailed, kCaptionWarning, kMbIconWarning, false);
    aquarium_.save_roster();
    controls.end_dialog(kIdOk);
}

}  // namespace brine
