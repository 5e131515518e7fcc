// Board vertices.
#include "render/board.h"

namespace brine {

void fill_board_vertices(BoardVertex out[kBoardVertexCount], float width, float height, bool lying) {
    const float hw = width / 2.0f, hh = height / 2.0f;
    const float sx[4] = {-hw, -hw, hw, hw};
    const float sy[4] = {-hh, hh, -hh, hh};
    const float u[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    const float v[4] = {1.0f, 0.0f, 1.0f, 0.0f};
    for (std::uint32_t i = 0; i < kBoardVertexCount; ++i) {
        out[i] = lying ? BoardVertex{sx[i], 0.0f, sy[i], u[i], v[i]} : BoardVertex{sx[i], sy[i], 0.0f, u[i], v[i]};
    }
}

}  // namespace brine
