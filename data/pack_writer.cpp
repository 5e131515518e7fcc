#include "data/pack_writer.h"

#include <cstring>
#include <set>

#include "data/file_commit.h"
#include "data/pack_format.h"

namespace brine {

bool validate_pack_members(const std::vector<PackMember>& members, std::string* reason) {
    std::set<std::string> seen;
    for (const auto& m : members) {
        if (m.name.empty() || m.name.find('\0') != std::string::npos) {
            if (reason) *reason = "member name is empty or holds a zero byte";
            return false;
        }
        if (m.name.size() > kPackMaxNameLength) {
            if (reason) *reason = "member name \"" + m.name + "\" is longer than 23 bytes";
            return false;
        }
        if (!seen.insert(m.name).second) {
            if (reason) *reason = "member name \"" + m.name + "\" appears twice";
            return false;
        }
    }
    return true;
}

HResult build_pack(const std::vector<PackMember>& members, std::vector<unsigned char>* out,
                   std::string* reason) {
    if (!validate_pack_members(members, reason)) return kFail;
    unsigned long long total = kPackHeaderSize + kPackEntrySize * members.size();
    for (const auto& m : members) total += m.data.size();
    if (total > 0xFFFFFFFFull) {
        if (reason) *reason = "pack would exceed 4 GiB";
        return kFail;
    }
    out->assign(static_cast<size_t>(total), 0);
    unsigned char* p = out->data();
    std::memcpy(p, kPackMagic, 3);
    write_le32(p + 8, static_cast<std::uint32_t>(members.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(kPackHeaderSize + kPackEntrySize * members.size());
    for (size_t i = 0; i < members.size(); ++i) {
        unsigned char* e = p + kPackHeaderSize + kPackEntrySize * i;
        std::memcpy(e, members[i].name.data(), members[i].name.size());
        write_le32(e + 24, offset);
        write_le32(e + 28, static_cast<std::uint32_t>(members[i].data.size()));
        if (!members[i].data.empty()) std::memcpy(p + offset, members[i].data.data(), members[i].data.size());
        offset += static_cast<std::uint32_t>(members[i].data.size());
    }
    return kOk;
}

HResult write_pack_file(const std::string& path, const std::vector<PackMember>& members,
                        std::string* reason) {
    std::vector<unsigned char> bytes;
    HResult r = build_pack(members, &bytes, reason);
    if (failed(r)) return r;
    if (succeeded(replace_file_contents(path.c_str(), bytes.data(), bytes.size()))) return kOk;
    if (reason) *reason = "cannot write " + path;
    return kFail;
}

}  // namespace brine
