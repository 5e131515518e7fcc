// Board geometry: the unit quad of four x, y, z, u, v vertices that pellets are drawn with,
// standing in the x-y plane or lying in the x-z plane, in triangle-strip order.
// Must not depend on anything but d3d_types.h.
#pragma once
#include <cstdint>

#include "device/d3d_types.h"

namespace brine {

struct BoardVertex {
    float x, y, z, u, v;
};
static_assert(sizeof(BoardVertex) == 20, "board vertices are 20 bytes");

constexpr std::uint32_t kBoardVertexCount = 4;
constexpr std::uint32_t kBoardFvf = kFvfXyz | kFvfTex1;  // 0x102
constexpr std::uint32_t kBoardStride = sizeof(BoardVertex);
constexpr std::uint32_t kBoardPrimitiveCount = 2;

// Strip order (-,-) (-,+) (+,-) (+,+); the texture's top row (v = 0) at +y upright, +z lying.
void fill_board_vertices(BoardVertex out[kBoardVertexCount], float width, float height, bool lying);

}  // namespace brine
