// The delete-fish dialog's logic ("RES_DLG_DELETE"): the live fish by name in slot order; the
// chosen one is removed and the roster saved. Must not depend on anything but base/, resources/
// and shell/.
#pragma once
#include "base/message_box.h"
#include "shell/aquarium_actions.h"
#include "shell/ui.h"

namespace brine {

class DeleteFishDialog : public DialogProcedure {
public:
    DeleteFishDialog(MessageBoxes& boxes, AquariumActions& aquarium) : boxes_(boxes), aquarium_(aquarium) {}

    bool init_dialog(DialogControls& controls) override;
    bool command(DialogControls& controls, int controlId, int notification) override;

private:
    void remove_chosen(DialogControls& controls);

    MessageBoxes& boxes_;
    AquariumActions& aquarium_;
};

}  // namespace brine
