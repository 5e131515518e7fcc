// Motion script statements into MotionParams.
#include "fish/motion_script.h"

#include <cmath>
#include <cstdint>
#include <new>

namespace brine {

namespace {

enum MotionKey {
    kKeyFps,
    kKeyMotionNum,
    kKeyScale,
    kKeyWait,
    kKeySlowSpeed,
    kKeySlowRotateH,
    kKeySlowRotateV,
    kKeyFastSpeed,
    kKeyFastRotateH,
    kKeyFastRotateV,
    kKeyGravity,
    kKeyTrackRecord,
    kKeyEnd,
};

const char* const kKeyNames[] = {"FPS",         "MotionNum",   "Scale",       "Wait",      "SlowSpeed",
                                 "SlowRotateH", "SlowRotateV", "FastSpeed",   "FastRotateH",
                                 "FastRotateV", "Gravity",     "TrackRecord", "End"};

bool read_real_field(ScriptText& script, float* field) {
    float value = *field;
    if (!script.read_real(&value, ')')) return false;
    if (!std::isfinite(value)) return false;  // "1e999" would send the fish to infinity
    *field = value;
    return true;
}

bool read_track_record(ScriptText& script, MotionParams* params) {
    if (params->motionNum <= 0 || !params->trackRecords) return false;
    // A non-numeric index keeps this impossible value and is refused below.
    std::int32_t index = -1;
    MotionRecord record{};
    if (!script.read_int(&index, ',')) return false;
    if (index < 0 || index >= params->motionNum) return false;
    record = params->trackRecords[index];  // a non-numeric value keeps the record's own
    if (!script.read_int(&record.animationSet, ',') || !script.read_int(&record.startFrame, ',') ||
        !script.read_int(&record.endFrame, ')'))
        return false;
    params->trackRecords[index] = record;
    return true;
}

bool read_motion_num(ScriptText& script, MotionParams* params) {
    // A non-numeric count leaves the sentinel, and then the field and its table stay as they were.
    constexpr std::int32_t kUnread = INT32_MIN;
    std::int32_t count = kUnread;
    if (!script.read_int(&count, ')')) return false;
    if (count == kUnread) return true;
    if (count < 0 || count > kMaxMotionRecords) return false;
    // Every statement makes a fresh table (the last one wins); unset records read as zero.
    params->trackRecords.reset(count > 0 ? new (std::nothrow) MotionRecord[count]() : nullptr);
    if (count > 0 && !params->trackRecords) {
        params->motionNum = 0;
        return false;
    }
    params->motionNum = count;
    return true;
}

}  // namespace

const KeyTable kMotionScriptKeys(kKeyNames);

bool parse_motion_script(ScriptText& script, MotionParams* params) {
    *params = MotionParams{};
    return parse_statements(script, kMotionScriptKeys, [params](int key, ScriptText& in) {
        switch (key) {
            case kKeyFps: return in.read_int(&params->fps, ')');
            case kKeyMotionNum: return read_motion_num(in, params);
            case kKeyScale: return read_real_field(in, &params->scale);
            case kKeyWait: return in.read_int(&params->wait, ')');
            case kKeySlowSpeed: return read_real_field(in, &params->slowSpeed);
            case kKeySlowRotateH: return read_real_field(in, &params->slowRotateH);
            case kKeySlowRotateV: return read_real_field(in, &params->slowRotateV);
            case kKeyFastSpeed: return read_real_field(in, &params->fastSpeed);
            case kKeyFastRotateH: return read_real_field(in, &params->fastRotateH);
            case kKeyFastRotateV: return read_real_field(in, &params->fastRotateV);
            case kKeyGravity: return read_real_field(in, &params->gravity);
            case kKeyTrackRecord: return read_track_record(in, params);
        }
        return false;
    });
}

bool motion_params_usable(const MotionParams& params, std::int32_t animationSetCount) {
    if (params.fps <= 0 || params.wait <= 0) return false;
    if (params.motionNum < kBehaviourStateCount || !params.trackRecords) return false;
    // With one set (or none) choosing a motion changes nothing: every record plays its frames
    // in set 0, whatever set it names.
    if (animationSetCount <= 1) return true;
    // Records past the four states are never played, so only those four must name real sets.
    for (std::int32_t i = 0; i < kBehaviourStateCount; ++i) {
        std::int32_t set = params.trackRecords[i].animationSet;
        if (set < 0 || set >= animationSetCount) return false;
    }
    return true;
}

}  // namespace brine
