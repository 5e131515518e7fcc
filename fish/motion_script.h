// The motion script of a fish kind ("<model>.mrc" in its pack): statements that fill the kind's
// MotionParams (frame rate, motion records, speeds, turn rates, scale, Wait, Gravity).
// Must not depend on anything but data/script_text.h and fish/tank.h.
#pragma once
#include <cstdint>

#include "data/script_text.h"
#include "fish/tank.h"

namespace brine {

// The document's keys, in table order.
extern const KeyTable kMotionScriptKeys;
// More motion records than any kind could use would only be an allocation an input chose.
constexpr std::int32_t kMaxMotionRecords = 256;

// Clears `params`, then reads statements up to "End". Besides the reader's own failures the parse
// fails on "TrackRecord" before a positive "MotionNum" or with an index outside the table, on a
// "MotionNum" outside 0..256, and on a real value that is not finite. An integer argument that is
// not a number leaves its field as it was (0 when the key came first). On failure `params` may
// hold what was read so far; its records are freed with it.
bool parse_motion_script(ScriptText& script, MotionParams* params);

// The values the behaviour divides by or indexes with: FPS above 0, at least four motion records,
// Wait above 0, and, when the mesh has several animation sets, the records of the four states
// naming sets it has. With one set or none any set index is accepted: the record's frames are
// played in set 0 (a mesh without animation still swims). `animationSetCount` is the mesh's
// set count.
bool motion_params_usable(const MotionParams& params, std::int32_t animationSetCount);

}  // namespace brine
