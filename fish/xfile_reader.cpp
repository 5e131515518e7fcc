// Reads the data objects of an X file into the records of xfile_reader.h. Objects are read by
// what their templates are known to hold, never by the file's own template declarations (which
// are skipped); separators are not checked, since exporters disagree about them. Every count is
// checked against the data that remains before anything is reserved for it.
// Depends on the tokenisers, the MSZIP framing, base/ and the standard library only.
#include "fish/xfile_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>
#include <unordered_map>
#include <utility>

#include "base/sjis.h"
#include "fish/xfile_mszip.h"
#include "fish/xfile_tokens.h"

namespace brine {

namespace {

using xfile::Token;
using xfile::TokenKind;
using xfile::Tokenizer;

constexpr std::size_t kHeaderBytes = 16;

struct TempFrame {
    XFrame frame;
    std::vector<std::int32_t> children;
};

// Exporters double the backslashes of paths; Windows reads "a\\b" as "a\b", and pack members are
// found by exact name, so one is kept. A 0x5C that is the second byte of a Shift-JIS character
// is left alone.
std::string collapse_backslashes(const std::string& in) {
    std::string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        if (is_sjis_lead(c) && i + 1 < in.size()) {
            out += in[i];
            out += in[++i];
            continue;
        }
        out += in[i];
        if (c == '\\' && i + 1 < in.size() && in[i + 1] == '\\') ++i;
    }
    return out;
}

// A text word that stands for a value rather than a name: a stray member that an exporter
// wrote more of than its count says.
bool is_value_word(const Token& t) {
    if (t.kind != TokenKind::Word || t.length == 0) return false;
    char c = t.text[0];
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
}

class Reader {
public:
    Reader(Tokenizer& tok, const XFileLimits& limits) : tok_(tok), limits_(limits) {}

    HResult run(XFileScene* out);

private:
    bool charge(std::size_t count, std::size_t elementBytes);
    HResult charge_name(const std::string& name) {
        return charge(name.size(), 1) ? kOk : kOutOfMemory;
    }

    Token next_value();
    HResult read_uint(std::uint32_t* v);
    HResult read_float(float* v);
    HResult read_floats(float* v, std::size_t n);
    HResult read_string(std::string* s);
    HResult read_count(std::uint32_t* n, std::size_t valuesEach);
    HResult read_matrix(XMatrix* m) { return read_floats(m->m, 16); }

    HResult read_head(std::string* name);
    HResult read_reference(std::string* name);
    HResult next_child(Token* t, bool* done);
    HResult skip_body();
    HResult skip_object();
    HResult skip_template();
    HResult finish_object();

    HResult parse_frame(std::int32_t parent, int depth, std::int32_t* index);
    HResult parse_transform(XMatrix* m, int depth);
    HResult parse_mesh(XMesh* mesh, int depth);
    HResult parse_normals(XMesh* mesh, int depth);
    HResult parse_uvs(XMesh* mesh, int depth);
    HResult parse_colors(XMesh* mesh, int depth);
    HResult parse_material_list(XMesh* mesh, int depth);
    HResult parse_material(XMaterial* material, int depth);
    HResult parse_texture_filename(std::string* file, int depth);
    HResult parse_skin_header(XMesh* mesh, int depth);
    HResult parse_skin_weights(XMesh* mesh, int depth);
    HResult parse_ticks(int depth);
    HResult parse_animation_set(int depth);
    HResult parse_animation(XAnimation* anim, int depth);
    HResult parse_animation_key(XAnimation* anim, int depth);
    HResult parse_animation_options(XAnimation* anim, int depth);

    HResult enter(int depth) const { return depth > limits_.maxDepth ? kFail : kOk; }
    HResult build(XFileScene* out);

    Tokenizer& tok_;
    const XFileLimits& limits_;
    std::size_t charged_ = 0;

    std::vector<TempFrame> frames_;
    std::vector<std::int32_t> topLevel_;
    std::int32_t looseMeshFrame_ = -1;
    std::unordered_map<std::string, XMaterial> namedMaterials_;
    std::vector<XAnimationSet> sets_;
    std::uint32_t ticksPerSecond_ = 0;
};

// Every step of reading can fail; the first failure ends the read.
#define XF_TRY(expr)                                   \
    do {                                               \
        HResult xfTryResult_ = (expr);                 \
        if (failed(xfTryResult_)) return xfTryResult_; \
    } while (0)

bool Reader::charge(std::size_t count, std::size_t elementBytes) {
    std::size_t room = limits_.maxModelBytes - charged_;
    if (elementBytes != 0 && count > room / elementBytes) return false;
    charged_ += count * elementBytes;
    return true;
}

// Separators and GUIDs carry nothing a member needs.
Token Reader::next_value() {
    for (;;) {
        Token t = tok_.next();
        if (t.kind != TokenKind::Separator && t.kind != TokenKind::Guid) return t;
    }
}

HResult Reader::read_uint(std::uint32_t* v) {
    Token t = next_value();
    if (t.kind == TokenKind::Number) {
        if (!t.isFloat) {
            *v = t.intValue;
            return kOk;
        }
        double d = t.floatValue;
        if (d >= 0.0 && d <= 4294967295.0 && d == std::floor(d)) {
            *v = static_cast<std::uint32_t>(d);
            return kOk;
        }
        return kFail;
    }
    if (t.kind == TokenKind::Word && !tok_.binary()) {
        return xfile::parse_text_uint(t.text, t.length, v) ? kOk : kFail;
    }
    return kFail;
}

HResult Reader::read_float(float* v) {
    Token t = next_value();
    double d = 0.0;
    if (t.kind == TokenKind::Number) {
        d = t.floatValue;
    } else if (t.kind == TokenKind::Word && !tok_.binary()) {
        if (!xfile::parse_text_float(t.text, t.length, &d)) return kFail;
    } else {
        return kFail;
    }
    float f = static_cast<float>(d);
    *v = std::isfinite(f) ? f : 0.0f;  // doubles beyond float range
    return kOk;
}

HResult Reader::read_floats(float* v, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) XF_TRY(read_float(v + i));
    return kOk;
}

HResult Reader::read_string(std::string* s) {
    Token t = next_value();
    if (t.kind != TokenKind::String) return kFail;
    if (!charge(t.length, 1)) return kOutOfMemory;
    s->assign(t.text, t.length);
    return kOk;
}

HResult Reader::read_count(std::uint32_t* n, std::size_t valuesEach) {
    XF_TRY(read_uint(n));
    if (valuesEach != 0 && *n > tok_.max_values_left() / valuesEach) return kFail;
    return kOk;
}

// After the template name: an optional instance name and GUID, then the opening brace.
HResult Reader::read_head(std::string* name) {
    Token t = tok_.next();
    if (t.kind == TokenKind::Word) {
        if (name) {
            XF_TRY(charge_name(t.str()));
            *name = t.str();
        }
        t = tok_.next();
    }
    if (t.kind == TokenKind::Guid) t = tok_.next();
    return t.kind == TokenKind::OpenBrace ? kOk : kFail;
}

// After the '{' of a reference: "{ Name }", "{ Name <guid> }" or "{ <guid> }".
HResult Reader::read_reference(std::string* name) {
    for (;;) {
        Token t = tok_.next();
        switch (t.kind) {
        case TokenKind::CloseBrace:
            return kOk;
        case TokenKind::Word:
            if (name && name->empty()) {
                XF_TRY(charge_name(t.str()));
                *name = t.str();
            }
            break;
        case TokenKind::Guid:
        case TokenKind::Separator:
            break;
        default:
            return kFail;
        }
    }
}

// The next child of a known object: a data object's template name (Word) or the '{' of a
// reference. Values beyond what the object's template holds are passed over.
HResult Reader::next_child(Token* t, bool* done) {
    *done = false;
    for (;;) {
        *t = tok_.next();
        switch (t->kind) {
        case TokenKind::CloseBrace:
            *done = true;
            return kOk;
        case TokenKind::OpenBrace:
            return kOk;
        case TokenKind::Word:
            if (is_value_word(*t)) break;
            return kOk;
        case TokenKind::Number:
        case TokenKind::String:
        case TokenKind::Guid:
        case TokenKind::Separator:
            break;
        default:
            return kFail;
        }
    }
}

// After an object's '{': everything up to its matching '}', without recursion.
HResult Reader::skip_body() {
    std::size_t open = 1;
    while (open > 0) {
        Token t = tok_.next();
        if (t.kind == TokenKind::OpenBrace) {
            ++open;
        } else if (t.kind == TokenKind::CloseBrace) {
            --open;
        } else if (t.kind == TokenKind::End || t.kind == TokenKind::Error) {
            return kFail;
        }
    }
    return kOk;
}

HResult Reader::skip_object() {
    XF_TRY(read_head(nullptr));
    return skip_body();
}

HResult Reader::skip_template() {
    for (;;) {
        Token t = tok_.next();
        if (t.kind == TokenKind::OpenBrace) return skip_body();
        if (t.kind != TokenKind::Word && t.kind != TokenKind::Guid) return kFail;
    }
}

// The rest of an object whose members have been read: unknown children and references skipped.
HResult Reader::finish_object() {
    for (;;) {
        Token t;
        bool done = false;
        XF_TRY(next_child(&t, &done));
        if (done) return kOk;
        if (t.kind == TokenKind::OpenBrace) {
            XF_TRY(read_reference(nullptr));
        } else {
            XF_TRY(skip_object());
        }
    }
}

HResult Reader::parse_frame(std::int32_t parent, int depth, std::int32_t* index) {
    XF_TRY(enter(depth));
    std::string name;
    XF_TRY(read_head(&name));
    if (!charge(1, sizeof(TempFrame))) return kOutOfMemory;
    std::int32_t self = static_cast<std::int32_t>(frames_.size());
    frames_.emplace_back();
    frames_[self].frame.name = std::move(name);
    if (parent >= 0) frames_[parent].children.push_back(self);
    *index = self;

    for (;;) {
        Token t;
        bool done = false;
        XF_TRY(next_child(&t, &done));
        if (done) return kOk;
        if (t.kind == TokenKind::OpenBrace) {
            XF_TRY(read_reference(nullptr));  // instancing by reference is not supported
        } else if (t.is("Frame")) {
            std::int32_t child = -1;
            XF_TRY(parse_frame(self, depth + 1, &child));
        } else if (t.is("FrameTransformMatrix")) {
            XMatrix m;
            XF_TRY(parse_transform(&m, depth + 1));
            frames_[self].frame.transform = m;
        } else if (t.is("Mesh")) {
            XMesh mesh;
            XF_TRY(parse_mesh(&mesh, depth + 1));
            if (!charge(1, sizeof(XMesh))) return kOutOfMemory;
            frames_[self].frame.meshes.push_back(std::move(mesh));
        } else {
            XF_TRY(skip_object());
        }
    }
}

HResult Reader::parse_transform(XMatrix* m, int depth) {
    XF_TRY(enter(depth));
    XF_TRY(read_head(nullptr));
    XF_TRY(read_matrix(m));
    return finish_object();
}

HResult Reader::parse_mesh(XMesh* mesh, int depth) {
    XF_TRY(enter(depth));
    XF_TRY(read_head(&mesh->name));

    std::uint32_t vertexCount = 0;
    XF_TRY(read_count(&vertexCount, 3));
    if (!charge(vertexCount, sizeof(XVec3))) return kOutOfMemory;
    mesh->positions.resize(vertexCount);
    for (XVec3& v : mesh->positions) {
        XF_TRY(read_float(&v.x));
        XF_TRY(read_float(&v.y));
        XF_TRY(read_float(&v.z));
    }

    std::uint32_t faceCount = 0;
    XF_TRY(read_count(&faceCount, 1));
    if (!charge(faceCount, sizeof(std::uint32_t))) return kOutOfMemory;
    mesh->faceSizes.reserve(faceCount);
    for (std::uint32_t f = 0; f < faceCount; ++f) {
        std::uint32_t corners = 0;
        XF_TRY(read_count(&corners, 1));
        if (!charge(corners, sizeof(std::uint32_t))) return kOutOfMemory;
        mesh->faceSizes.push_back(corners);
        for (std::uint32_t c = 0; c < corners; ++c) {
            std::uint32_t index = 0;
            XF_TRY(read_uint(&index));
            if (index >= vertexCount) return kFail;
            mesh->faceIndices.push_back(index);
        }
    }

    for (;;) {
        Token t;
        bool done = false;
        XF_TRY(next_child(&t, &done));
        if (done) return kOk;
        if (t.kind == TokenKind::OpenBrace) {
            XF_TRY(read_reference(nullptr));
        } else if (t.is("MeshNormals")) {
            XF_TRY(parse_normals(mesh, depth + 1));
        } else if (t.is("MeshTextureCoords")) {
            XF_TRY(parse_uvs(mesh, depth + 1));
        } else if (t.is("MeshVertexColors")) {
            XF_TRY(parse_colors(mesh, depth + 1));
        } else if (t.is("MeshMaterialList")) {
            XF_TRY(parse_material_list(mesh, depth + 1));
        } else if (t.is("XSkinMeshHeader")) {
            XF_TRY(parse_skin_header(mesh, depth + 1));
        } else if (t.is("SkinWeights")) {
            XF_TRY(parse_skin_weights(mesh, depth + 1));
        } else {
            XF_TRY(skip_object());
        }
    }
}

// D3DX refuses normals whose faces do not match the mesh's, and so does this.
HResult Reader::parse_normals(XMesh* mesh, int depth) {
    XF_TRY(enter(depth));
    XF_TRY(read_head(nullptr));
    std::uint32_t normalCount = 0;
    XF_TRY(read_count(&normalCount, 3));
    if (!charge(normalCount, sizeof(XVec3))) return kOutOfMemory;
    mesh->normals.assign(normalCount, XVec3{});
    for (XVec3& n : mesh->normals) {
        XF_TRY(read_float(&n.x));
        XF_TRY(read_float(&n.y));
        XF_TRY(read_float(&n.z));
    }
    std::uint32_t faceCount = 0;
    XF_TRY(read_uint(&faceCount));
    if (faceCount != mesh->faceSizes.size()) return kFail;
    if (!charge(mesh->faceIndices.size(), sizeof(std::uint32_t))) return kOutOfMemory;
    mesh->faceNormalIndices.clear();
    mesh->faceNormalIndices.reserve(mesh->faceIndices.size());
    for (std::uint32_t f = 0; f < faceCount; ++f) {
        std::uint32_t corners = 0;
        XF_TRY(read_uint(&corners));
        if (corners != mesh->faceSizes[f]) return kFail;
        for (std::uint32_t c = 0; c < corners; ++c) {
            std::uint32_t index = 0;
            XF_TRY(read_uint(&index));
            if (index >= normalCount) return kFail;
            mesh->faceNormalIndices.push_back(index);
        }
    }
    return finish_object();
}

HResult Reader::parse_uvs(XMesh* mesh, int depth) {
    XF_TRY(enter(depth));
    XF_TRY(read_head(nullptr));
    std::uint32_t count = 0;
    XF_TRY(read_count(&count, 2));
    if (count != mesh->positions.size()) return kFail;
    if (!charge(count, sizeof(XVec2))) return kOutOfMemory;
    mesh->uvs.assign(count, XVec2{});
    for (XVec2& uv : mesh->uvs) {
        XF_TRY(read_float(&uv.x));
        XF_TRY(read_float(&uv.y));
    }
    return finish_object();
}

HResult Reader::parse_colors(XMesh* mesh, int depth) {
    XF_TRY(enter(depth));
    XF_TRY(read_head(nullptr));
    std::uint32_t count = 0;
    XF_TRY(read_count(&count, 5));
    if (!charge(mesh->positions.size(), sizeof(XColor))) return kOutOfMemory;
    mesh->colors.assign(mesh->positions.size(), XColor{});
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t vertex = 0;
        XF_TRY(read_uint(&vertex));
        if (vertex >= mesh->positions.size()) return kFail;
        XColor& c = mesh->colors[vertex];
        XF_TRY(read_float(&c.r));
        XF_TRY(read_float(&c.g));
        XF_TRY(read_float(&c.b));
        XF_TRY(read_float(&c.a));
    }
    return finish_object();
}

HResult Reader::parse_material_list(XMesh* mesh, int depth) {
    XF_TRY(enter(depth));
    XF_TRY(read_head(nullptr));
    std::uint32_t materialCount = 0;
    std::uint32_t indexCount = 0;
    XF_TRY(read_count(&materialCount, 1));
    XF_TRY(read_count(&indexCount, 1));
    const std::size_t faceCount = mesh->faceSizes.size();
    if (!charge(std::max<std::size_t>(indexCount, faceCount), sizeof(std::uint32_t))) {
        return kOutOfMemory;
    }
    std::vector<std::uint32_t> indices(indexCount);
    for (std::uint32_t& i : indices) XF_TRY(read_uint(&i));

    mesh->faceMaterials.clear();
    mesh->materials.clear();
    if (materialCount > 0) {
        // One index for many faces (some exporters) stands for all of them.
        if (indexCount == 1 && faceCount > 1) {
            indices.assign(faceCount, indices[0]);
        } else if (indexCount != faceCount) {
            return kFail;
        }
        for (std::uint32_t i : indices) {
            if (i >= materialCount) return kFail;
        }
        mesh->faceMaterials = std::move(indices);
    }

    std::vector<XMaterial> materials;
    for (;;) {
        Token t;
        bool done = false;
        XF_TRY(next_child(&t, &done));
        if (done) break;
        XMaterial material;
        if (t.kind == TokenKind::OpenBrace) {
            std::string name;
            XF_TRY(read_reference(&name));
            auto found = namedMaterials_.find(name);
            if (found != namedMaterials_.end()) material = found->second;
        } else if (t.is("Material")) {
            XF_TRY(parse_material(&material, depth + 1));
        } else {
            XF_TRY(skip_object());
            continue;
        }
        if (!charge(1, sizeof(XMaterial) + material.textureFile.size())) return kOutOfMemory;
        materials.push_back(std::move(material));
    }
    if (materialCount > 0) {
        if (materials.size() < materialCount &&
            !charge(materialCount - materials.size(), sizeof(XMaterial))) {
            return kOutOfMemory;
        }
        materials.resize(materialCount);
        mesh->materials = std::move(materials);
    }
    return kOk;
}

HResult Reader::parse_material(XMaterial* material, int depth) {
    XF_TRY(enter(depth));
    std::string name;
    XF_TRY(read_head(&name));
    XF_TRY(read_floats(material->diffuse, 4));
    XF_TRY(read_float(&material->power));
    XF_TRY(read_floats(material->specular, 3));
    XF_TRY(read_floats(material->emissive, 3));
    for (;;) {
        Token t;
        bool done = false;
        XF_TRY(next_child(&t, &done));
        if (done) break;
        if (t.kind == TokenKind::OpenBrace) {
            XF_TRY(read_reference(nullptr));
        } else if (t.is("TextureFilename") || t.is("TextureFileName")) {
            XF_TRY(parse_texture_filename(&material->textureFile, depth + 1));
        } else {
            XF_TRY(skip_object());
        }
    }
    if (!name.empty()) {
        if (!charge(1, sizeof(XMaterial) + name.size() + material->textureFile.size())) {
            return kOutOfMemory;
        }
        namedMaterials_[name] = *material;
    }
    return kOk;
}

HResult Reader::parse_texture_filename(std::string* file, int depth) {
    XF_TRY(enter(depth));
    XF_TRY(read_head(nullptr));
    std::string raw;
    XF_TRY(read_string(&raw));
    *file = collapse_backslashes(raw);
    return finish_object();
}

HResult Reader::parse_skin_header(XMesh* mesh, int depth) {
    XF_TRY(enter(depth));
    XF_TRY(read_head(nullptr));
    XSkinHeader& h = mesh->skinHeader;
    XF_TRY(read_uint(&h.maxWeightsPerVertex));
    XF_TRY(read_uint(&h.maxWeightsPerFace));
    XF_TRY(read_uint(&h.boneCount));
    h.present = true;
    return finish_object();
}

HResult Reader::parse_skin_weights(XMesh* mesh, int depth) {
    XF_TRY(enter(depth));
    XF_TRY(read_head(nullptr));
    XBone bone;
    XF_TRY(read_string(&bone.frameName));
    std::uint32_t count = 0;
    XF_TRY(read_count(&count, 2));
    if (!charge(count, sizeof(std::uint32_t) + sizeof(float))) return kOutOfMemory;
    bone.vertices.resize(count);
    bone.weights.resize(count);
    for (std::uint32_t& v : bone.vertices) {
        XF_TRY(read_uint(&v));
        if (v >= mesh->positions.size()) return kFail;
    }
    XF_TRY(read_floats(bone.weights.data(), count));
    XF_TRY(read_matrix(&bone.offset));
    XF_TRY(finish_object());
    if (!charge(1, sizeof(XBone))) return kOutOfMemory;
    mesh->bones.push_back(std::move(bone));
    return kOk;
}

HResult Reader::parse_ticks(int depth) {
    XF_TRY(enter(depth));
    XF_TRY(read_head(nullptr));
    XF_TRY(read_uint(&ticksPerSecond_));
    return finish_object();
}

HResult Reader::parse_animation_set(int depth) {
    XF_TRY(enter(depth));
    XAnimationSet set;
    XF_TRY(read_head(&set.name));
    for (;;) {
        Token t;
        bool done = false;
        XF_TRY(next_child(&t, &done));
        if (done) break;
        if (t.kind == TokenKind::OpenBrace) {
            XF_TRY(read_reference(nullptr));
        } else if (t.is("Animation")) {
            XAnimation anim;
            XF_TRY(parse_animation(&anim, depth + 1));
            if (!charge(1, sizeof(XAnimation))) return kOutOfMemory;
            set.animations.push_back(std::move(anim));
        } else {
            XF_TRY(skip_object());
        }
    }
    if (!charge(1, sizeof(XAnimationSet))) return kOutOfMemory;
    sets_.push_back(std::move(set));
    return kOk;
}

HResult Reader::parse_animation(XAnimation* anim, int depth) {
    XF_TRY(enter(depth));
    XF_TRY(read_head(&anim->name));
    for (;;) {
        Token t;
        bool done = false;
        XF_TRY(next_child(&t, &done));
        if (done) return kOk;
        if (t.kind == TokenKind::OpenBrace) {
            // The animated frame; exporters put it before or after the keys.
            XF_TRY(read_reference(&anim->frameName));
        } else if (t.is("AnimationKey")) {
            XF_TRY(parse_animation_key(anim, depth + 1));
        } else if (t.is("AnimationOptions")) {
            XF_TRY(parse_animation_options(anim, depth + 1));
        } else {
            XF_TRY(skip_object());
        }
    }
}

HResult Reader::parse_animation_key(XAnimation* anim, int depth) {
    XF_TRY(enter(depth));
    XF_TRY(read_head(nullptr));
    std::uint32_t type = 0;
    std::uint32_t count = 0;
    XF_TRY(read_uint(&type));
    XF_TRY(read_count(&count, 3));  // time, value count and one value at least
    switch (type) {
    case kXKeyRotation:
        if (!charge(count, sizeof(XRotationKey))) return kOutOfMemory;
        anim->rotationKeys.reserve(anim->rotationKeys.size() + count);
        break;
    case kXKeyScale:
    case kXKeyPosition:
        if (!charge(count, sizeof(XVectorKey))) return kOutOfMemory;
        {
            auto& keys = type == kXKeyScale ? anim->scaleKeys : anim->positionKeys;
            keys.reserve(keys.size() + count);
        }
        break;
    case kXKeyMatrix:
    case kXKeyMatrixAlt:
        if (!charge(count, sizeof(XMatrixKey))) return kOutOfMemory;
        anim->matrixKeys.reserve(anim->matrixKeys.size() + count);
        break;
    default:
        break;  // an unknown kind of key is read and dropped
    }
    for (std::uint32_t k = 0; k < count; ++k) {
        std::uint32_t time = 0;
        std::uint32_t values = 0;
        XF_TRY(read_uint(&time));
        XF_TRY(read_count(&values, 1));
        switch (type) {
        case kXKeyRotation: {
            if (values != 4) return kFail;
            XRotationKey key;
            key.time = time;
            XF_TRY(read_float(&key.w));
            XF_TRY(read_float(&key.x));
            XF_TRY(read_float(&key.y));
            XF_TRY(read_float(&key.z));
            anim->rotationKeys.push_back(key);
            break;
        }
        case kXKeyScale:
        case kXKeyPosition: {
            if (values != 3) return kFail;
            XVectorKey key;
            key.time = time;
            XF_TRY(read_float(&key.value.x));
            XF_TRY(read_float(&key.value.y));
            XF_TRY(read_float(&key.value.z));
            (type == kXKeyScale ? anim->scaleKeys : anim->positionKeys).push_back(key);
            break;
        }
        case kXKeyMatrix:
        case kXKeyMatrixAlt: {
            if (values != 16) return kFail;
            XMatrixKey key;
            key.time = time;
            XF_TRY(read_matrix(&key.value));
            anim->matrixKeys.push_back(key);
            break;
        }
        default:
            for (std::uint32_t i = 0; i < values; ++i) {
                float ignored;
                XF_TRY(read_float(&ignored));
            }
            break;
        }
    }
    return finish_object();
}

HResult Reader::parse_animation_options(XAnimation* anim, int depth) {
    XF_TRY(enter(depth));
    XF_TRY(read_head(nullptr));
    XF_TRY(read_uint(&anim->openClosed));
    XF_TRY(read_uint(&anim->positionQuality));
    anim->hasOptions = true;
    return finish_object();
}

HResult Reader::run(XFileScene* out) {
    for (;;) {
        Token t = tok_.next();
        switch (t.kind) {
        case TokenKind::End:
            return build(out);
        case TokenKind::Error:
        case TokenKind::Other:
            return kFail;
        case TokenKind::Template:
            XF_TRY(skip_template());
            break;
        case TokenKind::OpenBrace:
            XF_TRY(read_reference(nullptr));
            break;
        case TokenKind::Word:
            if (is_value_word(t)) break;
            if (t.is("Frame")) {
                std::int32_t index = -1;
                XF_TRY(parse_frame(-1, 1, &index));
                topLevel_.push_back(index);
            } else if (t.is("Mesh")) {
                // Meshes outside any frame share one unnamed frame, as D3DX loads them.
                if (looseMeshFrame_ < 0) {
                    if (!charge(1, sizeof(TempFrame))) return kOutOfMemory;
                    looseMeshFrame_ = static_cast<std::int32_t>(frames_.size());
                    frames_.emplace_back();
                    topLevel_.push_back(looseMeshFrame_);
                }
                XMesh mesh;
                XF_TRY(parse_mesh(&mesh, 2));
                if (!charge(1, sizeof(XMesh))) return kOutOfMemory;
                frames_[looseMeshFrame_].frame.meshes.push_back(std::move(mesh));
            } else if (t.is("AnimationSet")) {
                XF_TRY(parse_animation_set(1));
            } else if (t.is("AnimTicksPerSecond")) {
                XF_TRY(parse_ticks(1));
            } else if (t.is("Material")) {
                XMaterial unused;  // kept by name for later references
                XF_TRY(parse_material(&unused, 1));
            } else {
                XF_TRY(skip_object());
            }
            break;
        default:
            break;  // stray separators, values and closing braces
        }
    }
}

HResult Reader::build(XFileScene* out) {
    if (topLevel_.empty()) return kFail;  // D3DX refuses a file without frames or meshes
    std::int32_t root = topLevel_[0];
    if (topLevel_.size() > 1) {
        if (!charge(1, sizeof(TempFrame))) return kOutOfMemory;
        root = static_cast<std::int32_t>(frames_.size());
        frames_.emplace_back();
        frames_[root].children = topLevel_;
    }

    // Depth first, children in file order, without recursion.
    XFileScene scene;
    scene.frames.reserve(frames_.size());
    std::vector<std::int32_t> lastChild;
    lastChild.reserve(frames_.size());
    std::vector<std::pair<std::int32_t, std::int32_t>> stack;  // temp frame, output parent
    stack.emplace_back(root, -1);
    while (!stack.empty()) {
        auto [temp, parent] = stack.back();
        stack.pop_back();
        std::int32_t self = static_cast<std::int32_t>(scene.frames.size());
        scene.frames.push_back(std::move(frames_[temp].frame));
        lastChild.push_back(-1);
        XFrame& f = scene.frames.back();
        f.parent = parent;
        if (parent >= 0) {
            if (lastChild[parent] < 0) {
                scene.frames[parent].firstChild = self;
            } else {
                scene.frames[lastChild[parent]].nextSibling = self;
            }
            lastChild[parent] = self;
        }
        const auto& kids = frames_[temp].children;
        for (auto it = kids.rbegin(); it != kids.rend(); ++it) stack.emplace_back(*it, self);
    }

    std::unordered_map<std::string, std::int32_t> byName;
    for (std::size_t i = 0; i < scene.frames.size(); ++i) {
        byName.emplace(scene.frames[i].name, static_cast<std::int32_t>(i));
    }
    for (XAnimationSet& set : sets_) {
        for (XAnimation& anim : set.animations) {
            auto found = anim.frameName.empty() ? byName.end() : byName.find(anim.frameName);
            anim.frameIndex = found == byName.end() ? -1 : found->second;
        }
    }
    scene.animationSets = std::move(sets_);
    scene.ticksPerSecond = ticksPerSecond_;
    *out = std::move(scene);
    return kOk;
}

bool is_digits(const char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9') return false;
    }
    return true;
}

HResult read_body(const char* h, const std::uint8_t* bytes, std::size_t size,
                  const XFileLimits& limits, XFileScene* out) {
    if (std::memcmp(h, "xof ", 4) != 0 || !is_digits(h + 4, 4)) return kFail;
    bool binary = false;
    bool compressed = false;
    if (std::memcmp(h + 8, "txt ", 4) == 0) {
    } else if (std::memcmp(h + 8, "bin ", 4) == 0) {
        binary = true;
    } else if (std::memcmp(h + 8, "tzip", 4) == 0) {
        compressed = true;
    } else if (std::memcmp(h + 8, "bzip", 4) == 0) {
        binary = compressed = true;
    } else {
        return kFail;
    }
    int floatBytes = 0;
    if (std::memcmp(h + 12, "0032", 4) == 0) {
        floatBytes = 4;
    } else if (std::memcmp(h + 12, "0064", 4) == 0) {
        floatBytes = 8;
    } else {
        return kFail;
    }

    std::vector<std::uint8_t> inflated;
    const std::uint8_t* body = bytes + kHeaderBytes;
    std::size_t bodySize = size - kHeaderBytes;
    if (compressed) {
        HResult r = xfile::inflate_mszip(body, bodySize, limits.maxDecompressedBytes, &inflated);
        if (failed(r)) return r;
        body = inflated.data();
        bodySize = inflated.size();
    }
    Tokenizer tok;
    tok.start(body, bodySize, binary, floatBytes);
    Reader reader(tok, limits);
    return reader.run(out);
}

#undef XF_TRY

}  // namespace

XMatrix xfile_rotation_matrix(const XRotationKey& key) {
    XMatrix m;
    double len = std::sqrt(double(key.w) * key.w + double(key.x) * key.x +
                           double(key.y) * key.y + double(key.z) * key.z);
    if (!(len > 0.0) || !std::isfinite(len)) return m;
    // The file's quaternion conjugated, then D3DXMatrixRotationQuaternion.
    double w = key.w / len, x = -key.x / len, y = -key.y / len, z = -key.z / len;
    m.m[0] = float(1 - 2 * (y * y + z * z));
    m.m[1] = float(2 * (x * y + z * w));
    m.m[2] = float(2 * (x * z - y * w));
    m.m[4] = float(2 * (x * y - z * w));
    m.m[5] = float(1 - 2 * (x * x + z * z));
    m.m[6] = float(2 * (y * z + x * w));
    m.m[8] = float(2 * (x * z + y * w));
    m.m[9] = float(2 * (y * z - x * w));
    m.m[10] = float(1 - 2 * (x * x + y * y));
    return m;
}

HResult read_xfile(const void* data, std::size_t size, XFileScene* out) {
    return read_xfile(data, size, XFileLimits{}, out);
}

HResult read_xfile(const void* data, std::size_t size, const XFileLimits& limits,
                   XFileScene* out) {
    *out = XFileScene{};
    if (!data || size < kHeaderBytes) return kFail;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    HResult r = kFail;
    try {
        r = read_body(static_cast<const char*>(data), bytes, size, limits, out);
    } catch (const std::bad_alloc&) {
        r = kOutOfMemory;
    } catch (const std::length_error&) {
        r = kOutOfMemory;
    }
    if (failed(r)) *out = XFileScene{};
    return r;
}

}  // namespace brine
