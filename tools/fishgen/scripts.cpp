// Writes "header.bin" and the motion scripts in the layouts the program reads: Shift-JIS,
// CR LF, fixed number formats. Must not depend on the program's own code.
#include "tools/fishgen/scripts.h"

#include "tools/fishgen/text_out.h"

namespace brine {
namespace fishgen {

std::string write_catalog(const std::vector<const KindSpec*>& kinds) {
    TextOut out("\r\n");
    out.line(std::to_string(kinds.size()));
    for (const KindSpec* k : kinds)
        out.line(k->model + "," + k->kindName + "," + k->fishName + "," + std::to_string(k->hours));
    return out.text();
}

std::string write_motion_script(const KindSpec& kind, const FishModel& model) {
    static const char* const stateNames[4] = {"hover", "cruise", "dash", "eat"};
    TextOut out("\r\n");
    out.line("// " + kind.model + " motion values");
    out.line("// frames per second of the animation keys");
    out.line("FPS(" + std::to_string(model.fps) + ")");
    out.line("MotionNum(" + std::to_string(model.records.size()) + ")");
    out.line(model.animationSets.size() == 1 ? "// record: state, animation set, start frame, end frame (one set)"
                                              : "// record: state, animation set, start frame, end frame (a set each)");
    for (size_t i = 0; i < model.records.size(); ++i) {
        const MotionRecordDef& r = model.records[i];
        out.line("// " + std::string(i < 4 ? stateNames[i] : "extra"));
        out.line("TrackRecord(" + std::to_string(i) + ", " + std::to_string(r.animationSet) + ", " +
                 std::to_string(r.startFrame) + ", " + std::to_string(r.endFrame) + ")");
    }
    out.line("// size, idle pause (ms), speeds per step, turns in degrees per step");
    out.line("Scale(" + format_real(kind.scale, 3) + ")");
    out.line("Wait(" + std::to_string(kind.waitMs) + ")");
    out.line("SlowSpeed(" + format_real(kind.slowSpeed, 3) + ")");
    out.line("SlowRotateH(" + format_real(kind.slowRotateH, 3) + ")");
    out.line("SlowRotateV(" + format_real(kind.slowRotateV, 3) + ")");
    out.line("FastSpeed(" + format_real(kind.fastSpeed, 3) + ")");
    out.line("FastRotateH(" + format_real(kind.fastRotateH, 3) + ")");
    out.line("FastRotateV(" + format_real(kind.fastRotateV, 3) + ")");
    out.line("// above 0 keeps low, below 0 keeps high");
    out.line("Gravity(" + format_real(kind.gravity, 3) + ")");
    out.line("End()");
    return out.text();
}

}  // namespace fishgen
}  // namespace brine
