// The small pieces device pictures are drawn from, shared by the compared scenes and the OpenGL
// device's pixel tests: vertex layouts, strips, a decoded image from pixels, a flat setup of
// clip-coordinate drawing, stage 0 set ups, and the material and light of the lighting cases.
// Device interface only: no platform header.
#pragma once
#include <cstdint>
#include <vector>

#include "device/decoded_image.h"
#include "device/graphics_device.h"

namespace brine::scenes {

constexpr std::uint32_t kFvfPosColour = kFvfXyz | kFvfDiffuse;
constexpr std::uint32_t kFvfPosNormal = kFvfXyz | kFvfNormal;
constexpr std::uint32_t kFvfPosColourTex = kFvfXyz | kFvfDiffuse | kFvfTex1;

struct PosColour { float x, y, z; std::uint32_t colour; };
struct PosNormal { float x, y, z, nx, ny, nz; };
struct PosColourTex { float x, y, z; std::uint32_t colour; float u, v; };

// A strip over the whole target, or over x0..x1 / y0..y1 in clip coordinates.
void quad(PosColour out[4], std::uint32_t colour, float z = 0.5f, float x0 = -1, float y0 = -1, float x1 = 1,
          float y1 = 1);
// A strip over the whole target with texture coordinates 0..1.
void textured_quad(PosColourTex out[4], std::uint32_t colour);
// An A8R8G8B8 image of the given pixels, as the decoder hands it over.
DecodedImage image_of(std::uint32_t width, std::uint32_t height, std::vector<std::uint32_t> pixels);
// Identity matrices, lighting, depth test and culling off: positions are clip coordinates.
void flat_setup(GraphicsDevice& d, std::uint32_t fvf);
// Stage 0 passes the diffuse colour and alpha on.
void select_diffuse(GraphicsDevice& d);
// The program's own stage 0 (render/scene_object.cpp): texture times diffuse, colour and alpha.
void modulate_texture(GraphicsDevice& d);
// Source alpha over the target, or no blending.
void alpha_blending(GraphicsDevice& d, bool on);
Material test_material();
Light test_light(Vec3 direction);

}  // namespace brine::scenes
