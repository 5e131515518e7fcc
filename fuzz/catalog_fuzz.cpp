// The fish catalog from untrusted bytes: a "header.bin" and an unlock ledger, built in a scratch
// program directory. The table stays within 256 rows and the ledger grows by at most one value
// per byte of header text.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "data/fish_catalog.h"
#include "data/pack_writer.h"

namespace {

namespace fs = std::filesystem;

void check(bool ok) {
    if (!ok) std::abort();
}

class FixedClock : public brine::Clock {
public:
    std::uint32_t tick_count() override { return ticks; }
    bool performance_frequency(std::int64_t*) override { return false; }
    std::int64_t performance_counter() override { return 0; }
    std::uint32_t ticks = 0;
};

class SilentBoxes : public brine::MessageBoxes {
public:
    int message_box(const char*, const char*, std::uint32_t, bool) override { return 1; }
};

const fs::path& scratch() {
    static const fs::path dir = [] {
        std::random_device rd;
        fs::path p = fs::temp_directory_path() / ("brine-catalog-fuzz-" + std::to_string(rd()));
        fs::create_directories(p / "object");
        return p;
    }();
    return dir;
}

void remove_scratch() {
    std::error_code ec;
    fs::remove_all(scratch(), ec);
}

std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

// Input: flags (1 byte: bit 0 = a ledger exists), clock and unlock reference (4 bytes each),
// header length (2 bytes), header bytes, then the ledger bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool registered = (std::atexit(remove_scratch), true);
    (void)registered;
    if (size < 11) return 0;
    bool hasLedger = data[0] & 1;
    FixedClock clock;
    clock.ticks = le32(data + 1);
    std::uint32_t unlockClock = le32(data + 5);
    std::size_t headerLen = data[9] | (data[10] << 8);
    const std::uint8_t* rest = data + 11;
    std::size_t restSize = size - 11;
    if (headerLen > restSize) headerLen = restSize;

    const fs::path& dir = scratch();
    std::vector<brine::PackMember> members = {{"header.bin", {rest, rest + headerLen}}};
    if (brine::failed(brine::write_pack_file((dir / "object" / "fish1.pak").string(), members, nullptr))) return 0;
    fs::path ledger = dir / "object" / "fish1.dat";
    std::error_code ec;
    fs::remove(ledger, ec);
    std::size_t ledgerSize = restSize - headerLen;
    if (hasLedger) {
        std::ofstream out(ledger, std::ios::binary);
        out.write(reinterpret_cast<const char*>(rest + headerLen), static_cast<std::streamsize>(ledgerSize));
    } else {
        ledgerSize = 0;
    }

    fs::path saved = fs::current_path();
    fs::current_path(dir);
    static brine::FishCatalog catalog;
    SilentBoxes boxes;
    bool ok = brine::build_catalog(catalog, unlockClock, clock, boxes);
    fs::current_path(saved);

    check(ok);
    check(catalog.count >= 0 && catalog.count <= brine::kCatalogCapacity);
    for (int i = 0; i < catalog.count; ++i) {
        check(catalog.rows[i].packNumber == 1);
        check(catalog.rows[i].modelName.size() < 260 && catalog.rows[i].kindName.size() < 260);
    }
    // A ledger is written only when a value changed, so a header without rows may leave none.
    std::uintmax_t after = fs::exists(ledger, ec) ? fs::file_size(ledger, ec) : 0;
    check(!ec && after <= ledgerSize + 4 * (headerLen + 1));
    return 0;
}
