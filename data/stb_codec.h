// The one place stb_image is compiled: JPEG, PNG and BMP only, with its dimension limit set to
// ours, its symbols private to this file. Used by data/image_decode.cpp.
// Must not depend on anything but the standard library, base/ and stb_image.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/result.h"

namespace brine {

// Width and height as stb_image reads them from the header; false when it cannot.
bool stb_image_size(const unsigned char* data, std::size_t size, std::uint32_t* width, std::uint32_t* height);

// Decodes to 0xAARRGGBB texels, rows top first. Fails unless the decoded size is the expected
// one, so the caller's checks on the header stay the ones that count. kOutOfMemory when stb
// could not allocate, kD3DXErrInvalidData for anything else.
HResult stb_decode_argb(const unsigned char* data, std::size_t size, std::uint32_t width,
                        std::uint32_t height, std::vector<std::uint32_t>* pixels);

}  // namespace brine
