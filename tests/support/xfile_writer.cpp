// Test-only X-file writer (see xfile_writer.h). One emitter walks the records and talks to a
// sink that either prints text with the usual separators or packs binary tokens.
#include "tests/support/xfile_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace brine {
namespace test {

namespace {

class Sink {
public:
    virtual ~Sink() = default;
    virtual void begin(const char* type, const std::string& name) = 0;
    virtual void end() = 0;
    virtual void ref(const std::string& name) = 0;
    virtual void u32(std::uint32_t v) = 0;
    virtual void f32(float v) = 0;
    virtual void str(const std::string& s) = 0;
    virtual void sep(char c) = 0;  // text only
    virtual void line() {}         // text only
};

class TextSink : public Sink {
public:
    std::string out;

    void begin(const char* type, const std::string& name) override {
        start_line();
        out += type;
        if (!name.empty()) out += " " + name;
        out += " {";
        ++depth_;
        line();
    }
    void end() override {
        --depth_;
        start_line();
        out += "}";
        line();
    }
    void ref(const std::string& name) override {
        start_line();
        out += "{ " + name + " }";
        line();
    }
    void u32(std::uint32_t v) override {
        lead();
        out += std::to_string(v);
    }
    void f32(float v) override {
        lead();
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
        out += buf;
    }
    void str(const std::string& s) override {
        lead();
        out += "\"" + s + "\"";
    }
    void sep(char c) override { out += c; }
    void line() override {
        out += "\n";
        atLineStart_ = true;
    }

private:
    void start_line() {
        if (!atLineStart_) line();
        lead();
    }
    void lead() {
        if (atLineStart_) out.append(static_cast<std::size_t>(depth_), ' ');
        atLineStart_ = false;
    }
    int depth_ = 0;
    bool atLineStart_ = true;
};

class BinarySink : public Sink {
public:
    BinarySink(int floatBits, bool compound) : double_(floatBits == 64), compound_(compound) {}
    std::string out;

    void begin(const char* type, const std::string& name) override {
        flush();
        word(1);
        bytes(type);
        if (!name.empty()) {
            word(1);
            bytes(name);
        }
        word(10);
    }
    void end() override {
        flush();
        word(11);
    }
    void ref(const std::string& name) override {
        flush();
        word(10);
        word(1);
        bytes(name);
        word(11);
    }
    void u32(std::uint32_t v) override {
        if (floats_) flush();
        ints_ = true;
        pending_.push_back(v);
        if (!compound_) flush();
    }
    void f32(float v) override {
        if (ints_) flush();
        floats_ = true;
        if (double_) {
            double d = v;
            std::uint64_t bits;
            std::memcpy(&bits, &d, 8);
            pending_.push_back(static_cast<std::uint32_t>(bits));
            pending_.push_back(static_cast<std::uint32_t>(bits >> 32));
        } else {
            std::uint32_t bits;
            std::memcpy(&bits, &v, 4);
            pending_.push_back(bits);
        }
        if (!compound_) flush();
    }
    void str(const std::string& s) override {
        flush();
        word(2);
        bytes(s);
        word(20);  // the string's terminator
    }
    void sep(char) override {}

    void flush() {
        if (!pending_.empty()) {
            word(ints_ ? 6 : 7);
            std::size_t n = ints_ || !double_ ? pending_.size() : pending_.size() / 2;
            dword(static_cast<std::uint32_t>(n));
            for (std::uint32_t v : pending_) dword(v);
        }
        pending_.clear();
        ints_ = floats_ = false;
    }

private:
    void word(std::uint16_t v) {
        out += static_cast<char>(v & 0xFF);
        out += static_cast<char>(v >> 8);
    }
    void dword(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    void bytes(const std::string& s) {
        dword(static_cast<std::uint32_t>(s.size()));
        out += s;
    }
    bool double_;
    bool compound_;
    bool ints_ = false;
    bool floats_ = false;
    std::vector<std::uint32_t> pending_;
};

class Emitter {
public:
    explicit Emitter(Sink& s) : s_(s) {}

    void scene(const XFileScene& scene) {
        if (scene.ticksPerSecond != 0) {
            s_.begin("AnimTicksPerSecond", "");
            count(scene.ticksPerSecond);
            s_.end();
        }
        if (!scene.frames.empty()) frame(scene, 0);
        for (const XAnimationSet& set : scene.animationSets) animation_set(set);
    }

private:
    // "n;" on a line of its own.
    void count(std::size_t n) {
        s_.u32(static_cast<std::uint32_t>(n));
        s_.sep(';');
        s_.line();
    }
    // A structure's members: "a;b;c;".
    void members(const float* v, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            s_.f32(v[i]);
            s_.sep(';');
        }
    }
    // An array member: "a,b,c;".
    void array(const float* v, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            s_.f32(v[i]);
            s_.sep(i + 1 < n ? ',' : ';');
        }
    }
    void matrix(const XMatrix& m) {
        array(m.m, 16);
        s_.sep(';');
        s_.line();
    }
    // Array elements end with ',' and the last with ';', one element a line.
    template <class T, class Each>
    void elements(const std::vector<T>& v, Each each) {
        for (std::size_t i = 0; i < v.size(); ++i) {
            each(v[i]);
            s_.sep(i + 1 < v.size() ? ',' : ';');
            s_.line();
        }
        if (v.empty()) {
            s_.sep(';');
            s_.line();
        }
    }
    void indices(const std::vector<std::uint32_t>& v) {
        for (std::size_t i = 0; i < v.size(); ++i) {
            s_.u32(v[i]);
            s_.sep(i + 1 < v.size() ? ',' : ';');
        }
        if (v.empty()) s_.sep(';');
        s_.line();
    }
    void vec3s(const std::vector<XVec3>& v) {
        elements(v, [&](const XVec3& p) {
            const float f[3] = {p.x, p.y, p.z};
            members(f, 3);
        });
    }
    void faces(const std::vector<std::uint32_t>& sizes, const std::vector<std::uint32_t>& idx) {
        count(sizes.size());
        std::size_t at = 0;
        for (std::size_t f = 0; f < sizes.size(); ++f) {
            s_.u32(sizes[f]);
            s_.sep(';');
            for (std::uint32_t c = 0; c < sizes[f]; ++c) {
                s_.u32(idx[at++]);
                s_.sep(c + 1 < sizes[f] ? ',' : ';');
            }
            s_.sep(f + 1 < sizes.size() ? ',' : ';');
            s_.line();
        }
        if (sizes.empty()) {
            s_.sep(';');
            s_.line();
        }
    }

    void frame(const XFileScene& scene, std::int32_t index) {
        const XFrame& f = scene.frames[index];
        s_.begin("Frame", f.name);
        s_.begin("FrameTransformMatrix", "");
        matrix(f.transform);
        s_.end();
        for (const XMesh& m : f.meshes) mesh(m);
        for (std::int32_t c = f.firstChild; c >= 0; c = scene.frames[c].nextSibling) {
            frame(scene, c);
        }
        s_.end();
    }

    void mesh(const XMesh& m) {
        s_.begin("Mesh", m.name);
        count(m.positions.size());
        vec3s(m.positions);
        faces(m.faceSizes, m.faceIndices);
        if (!m.normals.empty()) {
            s_.begin("MeshNormals", "");
            count(m.normals.size());
            vec3s(m.normals);
            faces(m.faceSizes, m.faceNormalIndices);
            s_.end();
        }
        if (!m.uvs.empty()) {
            s_.begin("MeshTextureCoords", "");
            count(m.uvs.size());
            elements(m.uvs, [&](const XVec2& uv) {
                const float f[2] = {uv.x, uv.y};
                members(f, 2);
            });
            s_.end();
        }
        if (!m.colors.empty()) {
            s_.begin("MeshVertexColors", "");
            count(m.colors.size());
            std::uint32_t index = 0;
            elements(m.colors, [&](const XColor& c) {
                s_.u32(index++);
                s_.sep(';');
                const float f[4] = {c.r, c.g, c.b, c.a};
                members(f, 4);
                s_.sep(';');
            });
            s_.end();
        }
        if (!m.materials.empty()) {
            s_.begin("MeshMaterialList", "");
            count(m.materials.size());
            count(m.faceMaterials.size());
            indices(m.faceMaterials);
            for (const XMaterial& mat : m.materials) material(mat);
            s_.end();
        }
        if (m.skinHeader.present) {
            s_.begin("XSkinMeshHeader", "");
            count(m.skinHeader.maxWeightsPerVertex);
            count(m.skinHeader.maxWeightsPerFace);
            count(m.skinHeader.boneCount);
            s_.end();
        }
        for (const XBone& b : m.bones) {
            s_.begin("SkinWeights", "");
            s_.str(b.frameName);
            s_.sep(';');
            s_.line();
            count(b.vertices.size());
            indices(b.vertices);
            array(b.weights.data(), b.weights.size());
            if (b.weights.empty()) s_.sep(';');
            s_.line();
            matrix(b.offset);
            s_.end();
        }
        s_.end();
    }

    void material(const XMaterial& m) {
        s_.begin("Material", "");
        members(m.diffuse, 4);
        s_.sep(';');
        s_.line();
        members(&m.power, 1);
        s_.line();
        members(m.specular, 3);
        s_.sep(';');
        s_.line();
        members(m.emissive, 3);
        s_.sep(';');
        s_.line();
        if (!m.textureFile.empty()) {
            s_.begin("TextureFilename", "");
            s_.str(m.textureFile);
            s_.sep(';');
            s_.line();
            s_.end();
        }
        s_.end();
    }

    void animation_set(const XAnimationSet& set) {
        s_.begin("AnimationSet", set.name);
        for (const XAnimation& a : set.animations) {
            s_.begin("Animation", a.name);
            if (!a.frameName.empty()) s_.ref(a.frameName);
            if (!a.rotationKeys.empty()) {
                key_header(kXKeyRotation, a.rotationKeys.size());
                elements(a.rotationKeys, [&](const XRotationKey& k) {
                    const float f[4] = {k.w, k.x, k.y, k.z};
                    key_values(k.time, f, 4);
                });
                s_.end();
            }
            vector_keys(kXKeyScale, a.scaleKeys);
            vector_keys(kXKeyPosition, a.positionKeys);
            if (!a.matrixKeys.empty()) {
                key_header(kXKeyMatrixAlt, a.matrixKeys.size());
                elements(a.matrixKeys, [&](const XMatrixKey& k) { key_values(k.time, k.value.m, 16); });
                s_.end();
            }
            if (a.hasOptions) {
                s_.begin("AnimationOptions", "");
                count(a.openClosed);
                count(a.positionQuality);
                s_.end();
            }
            s_.end();
        }
        s_.end();
    }

    void key_header(std::uint32_t type, std::size_t n) {
        s_.begin("AnimationKey", "");
        count(type);
        count(n);
    }
    // "time;n;v1,v2,...;;"
    void key_values(std::uint32_t time, const float* v, std::size_t n) {
        s_.u32(time);
        s_.sep(';');
        s_.u32(static_cast<std::uint32_t>(n));
        s_.sep(';');
        array(v, n);
        s_.sep(';');
    }
    void vector_keys(std::uint32_t type, const std::vector<XVectorKey>& keys) {
        if (keys.empty()) return;
        key_header(type, keys.size());
        elements(keys, [&](const XVectorKey& k) {
            const float f[3] = {k.value.x, k.value.y, k.value.z};
            key_values(k.time, f, 3);
        });
        s_.end();
    }

    Sink& s_;
};

}  // namespace

std::string write_xfile(const XFileScene& scene, const XWriteOptions& options) {
    std::string header = "xof 0303";
    header += options.binary ? "bin " : "txt ";
    header += options.floatBits == 64 ? "0064" : "0032";
    if (options.binary) {
        BinarySink sink(options.floatBits, options.compoundLists);
        Emitter(sink).scene(scene);
        sink.flush();
        return header + sink.out;
    }
    TextSink sink;
    Emitter(sink).scene(scene);
    return header + "\n" + sink.out;
}

std::string compress_xfile(const std::string& file, const XCompressOptions& options) {
    if (file.size() < 16) return file;
    std::string out = file.substr(0, 16);
    if (out.compare(8, 4, "txt ") == 0) out.replace(8, 4, "tzip");
    if (out.compare(8, 4, "bin ") == 0) out.replace(8, 4, "bzip");
    auto put16 = [&](std::size_t v) {
        out += static_cast<char>(v & 0xFF);
        out += static_cast<char>((v >> 8) & 0xFF);
    };
    std::uint32_t total = static_cast<std::uint32_t>(file.size());
    for (int i = 0; i < 4; ++i) out += static_cast<char>((total >> (8 * i)) & 0xFF);

    z_stream z{};
    deflateInit2(&z, options.level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    const auto* body = reinterpret_cast<const Bytef*>(file.data()) + 16;
    std::size_t size = file.size() - 16;
    std::vector<Bytef> buf(deflateBound(&z, static_cast<uLong>(options.chunkBytes)) + 64);
    for (std::size_t at = 0; at < size; at += options.chunkBytes) {
        std::size_t n = std::min(options.chunkBytes, size - at);
        deflateReset(&z);
        if (options.chainDictionary && at > 0) {
            std::size_t dict = std::min<std::size_t>(32768, at);
            deflateSetDictionary(&z, body + at - dict, static_cast<uInt>(dict));
        }
        z.next_in = const_cast<Bytef*>(body + at);
        z.avail_in = static_cast<uInt>(n);
        z.next_out = buf.data();
        z.avail_out = static_cast<uInt>(buf.size());
        deflate(&z, Z_FINISH);
        std::size_t packed = buf.size() - z.avail_out;
        put16(n);
        put16(packed + 2);
        out += "CK";
        out.append(reinterpret_cast<const char*>(buf.data()), packed);
    }
    deflateEnd(&z);
    return out;
}

}  // namespace test
}  // namespace brine
