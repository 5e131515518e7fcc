// The add-fish dialog's logic ("RES_DLG_ADD"): a kind from the catalog and a name, refused when
// Shift-JIS cannot write it, checked by the three name rules, then a new fish and a saved roster.
// Must not depend on anything but base/, data/ (the catalog), resources/ and shell/.
#pragma once
#include <cstddef>

#include "base/message_box.h"
#include "data/fish_catalog.h"
#include "shell/aquarium_actions.h"
#include "shell/ui.h"

namespace brine {

constexpr std::size_t kMaxNameBytes = 24;  // 12 full-width characters

class AddFishDialog : public DialogProcedure {
public:
    AddFishDialog(MessageBoxes& boxes, AquariumActions& aquarium, const FishCatalog& catalog)
        : boxes_(boxes), aquarium_(aquarium), catalog_(catalog) {}

    bool init_dialog(DialogControls& controls) override;
    bool command(DialogControls& controls, int controlId, int notification) override;

private:
    void show_default_name(DialogControls& controls, int row);
    void accept(DialogControls& controls);
    bool row_exists(int row) const { return row >= 0 && row < catalog_.count && row < kCatalogCapacity; }

    MessageBoxes& boxes_;
    AquariumActions& aquarium_;
    const FishCatalog& catalog_;
};

}  // namespace brine
