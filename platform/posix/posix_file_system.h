// The file seam (data/file_system.h) on POSIX: file descriptors, rename and link, opendir. Shared
// by the Linux program, its tools, tests and fuzzers, none of which needs more of the platform.
// Must not depend on anything but POSIX, the standard library and data/file_system.h.
#pragma once
#include <string>

#include "data/file_system.h"

namespace brine {

// The host spelling of a path: every '\' becomes '/'. Host names are bytes (UTF-8 in practice),
// where 0x5C is always a backslash and never the trail byte of a double-byte character, so the
// mapping is safe byte by byte; the price is that a file whose name holds a real backslash cannot
// be reached, which no file of the program's has.
std::string posix_path(const char* path);

class PosixFileSystem final : public FileSystem {
public:
    std::unique_ptr<FileStream> open(const char* path, OpenMode mode, FileError* error) override;
    bool replace(const char* from, const char* to) override;
    bool move_to_new(const char* from, const char* to) override;
    bool remove(const char* path) override;
    FileError list_folder(const char* path, std::vector<FolderEntry>* entries) override;
    bool make_folder(const char* path) override;
};

}  // namespace brine
