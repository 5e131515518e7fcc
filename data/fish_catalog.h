// The catalog of fish kinds that can be kept: read from the "header.bin" member of every
// installed fish pack, with each pack's unlock ledger ("object\fish<N>.dat") holding back kinds
// for a number of hours counted from one shared tick-count reference.
// Must not depend on anything but the standard library, base/ and data/.
#pragma once
#include <cstdint>
#include <string>

#include "base/clock.h"
#include "base/message_box.h"

namespace brine {

constexpr int kCatalogCapacity = 256;
constexpr std::uint32_t kMillisecondsPerHour = 3600000;

struct CatalogEntry {
    std::int32_t packNumber = 0;  // N of "object\fish<N>.pak"
    std::string modelName;        // members "<model>.x" and "<model>.mrc" of the pack
    std::string kindName;         // shown to the user
    std::string defaultFishName;  // proposed for a new fish
};

// Only kinds that are available; a row's index is valid until the next build.
struct FishCatalog {
    std::int32_t count = 0;
    CatalogEntry rows[kCatalogCapacity];

    void clear();  // count 0, every row emptied
};

// Rebuilds the catalog from "object\fish*.pak" (relative to the current directory), in ascending
// pack number. Kinds whose hold-back hours have run out since unlockClock are written back to
// their ledger as available, announced with a message box, and reset unlockClock; so does a new
// ledger. Stops at 256 rows. False when no fish pack is installed. A ledger is rewritten whole
// (temporary, then replaced) only when a value changed; when that fails the old ledger stays,
// the catalog is built all the same and *ledgerWriteFailed (when given) becomes true.
bool build_catalog(FishCatalog& catalog, std::uint32_t& unlockClock, Clock& clock, MessageBoxes& boxes,
                   bool* ledgerWriteFailed = nullptr);

// The ledger beside a pack: the pack path with its last three characters replaced by "dat".
std::string ledger_path_for(const std::string& packPath);

}  // namespace brine
