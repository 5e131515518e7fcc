// Motion scripts from untrusted bytes: the parse must stay inside its record table, allocate
// only within its limit, and a script it accepts as usable must index safely for all four states.
#include <cstdint>
#include <cstdlib>

#include "data/script_text.h"
#include "fish/motion_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 20)) return 0;
    brine::ScriptText script;
    if (!script.set_text_copy(data, static_cast<std::uint32_t>(size))) return 0;
    brine::MotionParams params;
    bool parsed = brine::parse_motion_script(script, &params);
    if (params.motionNum < 0 || params.motionNum > brine::kMaxMotionRecords) std::abort();
    if (params.motionNum > 0 && !params.trackRecords) std::abort();
    if (!parsed) return 0;
    for (std::int32_t sets = 0; sets < 4; ++sets) {
        if (!brine::motion_params_usable(params, sets)) continue;
        std::int64_t sum = 0;
        for (int state = 0; state < brine::kBehaviourStateCount; ++state) {
            const brine::MotionRecord& r = params.trackRecords[state];
            if (sets > 1 && (r.animationSet < 0 || r.animationSet >= sets)) std::abort();
            sum += std::int64_t{r.startFrame / params.fps} + r.endFrame / params.fps + params.wait;
        }
        if (sum == 0x7FFFFFFFFFFFLL) std::abort();  // keeps the reads
    }
    return 0;
}
