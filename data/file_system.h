// The program's one seam to the host's files: FileStream (one open file) and FileSystem (open,
// replace, move, remove, list, make a folder). Each platform implements both once (POSIX in
// platform/posix; a Windows port with CreateFileW, MoveFileExW and wide paths); every read and
// write of the core goes through the process-wide instance installed with set_file_system.
// Must not depend on anything but the standard library.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace brine {

// Paths, for every operation below: zero-terminated bytes in the host's narrow file-name
// encoding (POSIX: the bytes as they are; Windows: what the port's open-file dialog hands out,
// widened by the port). Either '\' or '/' separates folders; a host that knows only '/' maps '\'
// to it, so the program's own spelling "object\fish1.pak" reaches the right file. A relative path
// is taken from the current directory. No operation throws; failures are answers.

enum class SeekMethod { kBegin = 0, kCurrent = 1, kEnd = 2 };

// Why an open or a listing failed: kMissing only when the path, or a folder on it, does not
// exist (POSIX ENOENT/ENOTDIR; Windows ERROR_FILE_NOT_FOUND/ERROR_PATH_NOT_FOUND), so that a
// caller may look elsewhere. Every other failure, a permission included, is kRefused.
enum class FileError { kNone, kMissing, kRefused };

// One open file. Made only by FileSystem::open; used by one thread; the position is the
// stream's own. Destroying a stream closes it. Implementations must not buffer writes beyond
// finish(), and a stream opened for reading only refuses write().
class FileStream {
public:
    virtual ~FileStream() = default;
    // Up to count bytes from the current position into buffer, moving the position on. Fewer
    // (down to 0) only where the file ends. False on an I/O error; *transferred holds what did
    // arrive either way.
    virtual bool read(void* buffer, std::size_t count, std::size_t* transferred) = 0;
    // All count bytes at the current position, or false (a full disk, a read-only stream).
    virtual bool write(const void* buffer, std::size_t count) = 0;
    // Moves the position like lseek/SetFilePointerEx; a position past the end is allowed, a
    // negative one is refused (false, position unchanged). *position gets the new position.
    virtual bool seek(std::int64_t distance, SeekMethod method, std::uint64_t* position) = 0;
    // The file's size in bytes now.
    virtual bool size(std::uint64_t* bytes) = 0;
    // Closes the stream. For a stream that wrote: true only when every byte written is on the
    // disk (fsync / FlushFileBuffers) and the close succeeded, so a caller may then put the file
    // in place of another. Later calls answer false and do nothing.
    virtual bool finish() = 0;
};

enum class OpenMode {
    kRead,       // an existing regular file, read-only, shared with readers and writers
    kReadWrite,  // an existing regular file, read and write, position 0
    kCreateNew,  // a new empty file, write-only; fails (kRefused) when the path exists
};

struct FolderEntry {
    std::string name;  // no folder part; "." and ".." are never listed
    bool regularFile;  // false for folders and anything else that is no plain file
};

// The host's files. Called on the program's one thread: by PackFile (open), by the writers that
// put a finished temporary in place of a file (replace, move_to_new, remove), by the catalog and
// the extension install (list_folder) and when a written file needs its folder (make_folder).
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Opens path as mode says. A folder, a device or a pipe is no file: null with kRefused.
    // null on failure, with the reason in *error when error is not null.
    virtual std::unique_ptr<FileStream> open(const char* path, OpenMode mode, FileError* error) = 0;
    // Puts the file `from` in place of `to` in one step: a reader sees the old or the new `to`,
    // never a mix nor none (POSIX rename, then the folder synced; Windows MoveFileExW with
    // MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH). Both lie in the same folder. On
    // failure both files stay as they were.
    virtual bool replace(const char* from, const char* to) = 0;
    // Renames `from` to `to` only when nothing is called `to` yet, checked and done in one step
    // (POSIX link then unlink, or renameat2 RENAME_NOREPLACE; Windows MoveFileExW without
    // MOVEFILE_REPLACE_EXISTING). False, nothing changed, when `to` exists.
    virtual bool move_to_new(const char* from, const char* to) = 0;
    // Deletes a file (never a folder). True when no file of that name is left, also when none was.
    virtual bool remove(const char* path) = 0;
    // The entries of a folder in no particular order. A missing folder answers kMissing with no
    // entries; a folder that cannot be read answers kRefused.
    virtual FileError list_folder(const char* path, std::vector<FolderEntry>* entries) = 0;
    // Makes one folder (its parent must exist), readable by its owner only. True when a folder of
    // that name exists afterwards, also when it was there before.
    virtual bool make_folder(const char* path) = 0;
};

// The process-wide file system: the one the platform's start-up installed, or, while none is,
// one that refuses every operation (so a program that forgot the seam fails loudly, never writes
// somewhere by chance). set_file_system(nullptr) removes the installed one; tests swap their own
// in and out. The installed object must outlive its installation.
FileSystem& file_system();
void set_file_system(FileSystem* files);

// Makes path and every missing folder above it ('\' or '/' between them); true when it exists as a
// folder afterwards.
bool make_folders(FileSystem& files, const std::string& path);

// Installs a file system for a scope and puts the previous one back afterwards.
class FileSystemScope {
public:
    explicit FileSystemScope(FileSystem& files);
    ~FileSystemScope();
    FileSystemScope(const FileSystemScope&) = delete;
    FileSystemScope& operator=(const FileSystemScope&) = delete;

private:
    FileSystem* previous_;
};

}  // namespace brine
