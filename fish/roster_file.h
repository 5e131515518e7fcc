// The roster save file "fishsave.bin": 16 records of 64 bytes, one per tank slot, little-endian,
// no header (occupied, kindIndex, satiety, overfedCount, satietyClock, three zero words, a
// 32-byte zero-padded name). Saving replaces the file whole through a temporary beside it;
// loading re-creates the saved fish through create_fish, charging them the hours since their
// satiety last dropped.
// Must not depend on anything but base/, data/ and fish/.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/result.h"
#include "fish/fish_world.h"
#include "fish/tank.h"

namespace brine {

constexpr char kRosterFileName[] = "fishsave.bin";
constexpr std::size_t kSaveRecordSize = 64;
constexpr std::size_t kSaveFileSize = 16 * kSaveRecordSize;
constexpr std::size_t kSaveNameField = 32;
constexpr std::uint32_t kMaxRestoredHours = 10;

struct FishSaveRecord {
    std::int32_t occupied = 0;
    std::int32_t kindIndex = 0;
    std::int32_t satiety = 0;
    std::int32_t overfedCount = 0;
    std::uint32_t satietyClock = 0;
    char name[kSaveNameField + 1] = {};  // at most 32 bytes, always terminated here
};

// The 1024 bytes for the tank: in-use slots as records, free slots as 64 zero bytes.
void encode_roster(const Tank& tank, unsigned char (&out)[kSaveFileSize]);
// One record from its 64 bytes; a name field without a zero byte gives its 32 bytes.
FishSaveRecord decode_save_record(const unsigned char* bytes);
// Satiety a fish comes back with: the saved value less the whole hours since savedClock
// (unsigned difference, at most 10), not below 0.
std::int32_t restored_satiety(std::int32_t savedSatiety, std::uint32_t savedClock, std::uint32_t now);
// A saved name as the tank keeps names: up to its first zero byte, cut to at most 24 bytes
// without splitting a double-byte character. Empty when nothing usable remains.
void normalise_saved_name(const char* field, char (&out)[kFishNameMax + 1]);

// Writes the roster to `path` (the program's "fishsave.bin" by default): the bytes go to
// "<path>.tmp", reach the disk, and only then replace the old file, so a crash or a full disk
// leaves the old roster whole. kFail, nothing replaced, when that fails or while
// tank.rosterSaveBlocked is set.
HResult save_roster(const Tank& tank, const char* path = kRosterFileName);
// Re-creates the saved fish in record order (they close up into the first free slots). A missing
// file restores nothing; a short file restores only its whole records. Skipped: records whose
// occupied word is not 1, whose kindIndex is outside the catalog, whose name is empty or already
// taken by a live fish, and fish that cannot be created. Gives the number of fish restored.
int load_roster(FishWorld& world, const char* path = kRosterFileName);
// load_roster after the read: the restore from the file's bytes (at most 1024 are looked at).
int restore_roster(FishWorld& world, const unsigned char* bytes, std::size_t size);

}  // namespace brine
