#include "data/pack_format.h"

#include <cstring>

namespace brine {

bool decode_pack_header(const unsigned char bytes[kPackHeaderSize], std::uint32_t* entryCount) {
    if (std::memcmp(bytes, kPackMagic, 3) != 0) return false;
    if (entryCount) *entryCount = read_le32(bytes + 8);
    return true;
}

PackEntry decode_pack_entry(const unsigned char bytes[kPackEntrySize]) {
    PackEntry e{};
    std::memcpy(e.name, bytes, kPackNameField);
    e.name[kPackNameField - 1] = '\0';  // a field without a terminator must not run into the offset
    e.offset = read_le32(bytes + 24);
    e.size = read_le32(bytes + 28);
    return e;
}

}  // namespace brine
