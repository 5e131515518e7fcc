#include "tools/fishgen/x_writer.h"

#include <algorithm>
#include <set>

#include "tools/fishgen/text_out.h"

namespace brine {
namespace fishgen {

Quat rotation_key_from_quat(const Quat& q) { return {q.w, -q.x, -q.y, -q.z}; }
Quat quat_from_rotation_key(const Quat& key) { return {key.w, -key.x, -key.y, -key.z}; }

int max_bones_per_vertex(const FishModel& model) {
    int most = 0;
    for (const auto& v : model.vertices) most = std::max(most, v.influenceCount);
    return most;
}

int max_bones_per_face(const FishModel& model) {
    size_t most = 0;
    for (const auto& f : model.faces) {
        std::set<int> bones;
        for (int i : {f.a, f.b, f.c}) {
            const SkinVertex& v = model.vertices[i];
            for (int k = 0; k < v.influenceCount; ++k) bones.insert(v.bone[k]);
        }
        most = std::max(most, bones.size());
    }
    return static_cast<int>(most);
}

namespace {

const char* const kTemplates = R"(template Vector {
 <3d82ab5e-62da-11cf-ab39-0020af71e433>
 FLOAT x;
 FLOAT y;
 FLOAT z;
}

template Coords2d {
 <f6f23f44-7686-11cf-8f52-0040333594a3>
 FLOAT u;
 FLOAT v;
}

template Matrix4x4 {
 <f6f23f45-7686-11cf-8f52-0040333594a3>
 array FLOAT matrix[16];
}

template ColorRGBA {
 <35ff44e0-6c7c-11cf-8f52-0040333594a3>
 FLOAT red;
 FLOAT green;
 FLOAT blue;
 FLOAT alpha;
}

template ColorRGB {
 <d3e16e81-7835-11cf-8f52-0040333594a3>
 FLOAT red;
 FLOAT green;
 FLOAT blue;
}

template TextureFilename {
 <a42790e1-7810-11cf-8f52-0040333594a3>
 STRING filename;
}

template Material {
 <3d82ab4d-62da-11cf-ab39-0020af71e433>
 ColorRGBA faceColor;
 FLOAT power;
 ColorRGB specularColor;
 ColorRGB emissiveColor;
 [...]
}

template MeshFace {
 <3d82ab5f-62da-11cf-ab39-0020af71e433>
 DWORD nFaceVertexIndices;
 array DWORD faceVertexIndices[nFaceVertexIndices];
}

template MeshTextureCoords {
 <f6f23f40-7686-11cf-8f52-0040333594a3>
 DWORD nTextureCoords;
 array Coords2d textureCoords[nTextureCoords];
}

template MeshMaterialList {
 <f6f23f42-7686-11cf-8f52-0040333594a3>
 DWORD nMaterials;
 DWORD nFaceIndexes;
 array DWORD faceIndexes[nFaceIndexes];
 [Material <3d82ab4d-62da-11cf-ab39-0020af71e433>]
}

template MeshNormals {
 <f6f23f43-7686-11cf-8f52-0040333594a3>
 DWORD nNormals;
 array Vector normals[nNormals];
 DWORD nFaceNormals;
 array MeshFace faceNormals[nFaceNormals];
}

template Mesh {
 <3d82ab44-62da-11cf-ab39-0020af71e433>
 DWORD nVertices;
 array Vector vertices[nVertices];
 DWORD nFaces;
 array MeshFace faces[nFaces];
 [...]
}

template FrameTransformMatrix {
 <f6f23f41-7686-11cf-8f52-0040333594a3>
 Matrix4x4 frameMatrix;
}

template Frame {
 <3d82ab46-62da-11cf-ab39-0020af71e433>
 [...]
}

template FloatKeys {
 <10dd46a9-775b-11cf-8f52-0040333594a3>
 DWORD nValues;
 array FLOAT values[nValues];
}

template TimedFloatKeys {
 <f406b180-7b3b-11cf-8f52-0040333594a3>
 DWORD time;
 FloatKeys tfkeys;
}

template AnimationKey {
 <10dd46a8-775b-11cf-8f52-0040333594a3>
 DWORD keyType;
 DWORD nKeys;
 array TimedFloatKeys keys[nKeys];
}

template AnimationOptions {
 <e2bf56c0-840f-11cf-8f52-0040333594a3>
 DWORD openclosed;
 DWORD positionquality;
}

template Animation {
 <3d82ab4f-62da-11cf-ab39-0020af71e433>
 [...]
}

template AnimationSet {
 <3d82ab50-62da-11cf-ab39-0020af71e433>
 [Animation <3d82ab4f-62da-11cf-ab39-0020af71e433>]
}

template AnimTicksPerSecond {
 <9e415a43-7ba6-4a73-8743-b73d47e88476>
 DWORD AnimTicksPerSecond;
}

template XSkinMeshHeader {
 <3cf169ce-ff7c-44ab-93c0-f78f62d172e2>
 WORD nMaxSkinWeightsPerVertex;
 WORD nMaxSkinWeightsPerFace;
 WORD nBones;
}

template SkinWeights {
 <6f0d123b-bad2-4167-a0d0-80224f25fabb>
 STRING transformNodeName;
 DWORD nWeights;
 array DWORD vertexIndices[nWeights];
 array FLOAT weights[nWeights];
 Matrix4x4 matrixOffset;
}
)";

std::string r(double v) { return format_real(v); }

void write_matrix(TextOut& out, const Mat4& m, const std::string& indent) {
    out << indent;
    for (int i = 0; i < 16; ++i) {
        out << r(m.m[i]);
        out << (i < 15 ? "," : ";;");
    }
    out.end_line();
}

void write_frame(TextOut& out, const FishModel& model, int bone, const std::string& indent) {
    out.line(indent + "Frame " + model.bones[bone].name + " {");
    out.line(indent + " FrameTransformMatrix {");
    // The frame's own matrix is its pose at the first key of the first set.
    write_matrix(out, bone_key_matrix(model.animationSets[0].keys[bone][0]), indent + "  ");
    out.line(indent + " }");
    for (size_t c = 0; c < model.bones.size(); ++c)
        if (model.bones[c].parent == bone) write_frame(out, model, static_cast<int>(c), indent + " ");
    out.line(indent + "}");
}

void write_mesh(TextOut& out, const FishModel& model, const std::string& in) {
    const auto& vs = model.vertices;
    const auto& fs = model.faces;
    out.line(in + "Mesh BodyMesh {");
    out.line(in + " " + std::to_string(vs.size()) + ";");
    for (size_t i = 0; i < vs.size(); ++i)
        out.line(in + " " + r(vs[i].pos.x) + ";" + r(vs[i].pos.y) + ";" + r(vs[i].pos.z) + ";" +
                 (i + 1 < vs.size() ? "," : ";"));
    auto write_faces = [&](const std::string& ind) {
        out.line(ind + std::to_string(fs.size()) + ";");
        for (size_t i = 0; i < fs.size(); ++i)
            out.line(ind + "3;" + std::to_string(fs[i].a) + "," + std::to_string(fs[i].b) + "," +
                     std::to_string(fs[i].c) + ";" + (i + 1 < fs.size() ? "," : ";"));
    };
    write_faces(in + " ");
    out.end_line();

    out.line(in + " MeshNormals {");
    out.line(in + "  " + std::to_string(vs.size()) + ";");
    for (size_t i = 0; i < vs.size(); ++i)
        out.line(in + "  " + r(vs[i].normal.x) + ";" + r(vs[i].normal.y) + ";" + r(vs[i].normal.z) + ";" +
                 (i + 1 < vs.size() ? "," : ";"));
    write_faces(in + "  ");
    out.line(in + " }");
    out.end_line();

    out.line(in + " MeshTextureCoords {");
    out.line(in + "  " + std::to_string(vs.size()) + ";");
    for (size_t i = 0; i < vs.size(); ++i)
        out.line(in + "  " + r(vs[i].u) + ";" + r(vs[i].v) + ";" + (i + 1 < vs.size() ? "," : ";"));
    out.line(in + " }");
    out.end_line();

    out.line(in + " MeshMaterialList {");
    out.line(in + "  " + std::to_string(model.materials.size()) + ";");
    out.line(in + "  " + std::to_string(fs.size()) + ";");
    for (size_t i = 0; i < fs.size(); ++i)
        out.line(in + "  " + std::to_string(fs[i].material) + (i + 1 < fs.size() ? "," : ";"));
    for (const auto& m : model.materials) {
        out.end_line();
        out.line(in + "  Material " + m.name + " {");
        out.line(in + "   " + r(m.diffuse.r) + ";" + r(m.diffuse.g) + ";" + r(m.diffuse.b) + ";" + r(m.diffuse.a) + ";;");
        out.line(in + "   " + r(m.power) + ";");
        out.line(in + "   " + r(m.specular.r) + ";" + r(m.specular.g) + ";" + r(m.specular.b) + ";;");
        out.line(in + "   " + r(m.emissive.r) + ";" + r(m.emissive.g) + ";" + r(m.emissive.b) + ";;");
        if (!m.texture.empty()) {
            out.end_line();
            out.line(in + "   TextureFilename {");
            out.line(in + "    \"" + m.texture + "\";");
            out.line(in + "   }");
        }
        out.line(in + "  }");
    }
    out.line(in + " }");
    out.end_line();

    out.line(in + " XSkinMeshHeader {");
    out.line(in + "  " + std::to_string(max_bones_per_vertex(model)) + ";");
    out.line(in + "  " + std::to_string(max_bones_per_face(model)) + ";");
    out.line(in + "  " + std::to_string(model.bones.size()) + ";");
    out.line(in + " }");

    for (size_t b = 0; b < model.bones.size(); ++b) {
        std::vector<size_t> idx;
        std::vector<double> w;
        for (size_t i = 0; i < vs.size(); ++i)
            for (int k = 0; k < vs[i].influenceCount; ++k)
                if (vs[i].bone[k] == static_cast<int>(b)) {
                    idx.push_back(i);
                    w.push_back(vs[i].weight[k]);
                }
        out.end_line();
        out.line(in + " SkinWeights {");
        out.line(in + "  \"" + model.bones[b].name + "\";");
        out.line(in + "  " + std::to_string(idx.size()) + ";");
        for (size_t i = 0; i < idx.size(); ++i)
            out.line(in + "  " + std::to_string(idx[i]) + (i + 1 < idx.size() ? "," : ";"));
        for (size_t i = 0; i < w.size(); ++i) out.line(in + "  " + r(w[i]) + (i + 1 < w.size() ? "," : ";"));
        write_matrix(out, mat_translation(model.bones[b].bindPos * -1.0), in + "  ");
        out.line(in + " }");
    }
    out.line(in + "}");
}

void write_animation_set(TextOut& out, const FishModel& model, const AnimationSetDef& set) {
    const int ticksPerFrame = model.ticksPerSecond / model.fps;
    out.line("AnimationSet " + set.name + " {");
    for (size_t b = 0; b < model.bones.size(); ++b) {
        const auto& keys = set.keys[b];
        out.line(" Animation {");
        out.line("  { " + model.bones[b].name + " }");
        out.line("  AnimationKey {");
        out.line("   0;");
        out.line("   " + std::to_string(keys.size()) + ";");
        for (size_t f = 0; f < keys.size(); ++f) {
            Quat q = rotation_key_from_quat(quat_normalize(keys[f].rot));
            out.line("   " + std::to_string(f * ticksPerFrame) + ";4;" + r(q.w) + "," + r(q.x) + "," + r(q.y) + "," +
                     r(q.z) + ";;" + (f + 1 < keys.size() ? "," : ";"));
        }
        out.line("  }");
        out.line("  AnimationKey {");
        out.line("   2;");
        out.line("   " + std::to_string(keys.size()) + ";");
        for (size_t f = 0; f < keys.size(); ++f) {
            const Vec3& p = keys[f].pos;
            out.line("   " + std::to_string(f * ticksPerFrame) + ";3;" + r(p.x) + "," + r(p.y) + "," + r(p.z) + ";;" +
                     (f + 1 < keys.size() ? "," : ";"));
        }
        out.line("  }");
        out.line(" }");
    }
    out.line("}");
}

}  // namespace

std::string write_x_text(const FishModel& model) {
    TextOut out;
    out.line("xof 0303txt 0032");
    out.line("// " + model.model + ": skinned goldfish, " + std::to_string(model.bones.size()) + " bones, " +
             std::to_string(model.animationSets.size()) + " animation set(s)");
    out.end_line();
    out << kTemplates;
    out.end_line();
    out.line("Frame Root {");
    out.line(" FrameTransformMatrix {");
    write_matrix(out, Mat4{}, "  ");
    out.line(" }");
    for (size_t b = 0; b < model.bones.size(); ++b)
        if (model.bones[b].parent < 0) write_frame(out, model, static_cast<int>(b), " ");
    out.line(" Frame Body {");
    out.line("  FrameTransformMatrix {");
    write_matrix(out, Mat4{}, "   ");
    out.line("  }");
    write_mesh(out, model, "  ");
    out.line(" }");
    out.line("}");
    out.end_line();
    out.line("AnimTicksPerSecond {");
    out.line(" " + std::to_string(model.ticksPerSecond) + ";");
    out.line("}");
    for (const auto& set : model.animationSets) {
        out.end_line();
        write_animation_set(out, model, set);
    }
    return out.text();
}

}  // namespace fishgen
}  // namespace brine
