#include "data/pack_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace brine {

// ---- MemoryBlock ----

MemoryBlock::MemoryBlock(MemoryBlock&& other) noexcept : data_(other.data_), size_(other.size_) {
    other.data_ = nullptr;
    other.size_ = 0;
}

MemoryBlock& MemoryBlock::operator=(MemoryBlock&& other) noexcept {
    if (this != &other) {
        reset();
        data_ = other.data_;
        size_ = other.size_;
        other.data_ = nullptr;
        other.size_ = 0;
    }
    return *this;
}

MemoryBlock MemoryBlock::allocate(std::uint32_t size) {
    MemoryBlock block;
    block.data_ = static_cast<unsigned char*>(std::calloc(static_cast<std::size_t>(size) + 1, 1));
    if (block.data_) block.size_ = size;
    return block;
}

MemoryBlock MemoryBlock::copy_of(const void* bytes, std::uint32_t size) {
    MemoryBlock block = allocate(size);
    if (block.valid() && size > 0) std::memcpy(block.data_, bytes, size);
    return block;
}

unsigned char* MemoryBlock::release_buffer() {
    unsigned char* p = data_;
    data_ = nullptr;
    size_ = 0;
    return p;
}

void MemoryBlock::truncate(std::uint32_t size) {
    if (!data_ || size >= size_) return;
    size_ = size;
    data_[size] = 0;
}

void MemoryBlock::reset() {
    std::free(data_);
    data_ = nullptr;
    size_ = 0;
}

// ---- the directory walk shared by the file and the in-memory reader ----

namespace {

// Reads the header and then one entry at a time, as the pack format is laid out; a directory
// that claims more entries than the bytes hold ends at the last whole entry, so a forged count
// costs at most one pass over the file. Source::read_exact gives true only for n whole bytes.
// visit(entry) gives true to stop. Gives false when the bytes are not a pack.
template <class Source, class Visit>
bool walk_pack_directory(Source& source, Visit visit) {
    unsigned char header[kPackHeaderSize];
    if (!source.read_exact(header, sizeof header)) return false;
    std::uint32_t count = 0;
    if (!decode_pack_header(header, &count)) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        unsigned char raw[kPackEntrySize];
        if (!source.read_exact(raw, sizeof raw)) break;
        if (visit(decode_pack_entry(raw))) break;
    }
    return true;
}

// The first entry named exactly `member`, or false.
template <class Source>
bool locate_member(Source& source, const char* member, PackEntry* found) {
    bool hit = false;
    bool isPack = walk_pack_directory(source, [&](const PackEntry& e) {
        if (std::strcmp(e.name, member) != 0) return false;
        *found = e;
        hit = true;
        return true;
    });
    return isPack && hit;
}

// How many of a member's bytes the file really holds.
std::uint32_t bytes_present(std::uint64_t offset, std::uint32_t size, std::uint64_t fileSize) {
    if (offset >= fileSize) return 0;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(size, fileSize - offset));
}

struct MemorySource {
    const unsigned char* bytes;
    std::size_t size;
    std::size_t pos;
    bool read_exact(void* out, std::size_t n) {
        if (size - pos < n) return false;
        std::memcpy(out, bytes + pos, n);
        pos += n;
        return true;
    }
};

// Reads ahead in blocks of 64 directory entries: one host read per block, not per entry.
struct FileSource {
    PackFile& file;
    unsigned char buffer[64 * kPackEntrySize];
    std::size_t begin = 0, end = 0;
    bool read_exact(void* out, std::size_t n) {
        unsigned char* dest = static_cast<unsigned char*>(out);
        while (n > 0) {
            if (begin == end) {
                std::uint32_t got = 0;
                if (!file.read(buffer, sizeof buffer, &got) || got == 0) return false;
                begin = 0;
                end = got;
            }
            const std::size_t take = std::min(n, end - begin);
            std::memcpy(dest, buffer + begin, take);
            begin += take;
            dest += take;
            n -= take;
        }
        return true;
    }
};

}  // namespace

// ---- PackFile ----

bool PackFile::open_stream(const char* path, OpenMode mode) {
    close();
    if (path && *path) stream_ = file_system().open(path, mode, nullptr);
    if (!stream_) {
        failed_ = true;
        return false;
    }
    path_ = path;
    hasPath_ = true;
    return true;
}

bool PackFile::create_new(const char* path) {
    close();
    if (path && *path) file_system().remove(path);
    return open_stream(path, OpenMode::kCreateNew);  // create-new: fails rather than reuse a file that survived
}

bool PackFile::open_existing(const char* path, bool writable) {
    return open_stream(path, writable ? OpenMode::kReadWrite : OpenMode::kRead);
}

bool PackFile::open_member(const char* packPath, const char* member, PackEntry* entry) {
    if (!open_stream(packPath, OpenMode::kRead)) return false;
    PackEntry found{};
    FileSource source{*this};
    if (!member || !locate_member(source, member, &found)) {
        close();
        failed_ = true;
        return false;
    }
    stream_->seek(found.offset, SeekMethod::kBegin, nullptr);
    if (entry) *entry = found;
    member_ = member;
    hasMember_ = true;
    return true;
}

bool PackFile::finish() {
    const bool ok = stream_ && stream_->finish();
    close();
    return ok;
}

void PackFile::close() {
    stream_.reset();
    failed_ = false;
    hasPath_ = hasMember_ = false;
    path_.clear();
    member_.clear();
}

PackFile::State PackFile::state() const {
    if (stream_) return State::kOpen;
    return failed_ ? State::kFailed : State::kEmpty;
}

bool PackFile::read(void* buffer, std::uint32_t count, std::uint32_t* transferred) {
    if (transferred) *transferred = 0;
    if (!stream_ || (!buffer && count > 0)) return false;
    if (count == 0) return true;
    std::size_t got = 0;
    const bool ok = stream_->read(buffer, count, &got);
    if (transferred) *transferred = static_cast<std::uint32_t>(got);
    return ok;
}

bool PackFile::write(const void* buffer, std::uint32_t count, std::uint32_t* transferred) {
    if (transferred) *transferred = 0;
    if (!stream_ || (!buffer && count > 0)) return false;
    if (count == 0) return true;
    if (!stream_->write(buffer, count)) return false;
    if (transferred) *transferred = count;
    return true;
}

std::uint32_t PackFile::seek(std::int32_t distance, SeekMethod method) {
    std::uint64_t at = 0;
    if (!stream_ || !stream_->seek(distance, method, &at)) return kInvalidFilePosition;
    return static_cast<std::uint32_t>(at);
}

std::uint64_t PackFile::position64() {
    std::uint64_t at = 0;
    return stream_->seek(0, SeekMethod::kCurrent, &at) ? at : 0;
}

std::uint64_t PackFile::size64() {
    std::uint64_t bytes = 0;
    return stream_->size(&bytes) ? bytes : 0;
}

std::uint32_t PackFile::file_size() {
    if (!stream_) return 0;
    return static_cast<std::uint32_t>(size64());
}

MemoryBlock PackFile::read_block(std::uint32_t count) {
    std::uint32_t present = 0;
    if (stream_) {
        std::uint64_t pos = position64();
        present = bytes_present(pos, count, size64());
    }
    MemoryBlock block = MemoryBlock::allocate(present);
    if (!block.valid() || present == 0) return block;
    std::uint32_t got = 0;
    read(block.data(), present, &got);
    block.truncate(got);  // the file shrank under us: keep the size honest
    return block;
}

// ---- whole reads ----

HResult load_into_memory(const char* path, const char* member, MemoryBlock* out) {
    out->reset();
    PackFile file;
    std::uint32_t size = 0;
    if (member) {
        PackEntry entry{};
        if (!file.open_member(path, member, &entry)) return kFail;
        size = entry.size;
    } else {
        if (!file.open_existing(path, false)) return kFail;
        size = file.file_size();
    }
    *out = file.read_block(size);
    file.close();
    return out->valid() ? kOk : kFail;
}

bool find_pack_member(const unsigned char* pack, std::size_t packSize, const char* member, PackEntry* entry) {
    if (!pack || !member) return false;
    MemorySource source{pack, packSize, 0};
    PackEntry found{};
    if (!locate_member(source, member, &found)) return false;
    if (entry) *entry = found;
    return true;
}

HResult load_member_from_memory(const unsigned char* pack, std::size_t packSize, const char* member,
                                MemoryBlock* out) {
    out->reset();
    PackEntry entry{};
    if (!find_pack_member(pack, packSize, member, &entry)) return kFail;
    std::uint32_t present = bytes_present(entry.offset, entry.size, packSize);
    *out = MemoryBlock::copy_of(present ? pack + entry.offset : nullptr, present);
    return out->valid() ? kOk : kFail;
}

HResult read_pack_directory(const char* packPath, std::vector<PackEntry>* entries) {
    entries->clear();
    PackFile file;
    if (!file.open_existing(packPath, false)) return kFail;
    FileSource source{file};
    bool isPack = walk_pack_directory(source, [&](const PackEntry& e) {
        entries->push_back(e);
        return false;
    });
    return isPack ? kOk : kFail;
}

}  // namespace brine
