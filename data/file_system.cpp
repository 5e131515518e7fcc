// The process-wide file system and the refusing one that stands in while none is installed.
#include "data/file_system.h"

namespace brine {

namespace {

class RefusingFileSystem final : public FileSystem {
public:
    std::unique_ptr<FileStream> open(const char*, OpenMode, FileError* error) override {
        if (error) *error = FileError::kRefused;
        return nullptr;
    }
    bool replace(const char*, const char*) override { return false; }
    bool move_to_new(const char*, const char*) override { return false; }
    bool remove(const char*) override { return false; }
    FileError list_folder(const char*, std::vector<FolderEntry>* entries) override {
        entries->clear();
        return FileError::kRefused;
    }
    bool make_folder(const char*) override { return false; }
};

RefusingFileSystem refusing;
FileSystem* installed = nullptr;

}  // namespace

bool make_folders(FileSystem& files, const std::string& path) {
    for (std::size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/' && path[i] != '\\') continue;
        if (!files.make_folder(path.substr(0, i).c_str())) return false;
    }
    return !path.empty();
}

FileSystem& file_system() { return installed ? *installed : refusing; }

void set_file_system(FileSystem* files) { installed = files; }

FileSystemScope::FileSystemScope(FileSystem& files) : previous_(installed) { installed = &files; }

FileSystemScope::~FileSystemScope() { installed = previous_; }

}  // namespace brine
