// Layout of the "MRP" pack archive: a 16-byte header, a directory of 32-byte entries, raw member
// data at absolute offsets. Shared by the reader (PackFile), packtool and fishgen.
// Must not depend on anything but the standard library.
#pragma once
#include <cstddef>
#include <cstdint>

namespace brine {

constexpr std::size_t kPackHeaderSize = 16;
constexpr std::size_t kPackEntrySize = 32;
constexpr std::size_t kPackNameField = 24;  // name plus its terminator: at most 23 bytes
constexpr std::size_t kPackMaxNameLength = kPackNameField - 1;
constexpr unsigned char kPackMagic[3] = {0x4D, 0x52, 0x50};  // "MRP"

// PackHeader: magic at 0..2, bytes 3..7 unused (written zero), entry count at 8, 12..15 unused.
struct PackHeader {
    unsigned char magic[3];
    unsigned char unused1[5];
    std::uint32_t entryCount;
    std::uint32_t unused2;
};

// PackEntry: zero-terminated name in a 24-byte field, absolute data offset, data size.
struct PackEntry {
    char name[kPackNameField];
    std::uint32_t offset;
    std::uint32_t size;
};

static_assert(sizeof(PackHeader) == kPackHeaderSize, "pack header layout");
static_assert(sizeof(PackEntry) == kPackEntrySize, "pack entry layout");

inline std::uint32_t read_le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline void write_le32(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

// Decodes the 16-byte header; false when the magic is wrong.
bool decode_pack_header(const unsigned char bytes[kPackHeaderSize], std::uint32_t* entryCount);
// Decodes one directory entry; the name is always terminated inside the field on return.
PackEntry decode_pack_entry(const unsigned char bytes[kPackEntrySize]);

}  // namespace brine
