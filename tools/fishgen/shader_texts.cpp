// The texts of the four skinning vertex shaders, plain and canonical so that every assembler
// takes them (the effect is shipped compiled: effect_binary.h). Must not depend on the program's
// code.
#include "tools/fishgen/shader_texts.h"

#include "tools/fishgen/text_out.h"

namespace brine {
namespace fishgen {

// Constant layout shared by the four shaders:
//   c0..c3  view * projection, transposed
//   c4      light direction in world space (towards the light)
//   c5      material diffuse times light diffuse
//   c6      material ambient times light ambient
//   c7      (1, 0, 0, 765.01): one, zero, and the factor that turns D3DCOLOR indices into
//           register offsets (three registers a bone)
//   c9...   bone matrices, 4x3 each (three registers)
std::string skinning_shader_text(int bones) {
    if (bones < 1) bones = 1;
    if (bones > 4) bones = 4;
    TextOut out("\r\n");
    out.line("vs.1.1");
    out.line("// skinning with " + std::to_string(bones) + " blend weight(s), one directional light");
    out.line("dcl_position v0");
    out.line("dcl_blendweight v1");
    out.line("dcl_blendindices v2");
    out.line("dcl_normal v3");
    out.line("dcl_texcoord v4");
    out.line("mul r1, v2.zyxw, c7.wwww");
    static const char* const comp[4] = {"x", "y", "z", "w"};
    for (int i = 0; i < bones; ++i) {
        std::string c = comp[i];
        out.line("mov a0.x, r1." + c);
        if (i == 0) {
            out.line("m4x3 r4.xyz, v0, c[a0.x + 9]");
            out.line("m3x3 r5.xyz, v3, c[a0.x + 9]");
            if (bones > 1) {
                out.line("mul r4.xyz, r4.xyz, v1.xxx");
                out.line("mul r5.xyz, r5.xyz, v1.xxx");
            }
            continue;
        }
        out.line("m4x3 r2.xyz, v0, c[a0.x + 9]");
        out.line("m3x3 r3.xyz, v3, c[a0.x + 9]");
        std::string weight;
        if (i < bones - 1) {
            weight = "v1." + c + c + c;
        } else {
            // The last weight is what the others leave.
            out.line("mov r0.w, c7.x");
            for (int k = 0; k < i; ++k) out.line("add r0.w, r0.w, -v1." + std::string(comp[k]));
            weight = "r0.www";
        }
        out.line("mad r4.xyz, r2.xyz, " + weight + ", r4.xyz");
        out.line("mad r5.xyz, r3.xyz, " + weight + ", r5.xyz");
    }
    out.line("mov r4.w, c7.x");
    out.line("m4x4 oPos, r4, c0");
    out.line("dp3 r5.w, r5, r5");
    out.line("rsq r5.w, r5.w");
    out.line("mul r5, r5, r5.w");
    out.line("dp3 r1.x, r5, c4");
    out.line("max r1.x, r1.x, c7.y");
    out.line("mul r1, r1.xxxx, c5");
    out.line("add oD0, r1, c6");
    out.line("mov oT0.xy, v4");
    return out.text();
}

}  // namespace fishgen
}  // namespace brine
