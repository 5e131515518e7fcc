// packtool: makes, lists and unpacks "MRP" pack archives for building the program's data.
//   packtool create OUT.pak FILE...     members named after the files, in the given order
//   packtool list PACK                  name, offset and size of every member
//   packtool extract PACK MEMBER [OUT]  the member's bytes to OUT, or to standard output
//   packtool check PACK                 loads a fish pack as the program does and reports problems
// Exit status: 0 done, 1 failed (bad input, not a pack, missing member), 2 usage.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "data/pack_file.h"
#include "data/pack_format.h"
#include "data/pack_writer.h"
#include "tools/packtool/pack_check.h"

namespace {

using namespace brine;

int usage() {
    std::fprintf(stderr,
                 "usage: packtool create OUT.pak FILE...\n"
                 "       packtool list PACK\n"
                 "       packtool extract PACK MEMBER [OUT]\n"
                 "       packtool check PACK\n");
    return 2;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "packtool: %s\n", message.c_str());
    return 1;
}

bool read_whole_file(const std::string& path, std::vector<unsigned char>* out, std::string* why) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        *why = "cannot read " + path + ": not a regular file";
        return false;
    }
    std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > 0xFFFFFFFFu) {
        *why = "cannot read " + path + (ec ? ": size unknown" : ": larger than 4 GiB");
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
        *why = "cannot read " + path;
        return false;
    }
    return true;
}

// Tells a file that is not a pack from a pack without the member, for the message.
int explain_open_failure(const char* pack, const char* member) {
    PackFile probe;
    if (!probe.open_existing(pack, false)) return fail(std::string("cannot open ") + pack);
    probe.close();
    std::vector<PackEntry> entries;
    if (failed(read_pack_directory(pack, &entries)))
        return fail(std::string(pack) + " is not a pack archive (no MRP header)");
    return fail(std::string(pack) + " has no member \"" + member + "\"");
}

int create_command(int argc, char** argv) {
    if (argc < 4) return usage();
    std::vector<PackMember> members;
    for (int i = 3; i < argc; ++i) {
        PackMember m;
        m.name = std::filesystem::path(argv[i]).filename().string();
        std::string why;
        if (!read_whole_file(argv[i], &m.data, &why)) return fail(why);
        members.push_back(std::move(m));
    }
    std::string reason;
    if (!validate_pack_members(members, &reason)) return fail(reason);
    if (failed(write_pack_file(argv[2], members, &reason))) return fail(reason);
    return 0;
}

int list_command(int argc, char** argv) {
    if (argc != 3) return usage();
    const char* pack = argv[2];
    PackFile file;
    if (!file.open_existing(pack, false)) return fail(std::string("cannot open ") + pack);
    unsigned char header[kPackHeaderSize] = {};
    std::uint32_t got = 0;
    file.read(header, sizeof header, &got);
    std::uint32_t fileSize = file.file_size();
    file.close();
    std::uint32_t count = 0;
    if (got != sizeof header || !decode_pack_header(header, &count))
        return fail(std::string(pack) + " is not a pack archive (no MRP header)");
    std::vector<PackEntry> entries;
    read_pack_directory(pack, &entries);
    int status = 0;
    for (const PackEntry& e : entries) {
        std::printf("%s\t%u\t%u\n", e.name, e.offset, e.size);
        if (static_cast<std::uint64_t>(e.offset) + e.size > fileSize) {
            std::fprintf(stderr, "packtool: member \"%s\" reaches past the end of the file\n", e.name);
            status = 1;
        }
    }
    if (entries.size() < count) {
        std::fprintf(stderr, "packtool: the directory claims %u entries, the file holds %zu\n", count,
                     entries.size());
        status = 1;
    }
    return status;
}

int extract_command(int argc, char** argv) {
    if (argc != 4 && argc != 5) return usage();
    const char* pack = argv[2];
    const char* member = argv[3];
    PackFile file;
    PackEntry entry{};
    if (!file.open_member(pack, member, &entry)) return explain_open_failure(pack, member);
    MemoryBlock block = file.read_block(entry.size);
    file.close();
    if (!block.valid()) return fail("out of memory");
    if (argc == 5) {
        std::ofstream out(argv[4], std::ios::binary | std::ios::trunc);
        out.write(block.text(), block.size());
        out.close();
        if (!out) return fail(std::string("cannot write ") + argv[4]);
    } else if (block.size() > 0 && std::fwrite(block.data(), 1, block.size(), stdout) != block.size()) {
        return fail("cannot write to standard output");
    }
    if (block.size() < entry.size)
        return fail("member \"" + std::string(member) + "\" is cut short: " + std::to_string(block.size()) +
                    " of " + std::to_string(entry.size) + " bytes present");
    return 0;
}

int check_command(int argc, char** argv) {
    if (argc != 3) return usage();
    return packtool::check_pack(argv[2], stdout);
}

struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
};

const Command kCommands[] = {
    {"create", create_command},
    {"list", list_command},
    {"extract", extract_command},
    {"check", check_command},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    for (const Command& c : kCommands)
        if (std::strcmp(argv[1], c.name) == 0) return c.run(argc, argv);
    return usage();
}
