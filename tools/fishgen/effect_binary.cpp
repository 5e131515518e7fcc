// fx_2_0 as the effect compiler lays it out: the tag, the size of the unstructured part, then
// that part (names, type descriptions and initial values, reached by byte offsets from its start)
// and the structured part (counts, parameters, techniques, passes, states, then strings and
// resources). Every offset and size is a little-endian 32-bit word; everything is word aligned.
#include "tools/fishgen/effect_binary.h"

#include <cstring>

namespace brine {
namespace fishgen {

namespace {

constexpr std::uint32_t kStateCullMode = 0x08;
constexpr std::uint32_t kStateLighting = 0x30;
constexpr std::uint32_t kCullNone = 1;

void put_word(std::vector<unsigned char>* out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out->push_back(static_cast<unsigned char>(v >> (8 * i)));
}

}  // namespace

EffectWriter::EffectWriter() {
    put(0);  // offset 0 reads as an empty name: states have none, nor parameters without semantic
}

std::uint32_t EffectWriter::put(std::uint32_t value) {
    unstructured_.push_back(value);
    return static_cast<std::uint32_t>((unstructured_.size() - 1) * 4);
}

std::uint32_t EffectWriter::put_string(const std::string& s) {
    if (s.empty()) return 0;
    const std::uint32_t size = static_cast<std::uint32_t>(s.size() + 1);  // with its zero
    const std::uint32_t offset = put(size);
    std::vector<unsigned char> bytes(s.begin(), s.end());
    bytes.resize((size + 3) & ~3u, 0);
    for (std::size_t i = 0; i < bytes.size(); i += 4) {
        std::uint32_t w = 0;
        std::memcpy(&w, &bytes[i], 4);  // the file is little-endian, as every host that runs fishgen
        put(w);
    }
    return offset;
}

void EffectWriter::add_parameter(const std::string& name, const std::string& semantic, Class cls,
                                 std::uint32_t rows, std::uint32_t columns, std::uint32_t elements) {
    const std::uint32_t nameOffset = put_string(name);
    const std::uint32_t semanticOffset = put_string(semantic);
    Parameter p;
    p.typeOffset = put(kFloat);
    put(cls);
    put(nameOffset);
    put(semanticOffset);
    put(elements);
    if (cls == kVector) {  // vectors give their columns first
        put(columns);
        put(rows);
    } else {
        put(rows);
        put(columns);
    }
    const std::uint32_t words = rows * columns * (elements ? elements : 1);
    p.valueOffset = put(0);
    for (std::uint32_t i = 1; i < words; ++i) put(0);
    parameters_.push_back(p);
}

void EffectWriter::begin_technique(const std::string& name) { techniques_.push_back({put_string(name), {}}); }

void EffectWriter::begin_pass(const std::string& name) { techniques_.back().passes.push_back({put_string(name), {}}); }

void EffectWriter::add_state(std::uint32_t operation, Type type, std::uint32_t value) {
    State s;
    s.operation = operation;
    s.typeOffset = put(type);
    put(kScalar);
    put(0);  // no name
    put(0);  // no semantic
    put(0);  // not an array
    put(1);
    put(1);
    s.valueOffset = put(value);
    techniques_.back().passes.back().states.push_back(s);
}

std::vector<unsigned char> EffectWriter::finish() const {
    std::vector<unsigned char> out;
    put_word(&out, kCompiledEffectTag);
    put_word(&out, static_cast<std::uint32_t>(unstructured_.size() * 4));
    for (std::uint32_t w : unstructured_) put_word(&out, w);

    put_word(&out, static_cast<std::uint32_t>(parameters_.size()));
    put_word(&out, static_cast<std::uint32_t>(techniques_.size()));
    put_word(&out, 0);  // unused by the readers
    put_word(&out, 1);  // objects: only the reserved id 0, since no parameter is an object
    for (const Parameter& p : parameters_) {
        put_word(&out, p.typeOffset);
        put_word(&out, p.valueOffset);
        put_word(&out, 0);  // flags: not shared
        put_word(&out, 0);  // annotations
    }
    for (const Technique& t : techniques_) {
        put_word(&out, t.nameOffset);
        put_word(&out, 0);  // annotations
        put_word(&out, static_cast<std::uint32_t>(t.passes.size()));
        for (const Pass& p : t.passes) {
            put_word(&out, p.nameOffset);
            put_word(&out, 0);  // annotations
            put_word(&out, static_cast<std::uint32_t>(p.states.size()));
            for (const State& s : p.states) {
                put_word(&out, s.operation);
                put_word(&out, 0);  // index: light, stage or sampler number; none here
                put_word(&out, s.typeOffset);
                put_word(&out, s.valueOffset);
            }
        }
    }
    put_word(&out, 0);  // strings
    put_word(&out, 0);  // resources: shaders and expressions, none here
    return out;
}

std::vector<unsigned char> skinned_mesh_effect() {
    EffectWriter w;
    w.add_parameter("lhtDir", "LIGHTDIRECTION", EffectWriter::kVector, 1, 4);
    w.add_parameter("MaterialAmbient", "MATERIALAMBIENT", EffectWriter::kVector, 1, 4);
    w.add_parameter("MaterialDiffuse", "MATERIALDIFFUSE", EffectWriter::kVector, 1, 4);
    w.add_parameter("mWorldMatrixArray", "WORLDMATRIXARRAY", EffectWriter::kMatrixRows, 4, 3, 26);
    w.add_parameter("mViewProj", "VIEWPROJECTION", EffectWriter::kMatrixRows, 4, 4);
    w.begin_technique("t0");
    w.begin_pass("p0");
    w.add_state(kStateLighting, EffectWriter::kBool, 1);
    w.add_state(kStateCullMode, EffectWriter::kInt, kCullNone);
    return w.finish();
}

}  // namespace fishgen
}  // namespace brine
