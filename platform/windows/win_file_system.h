// The file seam on Win32: CreateFileW handles, MoveFileExW for the one-step replace (with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH; std::rename would refuse an existing
// target), FindFirstFileExW listings. Paths arrive as UTF-8 (what this port's open-file dialog
// hands out) and reach Windows as UTF-16, so names in any script work on any locale.
#pragma once
#include <string>

#include "data/file_system.h"

namespace brine {

// The UTF-16 form of a seam path; '/' and '\' both separate folders, as Win32 takes them.
std::wstring win_path(const char* path);

class WinFileSystem final : public FileSystem {
public:
    std::unique_ptr<FileStream> open(const char* path, OpenMode mode, FileError* error) override;
    bool replace(const char* from, const char* to) override;
    bool move_to_new(const char* from, const char* to) override;
    bool remove(const char* path) override;
    FileError list_folder(const char* path, std::vector<FolderEntry>* entries) override;
    // CreateDirectoryW with the default security: the folder inherits its parent's access rules
    // (a user's profile is that user's), where POSIX asks for mode 0700.
    bool make_folder(const char* path) override;
};

}  // namespace brine
