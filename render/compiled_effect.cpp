// The fx_2_0 walk. Offsets in the file are byte offsets from the end of its 8-byte header; the
// structured part starts at the offset the header gives. Nothing is read before its bounds are
// known, counts are weighed against the bytes that could hold them before any loop runs, and
// nesting is bounded, so any input costs time linear in its size.
#include "render/compiled_effect.h"

#include <cstring>

#include "device/d3d_types.h"

namespace brine {

namespace {

constexpr HResult kRefused = kD3DXErrInvalidData;

// D3DXPARAMETER_CLASS.
enum : std::uint32_t { kScalar = 0, kVector, kMatrixRows, kMatrixColumns, kObject, kStruct };
// D3DXPARAMETER_TYPE.
enum : std::uint32_t {
    kBool = 1, kInt = 2, kFloat = 3, kString = 4,
    kTexture = 5, kTextureCube = 9, kSampler = 10, kSamplerCube = 14,
    kPixelShader = 15, kVertexShader = 16,
};

constexpr std::uint32_t kStateTableSize = 0xB3;  // render, stage, ... sampler states, as D3DX lists them
constexpr std::uint32_t kNoTechnique = 0xFFFFFFFFu;  // a resource of a parameter's sampler state
constexpr int kMaxDepth = 4;

bool is_numeric_type(std::uint32_t t) { return t == kBool || t == kInt || t == kFloat; }
bool is_sampler_type(std::uint32_t t) { return t >= kSampler && t <= kSamplerCube; }
bool is_shader_type(std::uint32_t t) { return t == kPixelShader || t == kVertexShader; }
// Objects whose value is one object id per element.
bool is_id_object_type(std::uint32_t t) { return t == kString || (t >= kTexture && t <= kTextureCube) || is_shader_type(t); }

struct TypeInfo {
    std::uint32_t type = 0, cls = 0, elements = 0;
    std::uint64_t bytes = 0;  // of one element
};

// A state as resources address it: its parameter's type and whether it names an object.
struct StateInfo {
    std::uint32_t type = 0;
};

struct ParameterInfo {
    std::string name;
    std::uint32_t elements = 0;
    std::vector<std::vector<StateInfo>> samplerStates;  // per element (one when not an array)
};

struct PassInfo { std::vector<StateInfo> states; };
struct TechniqueInfo { std::vector<PassInfo> passes; };

class Walk {
public:
    Walk(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    HResult run(std::uint32_t structuredStart, CompiledEffectSummary* summary);

private:
    bool word_at(std::uint64_t offset, std::uint32_t* v) const {
        if (offset > size_ || size_ - offset < 4) return false;
        std::memcpy(v, data_ + offset, 4);  // little-endian files, little-endian hosts
        return true;
    }
    bool next(std::uint32_t* v) {
        if (!word_at(pos_, v)) return false;
        pos_ += 4;
        return true;
    }
    // Whether `count` records of at least `bytes` each could follow the cursor at all.
    bool fits(std::uint32_t count, std::uint32_t bytes) const {
        return static_cast<std::uint64_t>(count) * bytes <= size_ - pos_;
    }

    bool name_at(std::uint32_t offset, bool required, std::string* name) const;
    bool type_at(std::uint64_t* cursor, bool named, int depth, TypeInfo* info, std::string* name = nullptr) const;
    bool value_at(const TypeInfo& type, std::uint32_t offset, int depth, std::vector<std::vector<StateInfo>>* samplers);
    bool state(int depth, StateInfo* info);
    bool annotations(std::uint32_t count);
    bool object_id(std::uint32_t id, std::uint32_t type);
    bool blob(std::uint32_t* size, std::uint64_t* start);
    bool resource(const std::vector<ParameterInfo>& parameters, const std::vector<TechniqueInfo>& techniques);
    bool names_parameter(const std::vector<ParameterInfo>& parameters, std::uint64_t start, std::uint32_t size) const;

    const unsigned char* data_;
    std::size_t size_;
    std::uint64_t pos_ = 0;
    std::uint32_t objectCount_ = 0;
    std::vector<std::uint32_t> objectTypes_;  // per id: the type of the value that names it, 0 when none
};

bool Walk::name_at(std::uint32_t offset, bool required, std::string* name) const {
    std::uint32_t n = 0;
    if (!word_at(offset, &n)) return false;
    if (n == 0) return !required;
    const std::uint64_t start = static_cast<std::uint64_t>(offset) + 4;
    if (n > size_ - start || data_[start + n - 1] != 0) return false;  // must end inside the data
    const char* text = reinterpret_cast<const char*>(data_ + start);
    if (required && text[0] == 0) return false;
    if (name) name->assign(text);
    return true;
}

bool Walk::type_at(std::uint64_t* cursor, bool named, int depth, TypeInfo* info, std::string* name) const {
    if (depth > kMaxDepth) return false;
    std::uint32_t nameOffset = 0, semanticOffset = 0;
    std::uint64_t at = *cursor;
    auto take = [&](std::uint32_t* v) {
        if (!word_at(at, v)) return false;
        at += 4;
        return true;
    };
    if (!take(&info->type) || !take(&info->cls) || !take(&nameOffset) || !take(&semanticOffset) ||
        !take(&info->elements))
        return false;
    if (!name_at(nameOffset, named, name) || !name_at(semanticOffset, false, nullptr)) return false;
    if (info->elements > size_ / 4) return false;  // more elements than the data has words
    switch (info->cls) {
        case kScalar: case kVector: case kMatrixRows: case kMatrixColumns: {
            std::uint32_t a = 0, b = 0;
            if (!is_numeric_type(info->type) || !take(&a) || !take(&b)) return false;
            if (a < 1 || a > 4 || b < 1 || b > 4) return false;
            if (info->cls == kScalar && (a != 1 || b != 1)) return false;
            info->bytes = 4ull * a * b;
            break;
        }
        case kObject:
            if (!is_id_object_type(info->type) && !is_sampler_type(info->type)) return false;
            info->bytes = 0;
            break;
        case kStruct: {
            std::uint32_t members = 0;
            if (info->type != 0 || !take(&members) || members == 0 || members > size_ / 24) return false;
            info->bytes = 0;
            for (std::uint32_t i = 0; i < members; ++i) {
                TypeInfo member;
                // Struct members are numeric, named (they are reached by name) and never objects.
                if (!type_at(&at, true, depth + 1, &member) || member.cls == kObject) return false;
                info->bytes += member.bytes * (member.elements ? member.elements : 1);
                if (info->bytes > size_) return false;
            }
            break;
        }
        default:
            return false;
    }
    *cursor = at;
    return true;
}

bool Walk::object_id(std::uint32_t id, std::uint32_t type) {
    if (id == 0 || id >= objectCount_) return false;  // id 0 is the format's reserved one
    objectTypes_[id] = type;
    return true;
}

bool Walk::value_at(const TypeInfo& type, std::uint32_t offset, int depth,
                    std::vector<std::vector<StateInfo>>* samplers) {
    const std::uint32_t count = type.elements ? type.elements : 1;
    if (type.cls != kObject) {
        const std::uint64_t bytes = type.bytes * count;
        return bytes <= size_ && offset <= size_ - bytes;
    }
    // Objects: ids, or each sampler's states, one after the other from the offset.
    const std::uint64_t saved = pos_;
    pos_ = offset;
    bool ok = true;
    for (std::uint32_t i = 0; ok && i < count; ++i) {
        if (is_sampler_type(type.type)) {
            std::uint32_t n = 0;
            ok = next(&n) && fits(n, 16);
            std::vector<StateInfo> states(ok ? n : 0);
            for (std::uint32_t k = 0; ok && k < n; ++k) ok = state(depth + 1, &states[k]);
            if (samplers) samplers->push_back(std::move(states));
        } else {
            std::uint32_t id = 0;
            ok = next(&id) && object_id(id, type.type);
        }
    }
    pos_ = saved;
    return ok;
}

// operation, index, type description, value: at the cursor.
bool Walk::state(int depth, StateInfo* info) {
    if (depth > kMaxDepth) return false;
    std::uint32_t operation = 0, index = 0, typeOffset = 0, valueOffset = 0;
    if (!next(&operation) || !next(&index) || !next(&typeOffset) || !next(&valueOffset)) return false;
    if (operation >= kStateTableSize) return false;
    std::uint64_t cursor = typeOffset;
    TypeInfo type;
    if (!type_at(&cursor, false, depth, &type) || !value_at(type, valueOffset, depth, nullptr)) return false;
    info->type = type.type;
    return true;
}

bool Walk::annotations(std::uint32_t count) {
    if (!fits(count, 8)) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t typeOffset = 0, valueOffset = 0;
        if (!next(&typeOffset) || !next(&valueOffset)) return false;
        std::uint64_t cursor = typeOffset;
        TypeInfo type;
        if (!type_at(&cursor, true, 0, &type) || !value_at(type, valueOffset, 0, nullptr)) return false;
    }
    return true;
}

// A size and that many bytes padded to a word, at the cursor.
bool Walk::blob(std::uint32_t* size, std::uint64_t* start) {
    if (!next(size)) return false;
    const std::uint64_t padded = (static_cast<std::uint64_t>(*size) + 3) & ~3ull;
    if (padded > size_ - pos_) return false;
    *start = pos_;
    pos_ += padded;
    return true;
}

bool Walk::names_parameter(const std::vector<ParameterInfo>& parameters, std::uint64_t start,
                           std::uint32_t size) const {
    if (size == 0 || data_[start + size - 1] != 0) return false;
    const std::string full(reinterpret_cast<const char*>(data_ + start));
    // "name", or a member, element or annotation of it: "name.x", "name[2]", "name@a".
    const std::string top = full.substr(0, full.find_first_of(".[@"));
    for (const ParameterInfo& p : parameters)
        if (p.name == top) return true;
    return false;
}

bool Walk::resource(const std::vector<ParameterInfo>& parameters, const std::vector<TechniqueInfo>& techniques) {
    std::uint32_t technique = 0, index = 0, element = 0, stateIndex = 0, usage = 0;
    if (!next(&technique) || !next(&index) || !next(&element) || !next(&stateIndex) || !next(&usage)) return false;
    const StateInfo* target = nullptr;
    if (technique == kNoTechnique) {
        if (index >= parameters.size()) return false;
        // A sampler parameter's state; the element counts only for an array, as in D3DX.
        const ParameterInfo& p = parameters[index];
        const std::uint32_t e = p.elements && element != kNoTechnique ? element : 0;
        if (e >= p.samplerStates.size()) return false;
        if (stateIndex >= p.samplerStates[e].size()) return false;
        target = &p.samplerStates[e][stateIndex];
    } else {
        if (technique >= techniques.size() || index >= techniques[technique].passes.size()) return false;
        const PassInfo& pass = techniques[technique].passes[index];
        if (stateIndex >= pass.states.size()) return false;
        target = &pass.states[stateIndex];
    }
    std::uint32_t size = 0;
    std::uint64_t start = 0;
    if (!blob(&size, &start)) return false;
    std::uint32_t first = 0;
    switch (usage) {
        case 0:  // the state's code: a shader, or an expression computing its value
            if (!word_at(start, &first) || size < 8) return false;
            if (target->type == kVertexShader) return (first & 0xFFFF0000u) == 0xFFFE0000u;
            if (target->type == kPixelShader) return (first & 0xFFFF0000u) == 0xFFFF0000u;
            if (is_numeric_type(target->type) || target->type == kString) return (first & 0xFFFF0000u) == 0x46580000u;
            return false;  // D3DX fails the effect on code for any other state
        case 1:  // the state takes a parameter's value
            return names_parameter(parameters, start, size);
        case 2: {  // an element of a parameter array, chosen by an expression
            std::uint32_t nameSize = 0;
            if (!word_at(start, &nameSize) || nameSize > size - 4 || size - 4 - nameSize < 4) return false;
            return names_parameter(parameters, start + 4, nameSize);
        }
        default:
            return false;
    }
}

HResult Walk::run(std::uint32_t structuredStart, CompiledEffectSummary* summary) {
    pos_ = structuredStart;
    std::uint32_t parameterCount = 0, techniqueCount = 0, unused = 0;
    if (!next(&parameterCount) || !next(&techniqueCount) || !next(&unused) || !next(&objectCount_)) return kRefused;
    // Every object is named by a word somewhere in the data; more cannot be meant.
    if (objectCount_ > size_ / 4 + 1) return kRefused;
    objectTypes_.assign(objectCount_, 0);
    if (!fits(parameterCount, 16)) return kRefused;

    std::vector<ParameterInfo> parameters(parameterCount);
    for (ParameterInfo& p : parameters) {
        std::uint32_t typeOffset = 0, valueOffset = 0, flags = 0, annotationCount = 0;
        if (!next(&typeOffset) || !next(&valueOffset) || !next(&flags) || !next(&annotationCount)) return kRefused;
        std::uint64_t cursor = typeOffset;
        TypeInfo type;
        if (!type_at(&cursor, true, 0, &type, &p.name) || !value_at(type, valueOffset, 0, &p.samplerStates))
            return kRefused;
        p.elements = type.elements;
        if (!annotations(annotationCount)) return kRefused;
    }

    if (techniqueCount == 0 || !fits(techniqueCount, 12)) return kRefused;
    std::vector<TechniqueInfo> techniques(techniqueCount);
    std::vector<std::string> techniqueNames(techniqueCount);
    std::uint32_t passTotal = 0, stateTotal = 0;
    for (std::uint32_t t = 0; t < techniqueCount; ++t) {
        std::uint32_t nameOffset = 0, annotationCount = 0, passCount = 0;
        if (!next(&nameOffset) || !next(&annotationCount) || !next(&passCount)) return kRefused;
        if (!name_at(nameOffset, false, &techniqueNames[t]) || !annotations(annotationCount)) return kRefused;
        if (passCount == 0 || !fits(passCount, 12)) return kRefused;  // a technique must draw something
        techniques[t].passes.resize(passCount);
        for (PassInfo& pass : techniques[t].passes) {
            std::uint32_t stateCount = 0;
            if (!next(&nameOffset) || !next(&annotationCount) || !next(&stateCount)) return kRefused;
            if (!name_at(nameOffset, false, nullptr) || !annotations(annotationCount)) return kRefused;
            if (!fits(stateCount, 16)) return kRefused;
            pass.states.resize(stateCount);
            for (StateInfo& s : pass.states)
                if (!state(0, &s)) return kRefused;
            stateTotal += stateCount;
        }
        passTotal += passCount;
    }

    std::uint32_t stringCount = 0, resourceCount = 0;
    if (!next(&stringCount) || !next(&resourceCount)) return kRefused;
    if (!fits(stringCount, 8)) return kRefused;
    for (std::uint32_t i = 0; i < stringCount; ++i) {
        std::uint32_t id = 0, size = 0;
        std::uint64_t start = 0;
        if (!next(&id) || id >= objectCount_ || objectTypes_[id] == 0 || !blob(&size, &start)) return kRefused;
        // The object is made from these bytes: a string ends with its zero, a shader is tokens.
        std::uint32_t first = 0;
        if (objectTypes_[id] == kString && size > 0 && data_[start + size - 1] != 0) return kRefused;
        if (objectTypes_[id] == kVertexShader && (!word_at(start, &first) || (first & 0xFFFF0000u) != 0xFFFE0000u))
            return kRefused;
        if (objectTypes_[id] == kPixelShader && (!word_at(start, &first) || (first & 0xFFFF0000u) != 0xFFFF0000u))
            return kRefused;
    }
    if (!fits(resourceCount, 24)) return kRefused;
    for (std::uint32_t i = 0; i < resourceCount; ++i)
        if (!resource(parameters, techniques)) return kRefused;

    if (summary) {
        summary->parameters.clear();
        for (const ParameterInfo& p : parameters) summary->parameters.push_back(p.name);
        summary->techniques = techniqueNames;
        summary->passes = passTotal;
        summary->states = stateTotal;
    }
    return kOk;
}

}  // namespace

bool is_compiled_effect(const char* data, std::size_t size) {
    std::uint32_t tag = 0;
    if (!data || size < 4) return false;
    std::memcpy(&tag, data, 4);
    return tag == kCompiledEffectTag;
}

HResult check_compiled_effect(const char* data, std::size_t size, CompiledEffectSummary* summary) {
    if (!is_compiled_effect(data, size) || size < 8) return kRefused;
    std::uint32_t unstructured = 0;
    std::memcpy(&unstructured, data + 4, 4);
    const std::size_t rest = size - 8;
    if (unstructured > rest || unstructured % 4 != 0) return kRefused;
    Walk walk(reinterpret_cast<const unsigned char*>(data) + 8, rest);
    return walk.run(unstructured, summary);
}

}  // namespace brine
