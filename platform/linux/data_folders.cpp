// Choosing the writable and the shipped folder from the executable's place and the environment.
#include "platform/linux/data_folders.h"

#include <filesystem>
#include <vector>

namespace brine {

namespace {

std::string joined(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

}  // namespace

DataFolders choose_data_folders(const std::string& exeFolder, const std::string& shippedFromExe,
                                const char* xdgDataHome, const char* home, FileSystem& host) {
    DataFolders folders;
    folders.writable = exeFolder;
    if (shippedFromExe.empty()) return folders;
    const std::string share = std::filesystem::path(joined(exeFolder, shippedFromExe)).lexically_normal().string();
    std::vector<FolderEntry> entries;
    if (host.list_folder(share.c_str(), &entries) != FileError::kNone) return folders;

    folders.installed = true;
    folders.shipped = share;
    std::string dataHome;
    if (xdgDataHome && xdgDataHome[0] == '/') {
        dataHome = xdgDataHome;
    } else if (home && home[0] == '/') {
        dataHome = joined(home, ".local/share");
    } else {
        // No home at all: a folder that cannot be made, so every save warns. Never a shared one
        // such as /tmp, where another user could lay files for us, and never the prefix.
        dataHome = "/nonexistent/.local/share";
    }
    folders.writable = joined(dataHome, kUserDataFolder);
    return folders;
}

}  // namespace brine
