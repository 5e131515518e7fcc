#include "data/fish_catalog.h"

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

void write_hours(PackFile& ledger, std::int32_t hours) {
    unsigned char raw[4];
    write_le32(raw, static_cast<std::uint32_t>(hours));
    ledger.write(raw, 4);
}

}  // namespace

void FishCatalog::clear() {
    count = 0;
    for (CatalogEntry& row : rows) row = CatalogEntry{};
}

std::string ledger_path_for(const std::string& packPath) {
    if (packPath.size() < 3) return "dat";
    return packPath.substr(0, packPath.size() - 3) + "dat";
}

bool build_catalog(FishCatalog& catalog, std::uint32_t& unlockClock, Clock& clock, MessageBoxes& boxes) {
    catalog.clear();
    std::vector<FishPackName> packs = list_fish_packs();
    if (packs.empty()) return false;

    for (const FishPackName& pack : packs) {
        std::string packPath = "object\\" + pack.fileName;
        ScriptText script;
        if (failed(script.load(packPath.c_str(), "header.bin"))) continue;

        std::int32_t kinds = 0;
        script.read_int(&kinds, '\r');

        std::string ledgerPath = ledger_path_for(packPath);
        PackFile ledger;
        bool newLedger = false;
        if (!ledger.open_existing(ledgerPath.c_str(), true)) {
            ledger.create_new(ledgerPath.c_str());
            newLedger = true;
        }

        for (std::int32_t k = 0; k < kinds; ++k) {
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
            // with the header's hours, appended, so no other kind's value moves.
            bool newKind = newLedger;
            if (!newLedger) {
                unsigned char raw[4];
                std::uint32_t got = 0;
                ledger.read(raw, 4, &got);
                if (got == 4) {
                    hours = static_cast<std::int32_t>(read_le32(raw));
                } else {
                    if (got > 0) ledger.seek(-static_cast<std::int32_t>(got), SeekMethod::kCurrent);
                    newKind = true;
                }
            }
            if (newKind) write_hours(ledger, hours);

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
                    ledger.seek(-4, SeekMethod::kCurrent);
                    write_hours(ledger, 0);
                    unlockClock = clock.tick_count();
                    std::string text = row.kindName + kUnlockedSuffix;
                    boxes.message_box(text.c_str(), kInformationCaption, kMbOk | kMbIconInformation, false);
                    ++catalog.count;
                }
            }
            if (catalog.count >= kCatalogCapacity) return true;
        }
    }
    return true;
}

}  // namespace brine
