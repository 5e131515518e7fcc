#include "data/fish_catalog.h"

#include <utility>
#include <vector>

#include "data/file_commit.h"
#include "data/file_path.h"
#include "data/pack_file.h"
#include "data/script_text.h"

namespace brine {

namespace {

// "%sが飼育可能になりました" (%s can now be kept), caption "情報" (information).
const char kUnlockedSuffix[] = "\x82\xAA\x8E\x94\x88\xE7\x89\xC2\x94\x5C\x82\xC9\x82\xC8\x82\xE8\x82\xDC\x82\xB5\x82\xBD";
const char kInformationCaption[] = "\x8F\xEE\x95\xF1";

// The hours field as read_int would take it, but also when the file ends without a line break
// (a last line without CR LF must not release a held-back kind).
std::int32_t hours_from_field(const std::string& text) {
    if (text.empty()) return 0;
    unsigned char first = static_cast<unsigned char>(text[0]);
    if (first != '-' && (first < '0' || first > '9')) return 0;
    return atol_value(text.c_str());
}

// A pack's unlock ledger, held in memory for one build and written back whole, and only when a
// value changed: in place it could be left half written, and in a shared installation the old one
// may be readable while its folder is not writable.
class Ledger {
public:
    explicit Ledger(std::string path) : path_(std::move(path)) {
        MemoryBlock old;
        existed_ = succeeded(load_into_memory(path_.c_str(), nullptr, &old));
        if (existed_) bytes_.assign(old.data(), old.data() + old.size());
    }
    bool is_new() const { return !existed_; }
    // The value of kind k, when the ledger holds all four of its bytes.
    bool value(std::int32_t k, std::int32_t* hours) const {
        const std::size_t at = static_cast<std::size_t>(k) * 4;
        if (bytes_.size() < at + 4) return false;
        *hours = static_cast<std::int32_t>(read_le32(bytes_.data() + at));
        return true;
    }
    // Sets kind k; a kind past the end is appended where its value belongs (a torn last value is
    // overwritten), so no other kind's value moves.
    void set(std::int32_t k, std::int32_t hours) {
        const std::size_t at = static_cast<std::size_t>(k) * 4;
        if (bytes_.size() < at + 4) bytes_.resize(at + 4, 0);
        write_le32(bytes_.data() + at, static_cast<std::uint32_t>(hours));
        changed_ = true;
    }
    // False when a changed ledger could not be written (the old one then stays as it was).
    bool save() const {
        if (!changed_) return true;
        return succeeded(replace_file_contents(path_.c_str(), bytes_.data(), bytes_.size()));
    }

private:
    std::string path_;
    std::vector<unsigned char> bytes_;
    bool existed_ = false;
    bool changed_ = false;
};

}  // namespace

void FishCatalog::clear() {
    count = 0;
    for (CatalogEntry& row : rows) row = CatalogEntry{};
}

std::string ledger_path_for(const std::string& packPath) {
    if (packPath.size() < 3) return "dat";
    return packPath.substr(0, packPath.size() - 3) + "dat";
}

bool build_catalog(FishCatalog& catalog, std::uint32_t& unlockClock, Clock& clock, MessageBoxes& boxes,
                   bool* ledgerWriteFailed) {
    catalog.clear();
    if (ledgerWriteFailed) *ledgerWriteFailed = false;
    std::vector<FishPackName> packs = list_fish_packs();
    if (packs.empty()) return false;

    for (const FishPackName& pack : packs) {
        std::string packPath = "object\\" + pack.fileName;
        ScriptText script;
        if (failed(script.load(packPath.c_str(), "header.bin"))) continue;

        std::int32_t kinds = 0;
        script.read_int(&kinds, '\r');

        Ledger ledger(ledger_path_for(packPath));
        bool full = false;
        for (std::int32_t k = 0; k < kinds && !full; ++k) {
            // A count beyond the rows present must not grow the ledger or fill the table with
            // empty kinds: no text left, no further kind. (Every field skips blanks first anyway.)
            if (!script.skip_blanks() || script.at_end()) break;
            CatalogEntry& row = catalog.rows[catalog.count];
            row.packNumber = pack.number;
            script.read_field(',', &row.modelName);
            script.read_field(',', &row.kindName);
            script.read_field(',', &row.defaultFishName);
            std::string hoursText;
            script.read_field('\r', &hoursText);
            std::int32_t hours = hours_from_field(hoursText);

            // A kind the ledger has no value for (a new ledger, or a pack that gained kinds) starts
            // with the header's hours.
            const bool newKind = !ledger.value(k, &hours);
            if (newKind) ledger.set(k, hours);

            if (hours == 0) {
                ++catalog.count;
            } else if (newKind) {
                unlockClock = clock.tick_count();
                row = CatalogEntry{};
            } else {
                std::int32_t elapsedMs = static_cast<std::int32_t>(clock.tick_count() - unlockClock);
                std::int32_t elapsedHours = elapsedMs / static_cast<std::int32_t>(kMillisecondsPerHour);
                if (elapsedHours < hours) {
                    row = CatalogEntry{};
                } else {
                    ledger.set(k, 0);
                    unlockClock = clock.tick_count();
                    std::string text = row.kindName + kUnlockedSuffix;
                    boxes.message_box(text.c_str(), kInformationCaption, kMbOk | kMbIconInformation, false);
                    ++catalog.count;
                }
            }
            full = catalog.count >= kCatalogCapacity;
        }
        if (!ledger.save() && ledgerWriteFailed) *ledgerWriteFailed = true;
        if (full) return true;
    }
    return true;
}

}  // namespace brine
