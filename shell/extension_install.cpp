#include "shell/extension_install.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "data/file_path.h"
#include "data/pack_file.h"
#include "shell/shell_texts.h"
#include "shell/shell_util.h"

namespace fs = std::filesystem;

namespace brine {

const char* const kExtensionFilters[2] = {
    "\xB1\xAF\xCC\xDF\xC3\xDE\xB0\xC4\xCC\xA7\xB2\xD9(*.exd)", "*.exd",  // ｱｯﾌﾟﾃﾞｰﾄﾌｧｲﾙ(*.exd)
};
const char kExtensionDialogTitle[] = "\x8Ag\x92\xA3\xCC\xA7\xB2\xD9\x82\xF0\x91I\x91\xF0";  // 拡張ﾌｧｲﾙを選択

namespace {

constexpr int kLastPackNumber = 999999999;  // the catalog reads at most nine digits

std::string pack_path(int number) { return "object\\fish" + std::to_string(number) + ".pak"; }

enum class Presence { kFree, kTaken, kUnknown };
Presence presence(const std::string& programPath) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(fs::path(native_path(programPath.c_str())), ec);
    if (status.type() == fs::file_type::not_found) return Presence::kFree;
    return ec ? Presence::kUnknown : Presence::kTaken;
}

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

// Copies into a temporary name first and renames it into place, so a copy that fails half-way
// (a full disk) leaves no damaged pack for the catalog to read.
bool copy_into_place(const char* source, const std::string& targetProgramPath) {
    const fs::path target(native_path(targetProgramPath.c_str()));
    fs::path partial = target;
    partial += ".part";
    std::error_code ec;
    fs::remove(partial, ec);
    if (!fs::copy_file(fs::path(native_path(source)), partial, fs::copy_options::overwrite_existing, ec) || ec) {
        fs::remove(partial, ec);
        return false;
    }
    if (fs::exists(target, ec)) {  // taken meanwhile: never replace an installed pack
        fs::remove(partial, ec);
        return false;
    }
    fs::rename(partial, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(partial, ignored);
        return false;
    }
    return true;
}

}  // namespace

int count_fish_packs() { return static_cast<int>(list_files("object\\fish*.pak").size()); }

int next_free_pack_number() {
    for (long long n = static_cast<long long>(count_fish_packs()) + 1; n <= kLastPackNumber; ++n) {
        switch (presence(pack_path(static_cast<int>(n)))) {
        case Presence::kFree: return static_cast<int>(n);
        case Presence::kTaken: break;
        case Presence::kUnknown: return -1;  // the directory cannot be looked into: no copy either
        }
    }
    return -1;
}

int ExtensionInstaller::install_extension(Ui& ui, FishCatalog& catalog, std::uint32_t& unlockClock, Clock& clock) {
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

    const int number = next_free_pack_number();
    if (number < 0 || !copy_into_place(chosenPath_, pack_path(number))) {
        warn(kMsgExtensionCopyFailed);
        return 1;
    }

    if (!build_catalog(catalog, unlockClock, clock, ui))
        warn(kMsgCatalogRebuildFailed);
    else
        ui.message_box(kMsgExtensionAdded, kCaptionInformation, kMbIconInformation, false);
    return 1;
}

}  // namespace brine
