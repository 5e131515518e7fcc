// POSIX files for the seam: plain descriptors (no stdio buffering to flush behind our back),
// fsync before a finished file may replace another, and a synced folder after the rename.
#include "platform/posix/posix_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace brine {

namespace {

FileError error_from_errno(int code) {
    return code == ENOENT || code == ENOTDIR ? FileError::kMissing : FileError::kRefused;
}

class PosixFileStream final : public FileStream {
public:
    PosixFileStream(int fd, bool writable) : fd_(fd), writable_(writable) {}
    ~PosixFileStream() override {
        if (fd_ >= 0) ::close(fd_);
    }

    bool read(void* buffer, std::size_t count, std::size_t* transferred) override {
        std::size_t total = 0;
        bool ok = fd_ >= 0;
        while (ok && total < count) {
            const ssize_t got = ::read(fd_, static_cast<char*>(buffer) + total, count - total);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) ok = false;
            if (got <= 0) break;
            total += static_cast<std::size_t>(got);
        }
        if (transferred) *transferred = total;
        return ok;
    }

    bool write(const void* buffer, std::size_t count) override {
        if (fd_ < 0 || !writable_) return false;
        std::size_t total = 0;
        while (total < count) {
            const ssize_t put = ::write(fd_, static_cast<const char*>(buffer) + total, count - total);
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) {
                failed_ = true;
                return false;
            }
            total += static_cast<std::size_t>(put);
        }
        wrote_ = wrote_ || count > 0;
        return true;
    }

    bool seek(std::int64_t distance, SeekMethod method, std::uint64_t* position) override {
        if (fd_ < 0) return false;
        const int whence = method == SeekMethod::kBegin ? SEEK_SET : method == SeekMethod::kCurrent ? SEEK_CUR : SEEK_END;
        const off_t at = ::lseek(fd_, static_cast<off_t>(distance), whence);
        if (at < 0) return false;
        if (position) *position = static_cast<std::uint64_t>(at);
        return true;
    }

    bool size(std::uint64_t* bytes) override {
        struct stat st;
        if (fd_ < 0 || ::fstat(fd_, &st) != 0) return false;
        *bytes = static_cast<std::uint64_t>(st.st_size);
        return true;
    }

    bool finish() override {
        if (fd_ < 0) return false;
        bool ok = !failed_;
        if (wrote_ && ::fsync(fd_) != 0) ok = false;
        if (::close(fd_) != 0) ok = false;
        fd_ = -1;
        return ok;
    }

private:
    int fd_;
    bool writable_;
    bool wrote_ = false;
    bool failed_ = false;
};

// Best effort: a rename is durable only once its folder is written out too.
void sync_folder_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::string posix_path(const char* path) {
    std::string out = path ? path : "";
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

std::unique_ptr<FileStream> PosixFileSystem::open(const char* path, OpenMode mode, FileError* error) {
    FileError why = FileError::kRefused;
    std::unique_ptr<FileStream> stream;
    if (path && *path) {
        int flags = O_CLOEXEC | O_NOCTTY;
        switch (mode) {
        case OpenMode::kRead: flags |= O_RDONLY | O_NONBLOCK; break;  // a FIFO must not block the open
        case OpenMode::kReadWrite: flags |= O_RDWR | O_NONBLOCK; break;
        case OpenMode::kCreateNew: flags |= O_WRONLY | O_CREAT | O_EXCL; break;
        }
        const int fd = ::open(posix_path(path).c_str(), flags, 0666);
        struct stat st;
        if (fd < 0) {
            why = error_from_errno(errno);
        } else if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);  // folders, devices and pipes are no data files
        } else {
            if (flags & O_NONBLOCK) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            stream = std::make_unique<PosixFileStream>(fd, mode != OpenMode::kRead);
        }
    }
    if (error) *error = stream ? FileError::kNone : why;
    return stream;
}

bool PosixFileSystem::replace(const char* from, const char* to) {
    if (!from || !to) return false;
    const std::string target = posix_path(to);
    if (::rename(posix_path(from).c_str(), target.c_str()) != 0) return false;
    sync_folder_of(target);
    return true;
}

bool PosixFileSystem::move_to_new(const char* from, const char* to) {
    if (!from || !to) return false;
    const std::string source = posix_path(from), target = posix_path(to);
    // link() refuses an existing name in the same step that makes the new one.
    if (::link(source.c_str(), target.c_str()) == 0) {
        ::unlink(source.c_str());
        sync_folder_of(target);
        return true;
    }
    if (errno == EEXIST) return false;
    // File systems without hard links (FAT, some network mounts): look, then rename.
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0 || errno != ENOENT) return false;
    if (::rename(source.c_str(), target.c_str()) != 0) return false;
    sync_folder_of(target);
    return true;
}

bool PosixFileSystem::remove(const char* path) {
    if (!path) return false;
    return ::unlink(posix_path(path).c_str()) == 0 || errno == ENOENT;
}

FileError PosixFileSystem::list_folder(const char* path, std::vector<FolderEntry>* entries) {
    entries->clear();
    if (!path) return FileError::kRefused;
    const std::string folder = posix_path(*path ? path : ".");
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return error_from_errno(errno);
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        struct stat st;
        const bool regular = ::fstatat(dirFd, entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
        entries->push_back({entry->d_name, regular});
    }
    ::closedir(dir);
    return FileError::kNone;
}

bool PosixFileSystem::make_folder(const char* path) {
    if (!path || !*path) return false;
    const std::string folder = posix_path(path);
    if (::mkdir(folder.c_str(), 0700) == 0) return true;  // private, as the XDG rules ask of data folders
    struct stat st;
    return errno == EEXIST && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace brine
