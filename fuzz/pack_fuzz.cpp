// Pack archives from untrusted bytes: the file reader (through a temporary file) and the in-memory
// reader must agree on every lookup, never read or allocate past what the bytes hold, and every
// name the directory lists must be found.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "data/pack_file.h"

namespace {

const std::string& temp_pack() {
    static const std::string path = [] {
        std::random_device rd;
        auto p = std::filesystem::temp_directory_path() / ("brine-pack-fuzz-" + std::to_string(rd()) + ".pak");
        return p.string();
    }();
    return path;
}

void remove_temp() { std::remove(temp_pack().c_str()); }

void check(bool ok) {
    if (!ok) std::abort();
}

void compare(const std::string& path, const std::uint8_t* data, std::size_t size, const char* name) {
    brine::MemoryBlock fromFile, fromMemory;
    brine::HResult rf = brine::load_into_memory(path.c_str(), name, &fromFile);
    brine::HResult rm = brine::load_member_from_memory(data, size, name, &fromMemory);
    check(brine::succeeded(rf) == brine::succeeded(rm));
    if (brine::failed(rf)) return;
    check(fromFile.size() == fromMemory.size());
    check(fromFile.size() <= size);
    check(fromFile.data()[fromFile.size()] == 0);
    check(std::memcmp(fromFile.data(), fromMemory.data(), fromFile.size()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool registered = (std::atexit(remove_temp), true);
    (void)registered;
    const std::string& path = temp_pack();
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return 0;
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    for (const char* name : {"header.bin", "a", "", "fishA.x", "abcdefghijklmnopqrstuvw"})
        compare(path, data, size, name);

    std::vector<brine::PackEntry> entries;
    if (brine::succeeded(brine::read_pack_directory(path.c_str(), &entries))) {
        check(entries.size() <= size / brine::kPackEntrySize);
        for (std::size_t i = 0; i < entries.size() && i < 8; ++i) {
            check(std::strlen(entries[i].name) < brine::kPackNameField);
            check(brine::find_pack_member(data, size, entries[i].name, nullptr));
            compare(path, data, size, entries[i].name);
        }
    }
    return 0;
}
