#include "shell/extension_install.h"

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "data/file_commit.h"
#include "data/file_path.h"
#include "data/pack_file.h"
#include "shell/shell_texts.h"
#include "shell/shell_util.h"

namespace brine {

const char* const kExtensionFilters[2] = {
    "\xB1\xAF\xCC\xDF\xC3\xDE\xB0\xC4\xCC\xA7\xB2\xD9(*.exd)", "*.exd",  // ｱｯﾌﾟﾃﾞｰﾄﾌｧｲﾙ(*.exd)
};
const char kExtensionDialogTitle[] = "\x8Ag\x92\xA3\xCC\xA7\xB2\xD9\x82\xF0\x91I\x91\xF0";  // 拡張ﾌｧｲﾙを選択

namespace {

constexpr int kLastPackNumber = 999999999;  // the catalog reads at most nine digits

std::string pack_path(int number) { return "object\\fish" + std::to_string(number) + ".pak"; }

// Only the first 16 bytes (the pack header) are looked at, and of them the magic.
enum class Check { kUnreadable, kNotAPack, kPack };
Check check_extension(const char* path) {
    PackFile file;
    if (!file.open_existing(path, false)) return Check::kUnreadable;
    unsigned char header[16] = {};
    std::uint32_t got = 0;
    const bool read = file.read(header, sizeof header, &got);
    file.close();
    if (!read) return Check::kUnreadable;
    return got >= 3 && std::memcmp(header, "MRP", 3) == 0 ? Check::kPack : Check::kNotAPack;
}

}  // namespace

int count_fish_packs() { return static_cast<int>(list_files("object\\fish*.pak").size()); }

int next_free_pack_number() {
    // Every name counts as taken, files or not, shipped or the user's own: the copy goes beside them.
    std::vector<std::string> names;
    if (!list_names("object", &names)) return -1;  // the folder cannot be looked into: no copy either
    const std::set<std::string> taken(names.begin(), names.end());
    for (long long n = static_cast<long long>(count_fish_packs()) + 1; n <= kLastPackNumber; ++n) {
        if (!taken.count("fish" + std::to_string(n) + ".pak")) return static_cast<int>(n);
    }
    return -1;
}

int ExtensionInstaller::install_extension(Ui& ui, FishCatalog& catalog, std::uint32_t& unlockClock, Clock& clock,
                                          SaveFailureNotice& saveFailure) {
    CurrentDirectoryKeeper directory;  // the data files are opened relative to it

    OpenFileRequest request;
    request.filters = kExtensionFilters;
    request.filterPairs = 1;
    request.title = kExtensionDialogTitle;
    request.defaultExtension = kExtensionDefaultExtension;
    request.flags = kOfnFileMustExist | kOfnHideReadOnly;
    request.path = chosenPath_;
    request.pathSize = sizeof chosenPath_;
    const bool chosen = ui.choose_open_file(request);
    directory.restore();  // a relative pack path below must mean the program's directory
    if (!chosen) return 1;

    const auto warn = [&ui](const char* text) { ui.message_box(text, kCaptionWarning, kMbIconWarning, false); };
    switch (check_extension(chosenPath_)) {
    case Check::kUnreadable: warn(kMsgExtensionReadFailed); return 1;
    case Check::kNotAPack: warn(kMsgExtensionInvalid); return 1;
    case Check::kPack: break;
    }

    // Copied under a temporary name and renamed into place only when whole, never over a pack
    // that appeared meanwhile: a failed copy leaves no damaged pack for the catalog to read.
    const int number = next_free_pack_number();
    if (number < 0 || failed(copy_to_new_file(chosenPath_, pack_path(number).c_str()))) {
        warn(kMsgExtensionCopyFailed);
        return 1;
    }

    bool ledgerWriteFailed = false;
    if (!build_catalog(catalog, unlockClock, clock, ui, &ledgerWriteFailed))
        warn(kMsgCatalogRebuildFailed);
    else
        ui.message_box(kMsgExtensionAdded, kCaptionInformation, kMbIconInformation, false);
    if (ledgerWriteFailed) saveFailure.report();
    return 1;
}

}  // namespace brine
