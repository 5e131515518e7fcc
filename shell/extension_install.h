// Installing an extension file (*.exd, a fish pack) chosen by the user: checked for the pack
// magic, copied into "object" under the next free "fish<N>.pak" and the catalog read again.
// Must not depend on anything but base/, data/ and shell/.
#pragma once
#include <cstdint>

#include "base/clock.h"
#include "data/fish_catalog.h"
#include "shell/save_failure_notice.h"
#include "shell/ui.h"

namespace brine {

extern const char* const kExtensionFilters[2];
extern const char kExtensionDialogTitle[];  // 拡張ﾌｧｲﾙを選択
constexpr char kExtensionDefaultExtension[] = "exd";

// count_fish_packs: files matching "object\fish*.pak", shipped and the user's own.
int count_fish_packs();
// The pack number a new pack gets: the count plus one, moved on past any number already taken
// (the installed numbering may have gaps), so no installed pack is ever replaced. -1 when none
// is left below the catalog's limit of nine digits.
int next_free_pack_number();

class ExtensionInstaller {
public:
    // install_extension: one open-file dialog, then exactly one message for a chosen file (and
    // the save-failure notice when the new pack's ledger could not be written). Always answers 1.
    // The current directory is the same afterwards.
    int install_extension(Ui& ui, FishCatalog& catalog, std::uint32_t& unlockClock, Clock& clock,
                          SaveFailureNotice& saveFailure);

    // The last chosen file (host file-name bytes); the next dialog starts from it.
    const char* chosen_path() const { return chosenPath_; }

private:
    char chosenPath_[kPathBytes] = {};
};

}  // namespace brine
