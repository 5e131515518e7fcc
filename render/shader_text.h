// The program's own stand-ins for D3DXAssembleShader and D3DXCreateEffect: checks that refuse
// what the real tools would refuse, so a broken "initialize.pak" fails start-up
// here exactly as it would on Direct3D. No drawing path binds the results.
// Must not depend on anything but the standard library, base/result.h, d3d_types.h and
// render/compiled_effect.h.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/result.h"
#include "device/d3d_types.h"

namespace brine {

// D3DXERR_INVALIDDATA: the answer for text the assembler or the effect compiler refuses.
// Chosen over D3DERR_INVALIDCALL because the call itself is well-formed; the data is not.
constexpr HResult kInvalidData = kD3DXErrInvalidData;

constexpr std::uint32_t kShaderEndToken = 0x0000FFFFu;

// Assembles vertex-shader 1.x assembler text (size bytes; a zero byte ends it early) into a
// token buffer: the version token (0xFFFE0101 for "vs.1.1"), one token per instruction holding
// its D3DSIO opcode, and the end token. Accepts the version line "vs.1.0"/"vs.1.1" (or
// "vs_1_1"), dcl_* declarations, def, the vs 1.1 arithmetic instructions, comments "//", ";"
// and "/* */", registers v# r# c# a0 oPos oD# oT# oFog oPts with swizzles, write masks,
// negation and c[a0.x + n]. Anything else gives kInvalidData and leaves tokens empty.
HResult assemble_shader(const char* text, std::size_t size, std::vector<std::uint32_t>* tokens);

// Effect text: braces, brackets and parentheses balanced outside comments and strings, at least
// one "technique" block, each with at least one "pass" block. kInvalidData otherwise.
HResult check_effect_text(const char* text, std::size_t size);

// An effect as D3DXCreateEffect takes it: compiled (render/compiled_effect.h) when it opens with
// the compiled-effect tag, text otherwise.
HResult check_effect(const char* data, std::size_t size);

}  // namespace brine
