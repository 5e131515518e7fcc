// In-memory files for the seam's tests: streams share the file's bytes, so a rename keeps them.
#include "tests/support/memory_file_system.h"

#include <algorithm>
#include <cstring>

namespace brine::test {

namespace {

std::string normal(const char* path) {
    std::string p = path ? path : "";
    std::replace(p.begin(), p.end(), '\\', '/');
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

std::string parent_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return "";
    return slash == 0 ? "/" : path.substr(0, slash);
}

class MemoryStream final : public FileStream {
public:
    MemoryStream(std::shared_ptr<MemoryFileSystem::Bytes> bytes, bool writable, bool failFinish)
        : bytes_(std::move(bytes)), writable_(writable), failFinish_(failFinish) {}

    bool read(void* buffer, std::size_t count, std::size_t* transferred) override {
        std::size_t n = 0;
        if (open_ && pos_ < bytes_->size()) n = std::min(count, bytes_->size() - static_cast<std::size_t>(pos_));
        if (n > 0) std::memcpy(buffer, bytes_->data() + pos_, n);
        pos_ += n;
        if (transferred) *transferred = n;
        return open_;
    }
    bool write(const void* buffer, std::size_t count) override {
        if (!open_ || !writable_) return false;
        if (bytes_->size() < pos_ + count) bytes_->resize(pos_ + count, 0);
        if (count > 0) std::memcpy(bytes_->data() + pos_, buffer, count);
        pos_ += count;
        wrote_ = true;
        return true;
    }
    bool seek(std::int64_t distance, SeekMethod method, std::uint64_t* position) override {
        const std::int64_t base = method == SeekMethod::kBegin ? 0
                                  : method == SeekMethod::kCurrent ? static_cast<std::int64_t>(pos_)
                                                                   : static_cast<std::int64_t>(bytes_->size());
        if (!open_ || base + distance < 0) return false;
        pos_ = static_cast<std::uint64_t>(base + distance);
        if (position) *position = pos_;
        return true;
    }
    bool size(std::uint64_t* bytes) override {
        *bytes = bytes_->size();
        return open_;
    }
    bool finish() override {
        const bool ok = open_ && !(wrote_ && failFinish_);
        open_ = false;
        return ok;
    }

private:
    std::shared_ptr<MemoryFileSystem::Bytes> bytes_;
    bool writable_, failFinish_;
    bool open_ = true, wrote_ = false;
    std::uint64_t pos_ = 0;
};

}  // namespace

void MemoryFileSystem::add_folder(const std::string& path) {
    const std::string p = normal(path.c_str());
    for (std::string f = p; !f.empty() && f != "/" && !folders_.count(f); f = parent_of(f)) folders_.insert(f);
}

void MemoryFileSystem::add_file(const std::string& path, const Bytes& bytes) {
    const std::string p = normal(path.c_str());
    add_folder(parent_of(p));
    files_[p] = std::make_shared<Bytes>(bytes);
}

bool MemoryFileSystem::has_file(const std::string& path) const { return files_.count(normal(path.c_str())) > 0; }

MemoryFileSystem::Bytes MemoryFileSystem::bytes_of(const std::string& path) const {
    auto it = files_.find(normal(path.c_str()));
    return it == files_.end() ? Bytes() : *it->second;
}

std::vector<std::string> MemoryFileSystem::file_paths() const {
    std::vector<std::string> paths;
    for (const auto& [path, bytes] : files_) paths.push_back(path);
    return paths;
}

bool MemoryFileSystem::read_only(const std::string& path) const {
    if (readOnlyFolder.empty()) return false;
    const std::string root = normal(readOnlyFolder.c_str());
    return path == root || path.rfind(root + "/", 0) == 0;
}

bool MemoryFileSystem::folder_exists(const std::string& path) const {
    return path.empty() || path == "/" || folders_.count(path) > 0;
}

std::unique_ptr<FileStream> MemoryFileSystem::open(const char* path, OpenMode mode, FileError* error) {
    const std::string p = normal(path);
    opened.push_back(p);
    FileError why = FileError::kNone;
    std::unique_ptr<FileStream> stream;
    auto it = files_.find(p);
    if (p.empty() || refusedPaths.count(p) || folders_.count(p)) {
        why = FileError::kRefused;
    } else if (mode == OpenMode::kCreateNew) {
        if (!folder_exists(parent_of(p))) why = FileError::kMissing;
        else if (it != files_.end() || read_only(p)) why = FileError::kRefused;
        else stream = std::make_unique<MemoryStream>(files_[p] = std::make_shared<Bytes>(), true, failFinish);
    } else if (it == files_.end()) {
        why = FileError::kMissing;
    } else if (mode == OpenMode::kReadWrite && read_only(p)) {
        why = FileError::kRefused;
    } else {
        stream = std::make_unique<MemoryStream>(it->second, mode == OpenMode::kReadWrite, failFinish);
    }
    if (error) *error = why;
    return stream;
}

bool MemoryFileSystem::replace(const char* from, const char* to) {
    const std::string f = normal(from), t = normal(to);
    auto it = files_.find(f);
    if (it == files_.end() || read_only(f) || read_only(t) || folders_.count(t) || !folder_exists(parent_of(t)))
        return false;
    auto bytes = it->second;
    files_.erase(it);
    files_[t] = bytes;
    return true;
}

bool MemoryFileSystem::move_to_new(const char* from, const char* to) {
    const std::string t = normal(to);
    if (files_.count(t) || folders_.count(t)) return false;
    return replace(from, to);
}

bool MemoryFileSystem::remove(const char* path) {
    const std::string p = normal(path);
    if (!files_.count(p)) return !folders_.count(p);
    if (read_only(p)) return false;
    files_.erase(p);
    return true;
}

FileError MemoryFileSystem::list_folder(const char* path, std::vector<FolderEntry>* entries) {
    entries->clear();
    const std::string p = normal(path);
    if (refusedPaths.count(p)) return FileError::kRefused;
    if (!folder_exists(p) || files_.count(p)) return FileError::kMissing;
    const std::string prefix = p.empty() ? "" : p == "/" ? "/" : p + "/";
    for (const auto& [file, bytes] : files_)
        if (parent_of(file) == p) entries->push_back({file.substr(prefix.size()), true});
    for (const std::string& folder : folders_)
        if (parent_of(folder) == p) entries->push_back({folder.substr(prefix.size()), false});
    return FileError::kNone;
}

bool MemoryFileSystem::make_folder(const char* path) {
    const std::string p = normal(path);
    if (folders_.count(p)) return true;
    if (files_.count(p) || read_only(p) || !folder_exists(parent_of(p))) return false;
    folders_.insert(p);
    return true;
}

}  // namespace brine::test
