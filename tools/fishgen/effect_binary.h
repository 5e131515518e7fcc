// The skinned-mesh effect of "initialize.pak" in its compiled form (fx_2_0, the layout the effect
// compiler writes and D3DXCreateEffect takes instead of text): no HLSL compiler has to accept
// anything at start-up. Must not depend on the program's own code.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace brine {
namespace fishgen {

constexpr std::uint32_t kCompiledEffectTag = 0xFEFF0901u;

// The parameters the skinning shaders read (light direction, material colours, 26 bone matrices,
// view and projection), and technique "t0" with pass "p0" setting what the fixed-function
// drawing of the fish uses: lighting on, no culling.
std::vector<unsigned char> skinned_mesh_effect();

// A small writer of the format, for the effect above and for tests that need other effects.
class EffectWriter {
public:
    // D3DXPARAMETER_CLASS and D3DXPARAMETER_TYPE values.
    enum Class : std::uint32_t { kScalar = 0, kVector = 1, kMatrixRows = 2, kMatrixColumns = 3, kObject = 4 };
    enum Type : std::uint32_t { kBool = 1, kInt = 2, kFloat = 3, kString = 4, kVertexShader = 16 };

    EffectWriter();
    // A numeric top-level parameter with a zero value: rows x columns floats, `elements` of them
    // (0: not an array). Semantic may be empty.
    void add_parameter(const std::string& name, const std::string& semantic, Class cls, std::uint32_t rows,
                       std::uint32_t columns, std::uint32_t elements = 0);
    void begin_technique(const std::string& name);
    // Passes belong to the latest technique; states to the latest pass. `operation` indexes the
    // effect format's state table (lighting 0x30, cull mode 0x08).
    void begin_pass(const std::string& name);
    void add_state(std::uint32_t operation, Type type, std::uint32_t value);
    std::vector<unsigned char> finish() const;

private:
    struct State { std::uint32_t operation, typeOffset, valueOffset; };
    struct Pass { std::uint32_t nameOffset; std::vector<State> states; };
    struct Technique { std::uint32_t nameOffset; std::vector<Pass> passes; };
    struct Parameter { std::uint32_t typeOffset, valueOffset; };

    std::uint32_t put(std::uint32_t value);
    std::uint32_t put_string(const std::string& s);

    std::vector<std::uint32_t> unstructured_;  // names, type descriptions, values
    std::vector<Parameter> parameters_;
    std::vector<Technique> techniques_;
};

}  // namespace fishgen
}  // namespace brine
