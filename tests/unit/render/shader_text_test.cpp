// The assembler and effect checks: what they accept, what they refuse, and the code they give.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "render/shader_text.h"

namespace brine {
namespace {

const char kSkinShader[] =
    "// one-bone skinning, lit by one directional light\n"
    "vs.1.1\n"
    "dcl_position v0\n"
    "dcl_blendweight v1\n"
    "dcl_blendindices v2\n"
    "dcl_normal v3\n"
    "dcl_texcoord0 v7\n"
    "def c95, 765.01, 1.0, 0.0f, -0.5\n"
    "mul r1, v2.zyxw, c95.xxxx\n"
    "mov a0.x, r1.x\n"
    "m4x3 r0.xyz, v0, c[a0.x + 9]\n"
    "mov r0.w, c95.y\n"
    "m4x4 oPos, r0, c0\n"
    "dp3 r2.x, v3, c[ 9 + a0.x ]   ; normal into world space\n"
    "max r2.x, -r2.x, c95.z\n"
    "/* colour and\n"
    "   texture */ mov oD0, r2.xxxx\n"
    "mov oT0.xy, v7\n"
    "mad oFog, r0.z, c4.x, c4.y\n"
    "expp r3, v1.x\n"
    "rsq r4.w, v1.w\n"
    "nop\n";

HResult assemble(const std::string& text, std::vector<std::uint32_t>* tokens) {
    return assemble_shader(text.c_str(), text.size(), tokens);
}

TEST(ShaderText, AssemblesAVertexShaderIntoVersionInstructionsAndEnd) {
    std::vector<std::uint32_t> tokens;
    ASSERT_EQ(assemble(kSkinShader, &tokens), kOk);
    // version, 5 dcl, def, 13 instructions, end
    ASSERT_EQ(tokens.size(), 1u + 5 + 1 + 13 + 1);
    EXPECT_EQ(tokens.front(), 0xFFFE0101u);
    EXPECT_EQ(tokens[1], 31u);       // dcl
    EXPECT_EQ(tokens[6], 81u);       // def
    EXPECT_EQ(tokens[7], 5u);        // mul
    EXPECT_EQ(tokens[9], 21u);       // m4x3
    EXPECT_EQ(tokens.back(), kShaderEndToken);
    ASSERT_EQ(assemble("vs_1_1\nmov oPos, v0\n", &tokens), kOk);
    ASSERT_EQ(assemble("VS.1.0\r\nMOV oPos, V0\r\n", &tokens), kOk);  // case and CR LF do not matter
    EXPECT_EQ(tokens.front(), 0xFFFE0100u);
}

TEST(ShaderText, RefusesWhatTheAssemblerWould) {
    const char* refused[] = {
        "",                                         // nothing at all
        "mov oPos, v0\n",                           // no version line
        "vs.2.0\nmov oPos, v0\n",                   // not a 1.x vertex shader
        "vs.1.1\nmovx oPos, v0\n",                  // unknown instruction
        "vs.1.1\nmov oPos, q0\n",                   // unknown register
        "vs.1.1\nmov oPos, v16\n",                  // input out of range
        "vs.1.1\nmov r12, v0\n",                    // temporary out of range
        "vs.1.1\nmov oT8, v0\n",                    // texture output out of range
        "vs.1.1\nmov v0, r0\n",                     // inputs are not written
        "vs.1.1\nadd oPos, oD0, v0\n",              // outputs are not read
        "vs.1.1\nmov oPos\n",                       // operand missing
        "vs.1.1\nmad oPos, v0, c0\n",               // mad takes three sources
        "vs.1.1\nmov r0.yx, v0\n",                  // mask out of order
        "vs.1.1\nmov r0, v0.xyzwx\n",               // swizzle too long
        "vs.1.1\nmov r0, v0.q\n",                   // swizzle letter
        "vs.1.1\nmov r0, -v0.\n",                   // bare dot
        "vs.1.1\nmov r0, c[a1.x + 2]\n",            // relative through no address register
        "vs.1.1\nmov r0, c[a0.x + x]\n",            // offset not a number
        "vs.1.1\nadd a0.x, v0, v1\n",               // only mov writes a0
        "vs.1.1\ndcl_speed v0\n",                   // unknown usage
        "vs.1.1\ndcl_position r0\n",                // declares a non-input
        "vs.1.1\ndef c0, 1, 2, 3\n",                // def needs four values
        "vs.1.1\ndef c0, 1, 2, 3, abc\n",           // not a number
        "vs.1.1\ndef r0, 1, 2, 3, 4\n",             // def defines constants only
        "vs.1.1\nvs.1.1\n",                         // a second version line
        "vs.1.1 /* never closed\nmov oPos, v0\n",   // open block comment
    };
    for (const char* text : refused) {
        std::vector<std::uint32_t> tokens{1, 2, 3};
        EXPECT_EQ(assemble(text, &tokens), kInvalidData) << text;
        EXPECT_TRUE(tokens.empty()) << text;
    }
}

TEST(ShaderText, StopsAtTheSizeAndAtAZeroByte) {
    std::vector<std::uint32_t> tokens;
    const std::string text = "vs.1.1\nmov oPos, v0\nbogus\n";
    std::size_t cut = text.find("bogus");
    EXPECT_EQ(assemble_shader(text.c_str(), cut, &tokens), kOk);
    std::string withZero = text;
    withZero[cut] = '\0';
    EXPECT_EQ(assemble_shader(withZero.c_str(), withZero.size(), &tokens), kOk);
    EXPECT_EQ(assemble_shader(nullptr, 10, &tokens), kInvalidData);
}

TEST(ShaderText, EffectNeedsBalancedBlocksWithTechniqueAndPass) {
    const char* accepted[] = {
        "float4x4 mWorld;\n"
        "technique Skin1 < string name = \"a } b\"; > {\n"
        "  pass P0 { VertexShader = compile vs_1_1 VShade(1); }  // } in a comment\n"
        "}\n"
        "/* { */ technique Skin2 { pass { FillMode = Solid; } pass P1 { } }\n",
    };
    for (const char* text : accepted) EXPECT_EQ(check_effect_text(text, std::strlen(text)), kOk) << text;

    const char* refused[] = {
        "",
        "float4 colour;\n",                                    // no technique
        "technique T { }\n",                                   // technique without a pass
        "technique T { pass P { }\n",                          // unbalanced
        "technique T { pass P { } } }\n",                      // one brace too many
        "technique T { pass P { a = f(1; } }\n",               // parenthesis left open
        "technique T { pass P { a = f(1]; } }\n",              // mismatched bracket
        "technique T ( pass P { } }\n",                        // no body after the keyword
        "technique T { pass P { s = \"unterminated; } }\n",    // string never ends
        "technique T { pass P { } } /* comment never ends",   // comment never ends
    };
    for (const char* text : refused) EXPECT_EQ(check_effect_text(text, std::strlen(text)), kInvalidData) << text;
}

}  // namespace
}  // namespace brine
