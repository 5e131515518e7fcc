// PackFile: the one wrapper through which the program reads and writes files, loose or as named
// members of "MRP" pack archives, plus load_into_memory, which reads a whole file or member into
// a zero-terminated heap block. The host's files are reached only through the file seam
// (data/file_system.h). Must not depend on anything but the standard library, base/ and data/.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/result.h"
#include "data/file_system.h"
#include "data/pack_format.h"

namespace brine {

// A heap block of size() bytes followed by one zero byte, so text can be parsed in place. Owns
// its buffer (malloc'ed; release_buffer() hands it over to be freed with std::free). A block whose
// allocation failed is not valid(); a block of size 0 still holds its one zero byte.
class MemoryBlock {
public:
    MemoryBlock() = default;
    ~MemoryBlock() { reset(); }
    MemoryBlock(MemoryBlock&& other) noexcept;
    MemoryBlock& operator=(MemoryBlock&& other) noexcept;
    MemoryBlock(const MemoryBlock&) = delete;
    MemoryBlock& operator=(const MemoryBlock&) = delete;

    // size + 1 zero bytes; an invalid block when the allocation fails.
    static MemoryBlock allocate(std::uint32_t size);
    // A copy of the given bytes with the trailing zero.
    static MemoryBlock copy_of(const void* bytes, std::uint32_t size);

    bool valid() const { return data_ != nullptr; }
    unsigned char* data() { return data_; }
    const unsigned char* data() const { return data_; }
    const char* text() const { return reinterpret_cast<const char*>(data_); }
    std::uint32_t size() const { return size_; }  // without the trailing zero

    // Gives up ownership: the caller frees the buffer with std::free.
    unsigned char* release_buffer();
    // Shortens the data (the byte at the new end becomes the terminator); never lengthens.
    void truncate(std::uint32_t size);
    void reset();

private:
    unsigned char* data_ = nullptr;
    std::uint32_t size_ = 0;
};

constexpr std::uint32_t kInvalidFilePosition = 0xFFFFFFFFu;  // INVALID_SET_FILE_POINTER

// One open file. Not copyable; starts empty; a scope exit closes a file still open.
// States: empty (nothing opened), open, failed (the last open failed). Path and member copies are
// kept only after a successful open.
class PackFile {
public:
    enum class State { kEmpty, kOpen, kFailed };

    PackFile() = default;
    ~PackFile() { close(); }
    PackFile(const PackFile&) = delete;
    PackFile& operator=(const PackFile&) = delete;

    // Deletes any file at the path, then creates it anew, write-only.
    bool create_new(const char* path);
    // Opens an existing regular file, read-only or read-write.
    bool open_existing(const char* path, bool writable);
    // Closes a file that was written: true only when every byte reached the disk and the close
    // succeeded (close() drops that answer). A file that did not open answers false.
    bool finish();
    // Opens a pack read-only and positions it at the first byte of the named member (exact,
    // case-sensitive; the first directory entry of that name wins). Fails, closed, when the file
    // is missing, shorter than its header, without the magic, or has no such member; a directory
    // that claims more entries than the file holds ends where the file ends.
    bool open_member(const char* packPath, const char* member, PackEntry* entry = nullptr);
    void close();

    // One read or write at the current position. The result is false only on an I/O error: a
    // read that meets the end of the file succeeds with fewer bytes (see transferred).
    bool read(void* buffer, std::uint32_t count, std::uint32_t* transferred = nullptr);
    bool write(const void* buffer, std::uint32_t count, std::uint32_t* transferred = nullptr);
    // The new position (low 32 bits), or kInvalidFilePosition when the move is refused.
    std::uint32_t seek(std::int32_t distance, SeekMethod method);
    // Size of the open file (low 32 bits); 0 when nothing is open.
    std::uint32_t file_size();
    // Up to count bytes from the current position into a zero-filled block. The block never
    // reaches past the end of the file: its size() is what was really there, so a member whose
    // directory entry claims more bytes than the file holds comes back shorter, not padded to a
    // size an attacker chose. Invalid only when the allocation fails.
    MemoryBlock read_block(std::uint32_t count);

    State state() const;
    bool is_open() const { return stream_ != nullptr; }
    const char* path() const { return hasPath_ ? path_.c_str() : nullptr; }
    const char* member() const { return hasMember_ ? member_.c_str() : nullptr; }

private:
    bool open_stream(const char* path, OpenMode mode);
    std::uint64_t size64();
    std::uint64_t position64();

    std::unique_ptr<FileStream> stream_;
    bool failed_ = false;
    bool hasPath_ = false, hasMember_ = false;
    std::string path_, member_;
};

// Reads a whole file (member null) or pack member into a block; kFail when it can't be opened or
// the allocation fails. The block's size is the bytes actually present (see read_block).
HResult load_into_memory(const char* path, const char* member, MemoryBlock* out);

// The same directory search over a pack held in memory (packs fetched or fuzzed); shares the
// file reader's logic, bounds included.
bool find_pack_member(const unsigned char* pack, std::size_t packSize, const char* member, PackEntry* entry);
HResult load_member_from_memory(const unsigned char* pack, std::size_t packSize, const char* member,
                                MemoryBlock* out);

// Every directory entry of a pack, in file order (stops where the file ends); kFail when the
// file is missing or not a pack. For tools that list or check packs.
HResult read_pack_directory(const char* packPath, std::vector<PackEntry>* entries);

}  // namespace brine
