// Shared pieces of the skinned-mesh tests: a load context on a recording device with a texture
// loader that counts its calls, scene builders written out as X text, and a replay of recorded
// draw calls through Direct3D's fixed-function vertex blending, so blended positions can be
// compared with positions worked out by hand.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fish/mesh_resource.h"
#include "render/d3dx_math.h"
#include "tests/support/recording_device.h"
#include "tests/support/xfile_writer.h"

namespace brine {
namespace mtest {

// What the texture loader was asked, in order.
struct TextureCall {
    std::string entry, path, member;
    bool renderTarget;
    std::uint32_t mipLevels, format;
};

struct TextureLog {
    std::vector<TextureCall> calls;
    test::RecordingDevice* device = nullptr;  // gives out the fake textures
    bool fail = false;                        // every load fails, entry left empty
};

inline TextureLog& texture_log() {
    static TextureLog log;
    return log;
}

inline HResult counting_texture_loader(GraphicsDevice&, TextureResource& entry, const char* path, const char* member,
                                       bool renderTarget, std::uint32_t mipLevels, std::uint32_t format) {
    TextureLog& log = texture_log();
    log.calls.push_back({entry.name, path ? path : "(null)", member ? member : "(null)", renderTarget, mipLevels, format});
    if (log.fail) return kFail;
    entry.texture = log.device->make_texture(std::string("tex:") + entry.name);
    return kOk;
}

// A recording device, a registry and the counting loader; four blend matrices unless changed.
struct MeshBench {
    MeshBench() {
        texture_log() = TextureLog{};
        texture_log().device = &device;
        context.device = &device;
        context.caps = test::RecordingPlatform::full_caps(kDevTypeHal);
        context.registry = &registry;
        context.loadTexture = &counting_texture_loader;
    }
    ~MeshBench() { texture_log() = TextureLog{}; }

    HResult load(MeshResource& mesh, const XFileScene& scene, const char* pack = "object\\fish1.pak") {
        const std::string text = test::write_xfile(scene);
        return load_mesh_from_memory(mesh, text.data(), text.size(), pack, context);
    }
    HResult load_text(MeshResource& mesh, const std::string& text, const char* pack = "object\\fish1.pak") {
        return load_mesh_from_memory(mesh, text.data(), text.size(), pack, context);
    }

    test::RecordingDevice device;
    ResourceRegistry registry;
    MeshLoadContext context;
};

inline MeshFrame* frame_named(const MeshResource& mesh, const std::string& name) {
    for (MeshFrame* f : mesh.frameOrder)
        if (f->name == name) return f;
    return nullptr;
}

inline MeshContainer* first_container(const MeshResource& mesh) {
    for (MeshFrame* f : mesh.frameOrder)
        if (f->firstContainer) return f->firstContainer;
    return nullptr;
}

inline Matrix matrix_of(const XMatrix& x) {
    Matrix m;
    for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = x.m[i];
    return m;
}

inline XMatrix xmatrix_of(const Matrix& m) {
    XMatrix x;
    for (int i = 0; i < 16; ++i) x.m[i] = m.m[i / 4][i % 4];
    return x;
}

inline void expect_matrix_near(const Matrix& a, const Matrix& b, float tol) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.m[i / 4][i % 4], b.m[i / 4][i % 4], tol) << "element " << i;
}

inline void expect_vec_near(const Vec3& a, const Vec3& b, float tol) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

// A face of three corners.
inline void add_triangle(XMesh& m, std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    m.faceSizes.push_back(3);
    m.faceIndices.insert(m.faceIndices.end(), {a, b, c});
}

inline XBone bone(const std::string& frame, std::vector<std::uint32_t> vertices, std::vector<float> weights,
                  const Matrix& offset = matrix_identity()) {
    XBone b;
    b.frameName = frame;
    b.vertices = std::move(vertices);
    b.weights = std::move(weights);
    b.offset = xmatrix_of(offset);
    return b;
}

// Frames by (name, parent index, transform); parents must come first, as the reader stores them.
struct FrameSpec {
    std::string name;
    int parent;
    Matrix transform;
};

inline XFileScene scene_of(const std::vector<FrameSpec>& specs) {
    XFileScene s;
    s.frames.resize(specs.size());
    for (std::size_t i = 0; i < specs.size(); ++i) {
        XFrame& f = s.frames[i];
        f.name = specs[i].name;
        f.parent = specs[i].parent;
        f.transform = xmatrix_of(specs[i].transform);
        if (f.parent < 0) continue;
        XFrame& p = s.frames[std::size_t(f.parent)];
        if (p.firstChild < 0) {
            p.firstChild = int(i);
        } else {
            int last = p.firstChild;
            while (s.frames[std::size_t(last)].nextSibling >= 0) last = s.frames[std::size_t(last)].nextSibling;
            s.frames[std::size_t(last)].nextSibling = int(i);
        }
    }
    return s;
}

// One blended vertex as the fixed-function pipeline would place it.
struct DrawnVertex {
    std::uint32_t pointRep;  // the file position it came from
    Vec3 position;
    std::uint32_t blend;     // the VERTEXBLEND it was drawn with
};

// Replays recorded calls the way Direct3D's fixed-function pipeline treats them: world matrices
// 0..3 (WORLD is matrix 0) and VERTEXBLEND n persist; each draw_indexed_primitive of `mesh`
// blends the corners it draws with v' = sum(i < n) w_i (v M_i) + (1 - sum w_i)(v M_n), reading
// only the first n weights of the vertex; draws from other meshes' buffers are passed over.
// Corners outside the announced vertex range fail.
inline std::vector<DrawnVertex> replay_blend(const test::CallLog& log, const MeshGeometry& mesh,
                                             std::size_t from = 0) {
    std::vector<DrawnVertex> out;
    Matrix world[4] = {matrix_identity(), matrix_identity(), matrix_identity(), matrix_identity()};
    std::uint32_t blend = 0;
    const std::string ours = test::label_of(mesh.vertexBuffer) + ",";
    bool bound = false;
    for (std::size_t i = from; i < log.calls.size(); ++i) {
        const test::RecordedCall& call = log.calls[i];
        if (call.name == "set_stream_source") {
            bound = call.args.rfind(ours, 0) == 0;
        } else if (call.name == "set_transform") {
            unsigned k = 0;
            if (call.args.rfind("WORLD,", 0) == 0) {
                world[0] = call.matrix;
            } else if (std::sscanf(call.args.c_str(), "WORLDMATRIX(%u)", &k) == 1 && k < 4) {
                world[k] = call.matrix;
            }
        } else if (call.name == "set_render_state" && call.args.rfind("VERTEXBLEND, ", 0) == 0) {
            blend = std::uint32_t(std::stoul(call.args.substr(13)));
        } else if (call.name == "draw_indexed_primitive" && bound) {
            unsigned type, minIndex, numVertices, startIndex, count;
            int base;
            if (std::sscanf(call.args.c_str(), "%u, %d, %u, %u, %u, %u", &type, &base, &minIndex, &numVertices,
                            &startIndex, &count) != 6) {
                ADD_FAILURE() << "unreadable draw: " << call.args;
                continue;
            }
            EXPECT_LE(blend, mesh.layout.weightCount) << "the vertices hold fewer weights than the blend reads";
            for (unsigned c = startIndex; c < startIndex + count * 3; ++c) {
                const std::uint32_t v = mesh.indices.at(c);
                EXPECT_GE(v, minIndex);
                EXPECT_LT(v, minIndex + numVertices);
                const float* data = mesh.vertex(v);
                const Vec3 p{data[0], data[1], data[2]};
                Vec3 sum{0, 0, 0};
                float used = 0.0f;
                for (std::uint32_t k = 0; k <= blend && k < 4; ++k) {
                    const float w = k < blend ? data[mesh.layout.weights + int(k)] : 1.0f - used;
                    used += w;
                    sum = vec3_add(sum, vec3_scale(vec3_transform_coord(p, world[k]), w));
                }
                out.push_back({mesh.pointReps[v], sum, blend});
            }
        }
    }
    return out;
}

inline bool read_model(const std::string& name, std::string* bytes) {
    for (const char* dir : {"/usr/share/assimp/models/X/", "/usr/share/assimp-testmodels/models/X/"}) {
        std::ifstream in(std::string(dir) + name, std::ios::binary);
        if (!in) continue;
        bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return true;
    }
    return false;
}

}  // namespace mtest
}  // namespace brine
