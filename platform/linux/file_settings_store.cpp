// The settings file's reading and atomic replacement. Only file I/O here: what the bytes mean
// is settled by the portable parser, and anything it cannot use reads as an absent value.
#include "platform/linux/file_settings_store.h"

#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "shell/settings_file_format.h"

namespace brine {

namespace {

constexpr char kFolder[] = "Orvane";
constexpr char kFileName[] = "Brinelight Vespera.conf";

std::string parent_of(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// mkdir -p for the folders above the file.
bool make_folders(const std::string& dir) {
    struct stat st {};
    if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    const std::string up = parent_of(dir);
    if (up != dir && !make_folders(up)) return false;
    if (mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST) return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    return false;
}

bool write_all(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The whole file into a temporary beside it, synced, then renamed over it.
bool replace_file(const std::string& path, const std::string& text) {
    std::string temp = path + ".XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    const int fd = mkostemp(name.data(), O_CLOEXEC);  // created 0600
    if (fd < 0) return false;
    bool ok = write_all(fd, text.data(), text.size());
    ok = fsync(fd) == 0 && ok;
    ok = close(fd) == 0 && ok;
    if (ok) ok = rename(name.data(), path.c_str()) == 0;
    if (!ok) {
        unlink(name.data());
        return false;
    }
    // Make the rename itself durable; a failure here cannot undo it, so it is not reported.
    const int dirFd = open(parent_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return true;
}

enum class ReadResult { kRead, kMissing, kUnreadable };

// At most kMaxSettingsFileBytes + 1 bytes of a regular file; a FIFO or device never blocks.
ReadResult read_file(const std::string& path, std::string& text) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? ReadResult::kMissing : ReadResult::kUnreadable;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return ReadResult::kUnreadable;
    }
    text.assign(kMaxSettingsFileBytes + 1, '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = read(fd, &text[got], text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            return ReadResult::kUnreadable;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    close(fd);
    text.resize(got);  // one byte over the bound marks the file as damaged for the parser
    return ReadResult::kRead;
}

}  // namespace

std::string default_settings_file_path() {
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {  // relative values are to be ignored
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] != '/') {
            const passwd* pw = getpwuid(getuid());
            home = pw != nullptr ? pw->pw_dir : nullptr;
        }
        if (home == nullptr || home[0] != '/') return std::string();
        base = std::string(home) + "/.config";
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base + "/" + kFolder + "/" + kFileName;
}

FileSettingsStore::~FileSettingsStore() {
    if (open_) close_key();
}

HResult FileSettingsStore::open_key() {
    if (open_) return kOk;
    path_ = fixedPath_.empty() ? default_settings_file_path() : fixedPath_;
    if (path_.empty() || !make_folders(parent_of(path_))) return kSettingsAccessDenied;

    table_.clear();
    std::string text;
    switch (read_file(path_, text)) {
    case ReadResult::kRead:
        parse_settings_file(text.data(), text.size(), table_);
        break;
    case ReadResult::kMissing:
        if (!replace_file(path_, format_settings_file(table_))) return kSettingsAccessDenied;
        break;
    case ReadResult::kUnreadable:
        break;  // its values read as absent; a save writes a sound file in its place
    }
    open_ = true;
    dirty_ = false;
    return kOk;
}

HResult FileSettingsStore::query_value(const char* name, std::uint32_t* type, std::uint8_t* data,
                                       std::uint32_t* size) {
    if (!open_) return kSettingsNotOpen;
    return table_.query(name, type, data, size);
}

HResult FileSettingsStore::set_value(const char* name, std::uint32_t type, const std::uint8_t* data,
                                     std::uint32_t size) {
    if (!open_) return kSettingsNotOpen;
    const HResult r = table_.set(name, type, data, size);
    if (succeeded(r)) dirty_ = true;
    return r;
}

HResult FileSettingsStore::close_key() {
    if (!open_) return kSettingsNotOpen;
    const bool ok = !dirty_ || replace_file(path_, format_settings_file(table_));
    open_ = false;
    dirty_ = false;
    table_.clear();
    return ok ? kOk : kFail;
}

}  // namespace brine
