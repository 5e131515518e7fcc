// Two-folder lookup of the program's data files over the host's file system.
#include "data/layered_file_system.h"

#include <algorithm>
#include <utility>

namespace brine {

namespace {

bool is_separator(char c) { return c == '/' || c == '\\'; }

std::string joined(const std::string& folder, const char* name) {
    if (folder.empty()) return name;
    std::string out = folder;
    if (!is_separator(out.back())) out += '/';
    return out + name;
}

}  // namespace

bool is_absolute_path(const char* path) {
    if (!path || !*path) return false;
    if (is_separator(path[0])) return true;
    const char c = path[0];
    return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && path[1] == ':';
}

LayeredFileSystem::LayeredFileSystem(FileSystem& host, std::string writableFolder, std::string shippedFolder)
    : host_(host), writable_(std::move(writableFolder)), shipped_(std::move(shippedFolder)) {}

std::string LayeredFileSystem::writable_path(const char* path) const {
    if (!path) return std::string();
    return is_absolute_path(path) ? std::string(path) : joined(writable_, path);
}

std::string LayeredFileSystem::shipped_path(const char* path) const {
    if (!path || shipped_.empty() || is_absolute_path(path)) return std::string();
    return joined(shipped_, path);
}

std::unique_ptr<FileStream> LayeredFileSystem::open(const char* path, OpenMode mode, FileError* error) {
    FileError why = FileError::kRefused;
    std::unique_ptr<FileStream> stream;
    if (path && *path) {
        stream = host_.open(writable_path(path).c_str(), mode, &why);
        if (!stream && why == FileError::kMissing) {
            const std::string shipped = shipped_path(path);
            if (mode == OpenMode::kRead && !shipped.empty()) {
                stream = host_.open(shipped.c_str(), mode, &why);
            } else if (mode == OpenMode::kCreateNew && !is_absolute_path(path) && make_parent_folders(path)) {
                stream = host_.open(writable_path(path).c_str(), mode, &why);
            }
        }
    }
    if (error) *error = stream ? FileError::kNone : why;
    return stream;
}

bool LayeredFileSystem::make_parent_folders(const char* path) {
    const std::string name(path);
    const std::size_t cut = name.find_last_of("/\\");
    return cut == std::string::npos || make_folders(host_, writable_path(name.substr(0, cut).c_str()));
}

bool LayeredFileSystem::replace(const char* from, const char* to) {
    if (!from || !to) return false;
    return host_.replace(writable_path(from).c_str(), writable_path(to).c_str());
}

bool LayeredFileSystem::move_to_new(const char* from, const char* to) {
    if (!from || !to) return false;
    return host_.move_to_new(writable_path(from).c_str(), writable_path(to).c_str());
}

bool LayeredFileSystem::remove(const char* path) {
    return path && host_.remove(writable_path(path).c_str());
}

FileError LayeredFileSystem::list_folder(const char* path, std::vector<FolderEntry>* entries) {
    entries->clear();
    if (!path) return FileError::kRefused;
    FileError result = host_.list_folder(writable_path(path).c_str(), entries);
    const std::string shipped = shipped_path(path);
    if (shipped.empty()) return result;

    std::vector<FolderEntry> more;
    const FileError shippedResult = host_.list_folder(shipped.c_str(), &more);
    for (FolderEntry& entry : more) {
        const bool known = std::any_of(entries->begin(), entries->end(),
                                       [&](const FolderEntry& e) { return e.name == entry.name; });
        if (!known) entries->push_back(std::move(entry));
    }
    if (result == FileError::kRefused || shippedResult == FileError::kRefused) return FileError::kRefused;
    return result == FileError::kNone || shippedResult == FileError::kNone ? FileError::kNone : FileError::kMissing;
}

bool LayeredFileSystem::make_folder(const char* path) {
    return path && host_.make_folder(writable_path(path).c_str());
}

}  // namespace brine
