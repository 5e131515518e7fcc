// Roster save file: encoding, atomic replacement and restore.
#include "fish/roster_file.h"

#include <algorithm>
#include <cstring>

#include "base/sjis.h"
#include "data/file_commit.h"
#include "data/fish_catalog.h"
#include "data/pack_file.h"
#include "fish/fish_creation.h"
#include "fish/tank.h"

namespace brine {

namespace {

void put_u32(unsigned char* at, std::uint32_t v) {
    at[0] = static_cast<unsigned char>(v);
    at[1] = static_cast<unsigned char>(v >> 8);
    at[2] = static_cast<unsigned char>(v >> 16);
    at[3] = static_cast<unsigned char>(v >> 24);
}

std::uint32_t get_u32(const unsigned char* at) {
    return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
           (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

std::int32_t get_i32(const unsigned char* at) { return static_cast<std::int32_t>(get_u32(at)); }

// Reads what the file holds, up to `capacity` bytes.
std::uint32_t read_up_to(PackFile& file, unsigned char* buffer, std::uint32_t capacity) {
    std::uint32_t total = 0;
    while (total < capacity) {
        std::uint32_t got = 0;
        if (!file.read(buffer + total, capacity - total, &got) || got == 0) break;
        total += got;
    }
    return total;
}

}  // namespace

void encode_roster(const Tank& tank, unsigned char (&out)[kSaveFileSize]) {
    std::memset(out, 0, sizeof out);
    for (int slot = 0; slot < Tank::kSlots; ++slot) {
        const FishRecord& f = tank.fish[slot];
        if (!f.in_use()) continue;
        unsigned char* r = out + slot * kSaveRecordSize;
        put_u32(r + 0, 1);
        put_u32(r + 4, static_cast<std::uint32_t>(f.kindIndex));
        put_u32(r + 8, static_cast<std::uint32_t>(f.satiety));
        put_u32(r + 12, static_cast<std::uint32_t>(f.overfedCount));
        put_u32(r + 16, f.satietyClock);
        // 20..31 reserved, zero.
        const void* end = std::memchr(f.name, 0, sizeof f.name);
        std::size_t length = end ? static_cast<const char*>(end) - f.name : sizeof f.name;
        std::memcpy(r + 32, f.name, std::min(length, kSaveNameField));
    }
}

FishSaveRecord decode_save_record(const unsigned char* bytes) {
    FishSaveRecord r;
    r.occupied = get_i32(bytes + 0);
    r.kindIndex = get_i32(bytes + 4);
    r.satiety = get_i32(bytes + 8);
    r.overfedCount = get_i32(bytes + 12);
    r.satietyClock = get_u32(bytes + 16);
    std::memcpy(r.name, bytes + 32, kSaveNameField);
    r.name[kSaveNameField] = '\0';
    return r;
}

std::int32_t restored_satiety(std::int32_t savedSatiety, std::uint32_t savedClock, std::uint32_t now) {
    std::uint32_t hours = std::min(ticks_since(now, savedClock) / kMillisecondsPerHour, kMaxRestoredHours);
    std::int64_t satiety = static_cast<std::int64_t>(savedSatiety) - hours;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(satiety, 0, INT32_MAX));
}

void normalise_saved_name(const char* field, char (&out)[kFishNameMax + 1]) {
    const void* end = std::memchr(field, 0, kSaveNameField);
    std::size_t length = end ? static_cast<const char*>(end) - field : kSaveNameField;
    std::size_t kept = 0;
    while (kept < length) {
        std::size_t step = is_sjis_lead(static_cast<unsigned char>(field[kept])) && kept + 1 < length ? 2 : 1;
        if (kept + step > kFishNameMax) break;
        kept += step;
    }
    std::memcpy(out, field, kept);
    out[kept] = '\0';
}

HResult save_roster(const Tank& tank, const char* path) {
    if (tank.rosterSaveBlocked || !path || !*path) return kFail;
    unsigned char bytes[kSaveFileSize];
    encode_roster(tank, bytes);
    return replace_file_contents(path, bytes, kSaveFileSize);
}

int load_roster(FishWorld& world, const char* path) {
    unsigned char bytes[kSaveFileSize] = {};
    std::uint32_t size = 0;
    {
        PackFile in;
        if (!path || !in.open_existing(path, false)) return 0;
        size = read_up_to(in, bytes, kSaveFileSize);
    }
    return restore_roster(world, bytes, size);
}

int restore_roster(FishWorld& world, const unsigned char* bytes, std::size_t size) {
    const std::uint32_t now = world.now();
    const std::size_t records = std::min(size, kSaveFileSize) / kSaveRecordSize;
    int restored = 0;
    // Only records read whole: a torn last record is never filled from the one before it.
    for (std::size_t i = 0; i < records; ++i) {
        FishSaveRecord r = decode_save_record(bytes + i * kSaveRecordSize);
        if (r.occupied != 1) continue;
        if (!world.catalog || r.kindIndex < 0 || r.kindIndex >= world.catalog->count) continue;
        char name[kFishNameMax + 1];
        normalise_saved_name(r.name, name);
        if (name[0] == '\0' || find_fish_by_name(*world.tank, name) >= 0) continue;
        std::int32_t satiety = restored_satiety(r.satiety, r.satietyClock, now);
        if (succeeded(create_fish(world, r.kindIndex, satiety, r.overfedCount, name))) ++restored;
    }
    return restored;
}

}  // namespace brine
