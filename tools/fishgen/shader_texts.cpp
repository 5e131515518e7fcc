// The texts of the four skinning vertex shaders and of the skinned-mesh effect, plain and
// canonical so an assembler or a text check accepts them: the effect keeps to HLSL that every
// compiler takes (no parameter initialisers; D3DCOLORtoUBYTE4 written out as what it computes).
// Must not depend on the program's code.
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

std::string skinned_mesh_effect_text() {
    return "// Skinned mesh effect: blends each vertex between up to four bone matrices and lights it\r\n"
           "// with one directional light.\r\n"
           "\r\n"
           "// Parameters are set by whoever draws with the effect: no initial values, which some\r\n"
           "// HLSL compilers do not take for parameters.\r\n"
           "float4 lhtDir : LIGHTDIRECTION;\r\n"
           "float4 MaterialAmbient : MATERIALAMBIENT;\r\n"
           "float4 MaterialDiffuse : MATERIALDIFFUSE;\r\n"
           "float4x3 mWorldMatrixArray[26] : WORLDMATRIXARRAY;\r\n"
           "float4x4 mViewProj : VIEWPROJECTION;\r\n"
           "\r\n"
           "struct VS_INPUT\r\n"
           "{\r\n"
           "    float4 Pos : POSITION;\r\n"
           "    float4 BlendWeights : BLENDWEIGHT;\r\n"
           "    float4 BlendIndices : BLENDINDICES;\r\n"
           "    float3 Normal : NORMAL;\r\n"
           "    float3 Tex0 : TEXCOORD0;\r\n"
           "};\r\n"
           "\r\n"
           "struct VS_OUTPUT\r\n"
           "{\r\n"
           "    float4 Pos : POSITION;\r\n"
           "    float4 Diffuse : COLOR;\r\n"
           "    float2 Tex0 : TEXCOORD0;\r\n"
           "};\r\n"
           "\r\n"
           "VS_OUTPUT VShade(VS_INPUT i, uniform int NumBones)\r\n"
           "{\r\n"
           "    VS_OUTPUT o;\r\n"
           "    float3 pos = 0.0f;\r\n"
           "    float3 nrm = 0.0f;\r\n"
           "    float lastWeight = 0.0f;\r\n"
           "    int4 indexVector = int4(i.BlendIndices.zyxw * 255.002f);\r\n"
           "    float blendWeights[4] = (float[4])i.BlendWeights;\r\n"
           "    int indexArray[4] = (int[4])indexVector;\r\n"
           "    for (int b = 0; b < NumBones - 1; b++)\r\n"
           "    {\r\n"
           "        lastWeight = lastWeight + blendWeights[b];\r\n"
           "        pos += mul(i.Pos, mWorldMatrixArray[indexArray[b]]) * blendWeights[b];\r\n"
           "        nrm += mul(i.Normal, (float3x3)mWorldMatrixArray[indexArray[b]]) * blendWeights[b];\r\n"
           "    }\r\n"
           "    lastWeight = 1.0f - lastWeight;\r\n"
           "    pos += mul(i.Pos, mWorldMatrixArray[indexArray[NumBones - 1]]) * lastWeight;\r\n"
           "    nrm += mul(i.Normal, (float3x3)mWorldMatrixArray[indexArray[NumBones - 1]]) * lastWeight;\r\n"
           "    o.Pos = mul(float4(pos, 1.0f), mViewProj);\r\n"
           "    nrm = normalize(nrm);\r\n"
           "    o.Diffuse.xyz = MaterialAmbient.xyz + max(0.0f, dot(nrm, lhtDir.xyz)) * MaterialDiffuse.xyz;\r\n"
           "    o.Diffuse.w = 1.0f;\r\n"
           "    o.Tex0 = i.Tex0.xy;\r\n"
           "    return o;\r\n"
           "}\r\n"
           "\r\n"
           "technique t0\r\n"
           "{\r\n"
           "    pass p0\r\n"
           "    {\r\n"
           "        VertexShader = compile vs_1_1 VShade(4);\r\n"
           "    }\r\n"
           "}\r\n";
}

}  // namespace fishgen
}  // namespace brine
