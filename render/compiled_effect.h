// The compiled side of the effect check: an effect in the effect compiler's binary form (fx_2_0,
// tag 0xFEFF0901), which D3DXCreateEffect takes as readily as text. Every offset, count and size
// of the untrusted bytes is checked before it is followed, so a broken "initialize.pak" fails
// start-up here, as it would in D3DX, instead of reading past its member.
// Must not depend on anything but the standard library, base/result.h and device/d3d_types.h.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/result.h"

namespace brine {

constexpr std::uint32_t kCompiledEffectTag = 0xFEFF0901u;

// What a checked effect holds, for callers and tests that look inside.
struct CompiledEffectSummary {
    std::vector<std::string> parameters;  // top-level parameter names, in file order
    std::vector<std::string> techniques;  // technique names, in file order ("" when unnamed)
    std::uint32_t passes = 0;             // over all techniques
    std::uint32_t states = 0;             // pass states over all passes
};

// The first word is the compiled-effect tag.
bool is_compiled_effect(const char* data, std::size_t size);

// Walks the whole layout: the header and the size of its unstructured part; parameters with their
// type descriptions (known classes and types, numeric shapes of 1 to 4 rows and columns, structs
// nested at most four deep), names (zero-terminated inside the data; parameters, annotations and
// struct members must have one), initial values inside the data, object ids below the object
// count; techniques, passes and states (operations inside the format's state table); strings
// and resources only for objects and states that exist, a shader resource holding a shader
// token stream. At least one technique, each with at least one pass, as the program's text check
// asks. kInvalidData (D3DXERR_INVALIDDATA) for anything else; kOk and the summary otherwise.
HResult check_compiled_effect(const char* data, std::size_t size, CompiledEffectSummary* summary = nullptr);

}  // namespace brine
