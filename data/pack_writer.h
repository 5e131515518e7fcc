// Writes "MRP" pack archives: header, directory in the given order, then the members' data
// back to back (unaligned). Used by packtool and fishgen; the program itself never writes packs.
// Must not depend on anything but the standard library, base/ and data/.
#pragma once
#include <string>
#include <vector>

#include "base/result.h"

namespace brine {

struct PackMember {
    std::string name;                // 1..23 bytes, unique within the pack
    std::vector<unsigned char> data;
};

// Checks names (empty, over 23 bytes, duplicate) and gives a readable reason on failure.
bool validate_pack_members(const std::vector<PackMember>& members, std::string* reason);

// The whole pack as bytes; header bytes 3..7 and 12..15 are zero. Fails on invalid members or
// a pack beyond 4 GiB.
HResult build_pack(const std::vector<PackMember>& members, std::vector<unsigned char>* out,
                   std::string* reason);

// build_pack, then written to a temporary file beside the target that replaces it when whole.
HResult write_pack_file(const std::string& path, const std::vector<PackMember>& members,
                        std::string* reason);

}  // namespace brine
