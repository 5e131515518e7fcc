// The compiled effect fishgen ships, read by the program's own check: what it holds, and that
// every cut and every broken field of it is refused (the bytes come from a pack anyone can edit).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "render/compiled_effect.h"
#include "render/shader_text.h"
#include "tools/fishgen/effect_binary.h"

namespace brine {
namespace {

using Bytes = std::vector<unsigned char>;

HResult check(const Bytes& b, CompiledEffectSummary* summary = nullptr) {
    return check_compiled_effect(reinterpret_cast<const char*>(b.data()), b.size(), summary);
}

std::uint32_t word(const Bytes& b, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, &b[at], 4);
    return v;
}

void set_word(Bytes* b, std::size_t at, std::uint32_t v) { std::memcpy(&(*b)[at], &v, 4); }
void append_word(Bytes* b, std::uint32_t v) {
    b->resize(b->size() + 4);
    set_word(b, b->size() - 4, v);
}

// Byte positions in the file, from the layout (offsets in it count from the end of the header).
struct Layout {
    explicit Layout(const Bytes& b) : bytes(b), structured(8 + word(b, 4)) {}
    std::size_t parameter(int i) const { return structured + 16 + 16 * i; }
    std::size_t type_of(int i) const { return 8 + word(bytes, parameter(i)); }
    std::size_t technique() const { return parameter(static_cast<int>(word(bytes, structured))); }
    std::size_t pass() const { return technique() + 12; }
    std::size_t state(int i) const { return pass() + 12 + 16 * i; }
    std::size_t resource_count() const { return bytes.size() - 4; }
    const Bytes& bytes;
    std::size_t structured;
};

TEST(CompiledEffect, TheShippedEffectHoldsItsParametersTechniqueAndPass) {
    const Bytes effect = fishgen::skinned_mesh_effect();
    CompiledEffectSummary summary;
    ASSERT_EQ(check(effect, &summary), kOk);
    EXPECT_EQ(summary.parameters, (std::vector<std::string>{"lhtDir", "MaterialAmbient", "MaterialDiffuse",
                                                            "mWorldMatrixArray", "mViewProj"}));
    EXPECT_EQ(summary.techniques, std::vector<std::string>{"t0"});
    EXPECT_EQ(summary.passes, 1u);
    EXPECT_EQ(summary.states, 2u);
    // The start-up check takes it by its first word, and text effects still as text.
    EXPECT_EQ(check_effect(reinterpret_cast<const char*>(effect.data()), effect.size()), kOk);
    const char text[] = "technique T { pass P { } }";
    EXPECT_EQ(check_effect(text, sizeof text - 1), kOk);
}

TEST(CompiledEffect, EveryCutIsRefused) {
    const Bytes effect = fishgen::skinned_mesh_effect();
    for (std::size_t n = 0; n < effect.size(); ++n) {
        const Bytes cut(effect.begin(), effect.begin() + static_cast<std::ptrdiff_t>(n));
        ASSERT_EQ(check(cut), kInvalidData) << "cut to " << n << " of " << effect.size() << " bytes";
    }
}

TEST(CompiledEffect, BrokenFieldsAreRefused) {
    const Bytes effect = fishgen::skinned_mesh_effect();
    const Layout at(effect);
    const std::uint32_t huge = 0x7FFFFFF0u;
    struct Case {
        const char* what;
        std::size_t position;
        std::uint32_t value;
    };
    const Case cases[] = {
        {"another tag", 0, 0xFEFF0A01u},
        {"an unstructured part past the end", 4, static_cast<std::uint32_t>(effect.size())},
        {"an unaligned unstructured part", 4, word(effect, 4) - 2},
        {"more parameters than bytes", at.structured, huge},
        {"no technique", at.structured + 4, 0},
        {"more objects than the data can name", at.structured + 12, huge},
        {"a type description past the end", at.parameter(0), huge},
        {"a value past the end", at.parameter(3) + 4, huge},
        {"more annotations than bytes", at.parameter(1) + 12, huge},
        {"an unknown class", at.type_of(0) + 4, 6},
        {"a numeric class of a non-numeric type", at.type_of(0), 4},
        {"a parameter name past the end", at.type_of(0) + 8, huge},
        {"a parameter without a name", at.type_of(1) + 8, 0},
        {"a vector of five columns", at.type_of(0) + 20, 5},
        {"more elements than words", at.type_of(3) + 16, huge},
        {"a technique name past the end", at.technique(), huge},
        {"a technique without a pass", at.technique() + 8, 0},
        {"more states than bytes", at.pass() + 8, 1000},
        {"a state outside the state table", at.state(0), 0xB3},
        {"a state value past the end", at.state(1) + 12, huge},
        {"more resources than bytes", at.resource_count(), 3},
    };
    for (const Case& c : cases) {
        Bytes broken = effect;
        set_word(&broken, c.position, c.value);
        EXPECT_EQ(check(broken), kInvalidData) << c.what;
    }
    // A name must end with its zero inside its size: "lhtDir" is stored as 7 bytes.
    Bytes unterminated = effect;
    const std::size_t name = 8 + word(effect, at.type_of(0) + 8);
    ASSERT_EQ(word(effect, name), 7u);
    unterminated[name + 4 + 6] = 'x';
    EXPECT_EQ(check(unterminated), kInvalidData) << "an unterminated name";
}

// A resource of pass 0's state `state`: the code or the parameter reference D3DX attaches to it.
Bytes with_resource(std::uint32_t technique, std::uint32_t pass, std::uint32_t state, std::uint32_t usage,
                    const Bytes& data) {
    Bytes effect = fishgen::skinned_mesh_effect();
    set_word(&effect, effect.size() - 4, 1);
    for (std::uint32_t v : {technique, pass, 0xFFFFFFFFu, state, usage}) append_word(&effect, v);
    append_word(&effect, static_cast<std::uint32_t>(data.size()));
    Bytes padded = data;
    padded.resize((data.size() + 3) & ~std::size_t(3), 0);
    effect.insert(effect.end(), padded.begin(), padded.end());
    return effect;
}

Bytes text_bytes(const char* s) { return Bytes(s, s + std::strlen(s) + 1); }

TEST(CompiledEffect, ResourcesOnlyForStatesThatExistAndWithTheirKindOfData) {
    Bytes expression(8, 0);
    set_word(&expression, 0, 0x46580101u);  // an expression's version word ("FX")
    EXPECT_EQ(check(with_resource(0, 0, 0, 0, expression)), kOk) << "an expression for the lighting state";
    EXPECT_EQ(check(with_resource(0, 0, 1, 1, text_bytes("lhtDir"))), kOk) << "a parameter reference";
    EXPECT_EQ(check(with_resource(0, 0, 1, 1, text_bytes("mWorldMatrixArray[3]"))), kOk) << "an element of one";

    Bytes shader(8, 0);
    set_word(&shader, 0, 0xFFFE0101u);
    EXPECT_EQ(check(with_resource(0, 0, 0, 0, shader)), kInvalidData) << "shader code for a boolean state";
    EXPECT_EQ(check(with_resource(0, 0, 1, 1, text_bytes("nothing"))), kInvalidData) << "an unknown parameter";
    EXPECT_EQ(check(with_resource(0, 0, 1, 1, Bytes{'l', 'h', 't'})), kInvalidData) << "a name without its zero";
    EXPECT_EQ(check(with_resource(0, 1, 0, 0, expression)), kInvalidData) << "a pass that is not there";
    EXPECT_EQ(check(with_resource(1, 0, 0, 0, expression)), kInvalidData) << "a technique that is not there";
    EXPECT_EQ(check(with_resource(0, 0, 2, 0, expression)), kInvalidData) << "a state that is not there";
    EXPECT_EQ(check(with_resource(0xFFFFFFFFu, 0, 0, 0, expression)), kInvalidData) << "a parameter with no sampler";
    EXPECT_EQ(check(with_resource(0, 0, 0, 3, expression)), kInvalidData) << "an unknown use";
    Bytes longer = with_resource(0, 0, 0, 0, expression);
    set_word(&longer, longer.size() - 12, 1000);  // the data's size beyond the file
    EXPECT_EQ(check(longer), kInvalidData) << "data past the end";
}

}  // namespace
}  // namespace brine
