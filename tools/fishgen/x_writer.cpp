// The X text writer: standard templates first, then the frames, the skinned mesh and the
// animation sets, with every number in one fixed format. Must not depend on the program's code.
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

// Appends to one string; the files are megabytes of small numbers, so no temporaries.
class XOut {
public:
    XOut& operator<<(const char* t) {
        s_ += t;
        return *this;
    }
    XOut& operator<<(const std::string& t) {
        s_ += t;
        return *this;
    }
    XOut& operator<<(size_t v) {
        s_ += std::to_string(v);
        return *this;
    }
    XOut& operator<<(int v) {
        s_ += std::to_string(v);
        return *this;
    }
    XOut& real(double v) {
        append_real(&s_, v);
        return *this;
    }
    const char* sep(bool last) const { return last ? ";" : ","; }
    std::string& text() { return s_; }

private:
    std::string s_;
};

void write_matrix(XOut& out, const Mat4& m, const std::string& indent) {
    out << indent;
    for (int i = 0; i < 16; ++i) out.real(m.m[i]) << (i < 15 ? "," : ";;");
    out << "\n";
}

void write_frame(XOut& out, const FishModel& model, int bone, const std::string& indent) {
    out << indent << "Frame " << model.bones[bone].name << " {\n";
    out << indent << " FrameTransformMatrix {\n";
    // The frame's own matrix is its pose at the first key of the first set.
    write_matrix(out, bone_key_matrix(model.animationSets[0].keys[bone][0]), indent + "  ");
    out << indent << " }\n";
    for (size_t c = 0; c < model.bones.size(); ++c)
        if (model.bones[c].parent == bone) write_frame(out, model, static_cast<int>(c), indent + " ");
    out << indent << "}\n";
}

void write_faces(XOut& out, const std::vector<Face>& fs, const std::string& in) {
    out << in << fs.size() << ";\n";
    for (size_t i = 0; i < fs.size(); ++i)
        out << in << "3;" << fs[i].a << "," << fs[i].b << "," << fs[i].c << ";" << out.sep(i + 1 == fs.size()) << "\n";
}

void write_mesh(XOut& out, const FishModel& model, const std::string& in) {
    const auto& vs = model.vertices;
    const auto& fs = model.faces;
    out << in << "Mesh BodyMesh {\n";
    out << in << " " << vs.size() << ";\n";
    for (size_t i = 0; i < vs.size(); ++i) {
        out << in << " ";
        out.real(vs[i].pos.x) << ";";
        out.real(vs[i].pos.y) << ";";
        out.real(vs[i].pos.z) << ";" << out.sep(i + 1 == vs.size()) << "\n";
    }
    write_faces(out, fs, in + " ");
    out << "\n";

    out << in << " MeshNormals {\n";
    out << in << "  " << vs.size() << ";\n";
    for (size_t i = 0; i < vs.size(); ++i) {
        out << in << "  ";
        out.real(vs[i].normal.x) << ";";
        out.real(vs[i].normal.y) << ";";
        out.real(vs[i].normal.z) << ";" << out.sep(i + 1 == vs.size()) << "\n";
    }
    write_faces(out, fs, in + "  ");
    out << in << " }\n\n";

    out << in << " MeshTextureCoords {\n";
    out << in << "  " << vs.size() << ";\n";
    for (size_t i = 0; i < vs.size(); ++i) {
        out << in << "  ";
        out.real(vs[i].u) << ";";
        out.real(vs[i].v) << ";" << out.sep(i + 1 == vs.size()) << "\n";
    }
    out << in << " }\n\n";

    out << in << " MeshMaterialList {\n";
    out << in << "  " << model.materials.size() << ";\n";
    out << in << "  " << fs.size() << ";\n";
    for (size_t i = 0; i < fs.size(); ++i) out << in << "  " << fs[i].material << out.sep(i + 1 == fs.size()) << "\n";
    for (const auto& m : model.materials) {
        out << "\n" << in << "  Material " << m.name << " {\n";
        out << in << "   ";
        out.real(m.diffuse.r) << ";";
        out.real(m.diffuse.g) << ";";
        out.real(m.diffuse.b) << ";";
        out.real(m.diffuse.a) << ";;\n";
        out << in << "   ";
        out.real(m.power) << ";\n";
        out << in << "   ";
        out.real(m.specular.r) << ";";
        out.real(m.specular.g) << ";";
        out.real(m.specular.b) << ";;\n";
        out << in << "   ";
        out.real(m.emissive.r) << ";";
        out.real(m.emissive.g) << ";";
        out.real(m.emissive.b) << ";;\n";
        if (!m.texture.empty()) {
            out << "\n" << in << "   TextureFilename {\n";
            out << in << "    \"" << m.texture << "\";\n";
            out << in << "   }\n";
        }
        out << in << "  }\n";
    }
    out << in << " }\n\n";

    out << in << " XSkinMeshHeader {\n";
    out << in << "  " << max_bones_per_vertex(model) << ";\n";
    out << in << "  " << max_bones_per_face(model) << ";\n";
    out << in << "  " << model.bones.size() << ";\n";
    out << in << " }\n";

    for (size_t b = 0; b < model.bones.size(); ++b) {
        std::vector<size_t> idx;
        std::vector<double> w;
        for (size_t i = 0; i < vs.size(); ++i)
            for (int k = 0; k < vs[i].influenceCount; ++k)
                if (vs[i].bone[k] == static_cast<int>(b)) {
                    idx.push_back(i);
                    w.push_back(vs[i].weight[k]);
                }
        out << "\n" << in << " SkinWeights {\n";
        out << in << "  \"" << model.bones[b].name << "\";\n";
        out << in << "  " << idx.size() << ";\n";
        for (size_t i = 0; i < idx.size(); ++i) out << in << "  " << idx[i] << out.sep(i + 1 == idx.size()) << "\n";
        for (size_t i = 0; i < w.size(); ++i) {
            out << in << "  ";
            out.real(w[i]) << out.sep(i + 1 == w.size()) << "\n";
        }
        write_matrix(out, mat_translation(model.bones[b].bindPos * -1.0), in + "  ");
        out << in << " }\n";
    }
    out << in << "}\n";
}

void write_animation_set(XOut& out, const FishModel& model, const AnimationSetDef& set) {
    const size_t ticksPerFrame = static_cast<size_t>(model.ticksPerSecond / model.fps);
    out << "AnimationSet " << set.name << " {\n";
    for (size_t b = 0; b < model.bones.size(); ++b) {
        const auto& keys = set.keys[b];
        out << " Animation {\n";
        out << "  { " << model.bones[b].name << " }\n";
        out << "  AnimationKey {\n   0;\n   " << keys.size() << ";\n";
        for (size_t f = 0; f < keys.size(); ++f) {
            Quat q = rotation_key_from_quat(quat_normalize(keys[f].rot));
            out << "   " << f * ticksPerFrame << ";4;";
            out.real(q.w) << ",";
            out.real(q.x) << ",";
            out.real(q.y) << ",";
            out.real(q.z) << ";;" << (f + 1 < keys.size() ? "," : ";") << "\n";
        }
        out << "  }\n";
        out << "  AnimationKey {\n   2;\n   " << keys.size() << ";\n";
        for (size_t f = 0; f < keys.size(); ++f) {
            const Vec3& p = keys[f].pos;
            out << "   " << f * ticksPerFrame << ";3;";
            out.real(p.x) << ",";
            out.real(p.y) << ",";
            out.real(p.z) << ";;" << (f + 1 < keys.size() ? "," : ";") << "\n";
        }
        out << "  }\n";
        out << " }\n";
    }
    out << "}\n";
}

}  // namespace

std::string write_x_text(const FishModel& model) {
    XOut out;
    out << "xof 0303txt 0032\n";
    out << "// " << model.model << ": skinned goldfish, " << model.bones.size() << " bones, "
        << model.animationSets.size() << " animation set(s)\n\n";
    out << kTemplates << "\n";
    out << "Frame Root {\n FrameTransformMatrix {\n";
    write_matrix(out, Mat4{}, "  ");
    out << " }\n";
    for (size_t b = 0; b < model.bones.size(); ++b)
        if (model.bones[b].parent < 0) write_frame(out, model, static_cast<int>(b), " ");
    out << " Frame Body {\n  FrameTransformMatrix {\n";
    write_matrix(out, Mat4{}, "   ");
    out << "  }\n";
    write_mesh(out, model, "  ");
    out << " }\n}\n\n";
    out << "AnimTicksPerSecond {\n " << model.ticksPerSecond << ";\n}\n";
    for (const auto& set : model.animationSets) {
        out << "\n";
        write_animation_set(out, model, set);
    }
    return std::move(out.text());
}

}  // namespace fishgen
}  // namespace brine
