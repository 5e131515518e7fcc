// The program's data files in two folders: the writable one (the user's data folder, or the
// program's own folder in a build tree) and the shipped one (share/brinelight of an installed
// layout, read-only). A relative program name ("object\fish1.pak") is read from the writable
// folder first and from the shipped one only where the writable folder has no such file;
// everything written goes to the writable folder, which gets the subfolders it needs on first
// use. Absolute paths (files the user chose) reach the host unchanged. Portable: the host's
// FileSystem does the rest. Must not depend on anything but the standard library and data/.
#pragma once
#include <string>

#include "data/file_system.h"

namespace brine {

// True for "/x", "\x" and "C:..." (a Windows drive); the program's own names are all relative.
bool is_absolute_path(const char* path);

class LayeredFileSystem final : public FileSystem {
public:
    // writableFolder "" is the current directory; shippedFolder "" means there is none. The
    // writable folder itself must exist; its subfolders are made when a file is created in them.
    LayeredFileSystem(FileSystem& host, std::string writableFolder, std::string shippedFolder = std::string());

    // kRead: the writable folder's file, else (only when that one is missing) the shipped one's.
    // kReadWrite and kCreateNew: the writable folder's only; a file that exists only in the shipped
    // folder cannot be opened for writing, and creating it makes a writable copy's place.
    std::unique_ptr<FileStream> open(const char* path, OpenMode mode, FileError* error) override;
    // Within the writable folder.
    bool replace(const char* from, const char* to) override;
    bool move_to_new(const char* from, const char* to) override;
    bool remove(const char* path) override;
    // Both folders' entries, each name once (the writable folder's entry wins). kMissing only when
    // neither folder has it; kRefused when either could not be read (with what the other gave).
    FileError list_folder(const char* path, std::vector<FolderEntry>* entries) override;
    bool make_folder(const char* path) override;

    // Where a name lies in each folder; absolute paths stay as they are, and shipped_path of an
    // absolute path, or without a shipped folder, is "".
    std::string writable_path(const char* path) const;
    std::string shipped_path(const char* path) const;
    const std::string& writable_folder() const { return writable_; }
    const std::string& shipped_folder() const { return shipped_; }

private:
    // The folders on the way to a relative name, made in the writable folder.
    bool make_parent_folders(const char* path);

    FileSystem& host_;
    std::string writable_;
    std::string shipped_;
};

}  // namespace brine
