#include "shell/delete_fish_dialog.h"

#include "resources/resource_ids.h"
#include "shell/shell_texts.h"

namespace brine {

bool DeleteFishDialog::init_dialog(DialogControls& controls) {
    for (int slot = 0; slot < kTankSlots; ++slot) {
        const char* name = aquarium_.fish_name(slot);
        if (name != nullptr) controls.combo_add_string(kIdNameCombo, name);
    }
    controls.combo_set_selection(kIdNameCombo, 0);
    return false;
}

bool DeleteFishDialog::command(DialogControls& controls, int controlId, int) {
    switch (controlId) {
    case kIdOk:
        remove_chosen(controls);
        return true;
    case kIdCancel:
        controls.end_dialog(kIdCancel);
        return true;
    default:
        return false;
    }
}

void DeleteFishDialog::remove_chosen(DialogControls& controls) {
    const int entry = controls.combo_selection(kIdNameCombo);
    // An empty list has nothing to delete: without this the unread name buffer would be looked up
    // and, not found, would reset the whole tank.
    if (entry < 0) {
        controls.end_dialog(kIdCancel);
        return;
    }
    char name[260] = {};
    controls.combo_item_text(kIdNameCombo, entry, name, sizeof name);
    const int slot = aquarium_.find_fish_by_name(name);
    if (slot >= 0) {
        aquarium_.clear_fish_slot(slot);
    } else {
        boxes_.message_box(kMsgUnknownFishReset, kCaptionWarning, kMbIconWarning, false);
        for (int s = 0; s < kTankSlots; ++s) aquarium_.clear_fish_slot(s);
    }
    aquarium_.save_roster();
    controls.end_dialog(kIdOk);
}

}  // namespace brine
