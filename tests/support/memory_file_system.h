// The file seam in memory: files and folders by path, with switches that make writing fail where
// the real disk would not (the tests run as root, whom no permission stops). Paths are kept with
// '/' as the separator, as the POSIX host spells them.
#pragma once
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "data/file_system.h"

namespace brine::test {

class MemoryFileSystem : public FileSystem {
public:
    using Bytes = std::vector<unsigned char>;

    // A file with its folders; a folder with the folders above it.
    void add_file(const std::string& path, const Bytes& bytes);
    void add_file(const std::string& path, const std::string& text) { add_file(path, Bytes(text.begin(), text.end())); }
    void add_folder(const std::string& path);
    bool has_file(const std::string& path) const;
    Bytes bytes_of(const std::string& path) const;  // empty when there is no such file
    // Every file path, sorted.
    std::vector<std::string> file_paths() const;

    std::unique_ptr<FileStream> open(const char* path, OpenMode mode, FileError* error) override;
    bool replace(const char* from, const char* to) override;
    bool move_to_new(const char* from, const char* to) override;
    bool remove(const char* path) override;
    FileError list_folder(const char* path, std::vector<FolderEntry>* entries) override;
    bool make_folder(const char* path) override;

    // Every change (create, write, replace, move, remove, make_folder) at or below this folder
    // fails, as on a read-only mount; "" switches it off.
    std::string readOnlyFolder;
    // Opening or listing these paths answers kRefused, as for a permission.
    std::set<std::string> refusedPaths;
    // Written streams answer false at finish(): the disk filled up.
    bool failFinish = false;
    // Paths the file system was asked to open, in order.
    std::vector<std::string> opened;

private:
    bool read_only(const std::string& path) const;
    bool folder_exists(const std::string& path) const;

    std::map<std::string, std::shared_ptr<Bytes>> files_;
    std::set<std::string> folders_;
};

}  // namespace brine::test
