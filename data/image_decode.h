// The program's own stand-in for D3DX's image reading: file information and decoding of DDS
// (uncompressed, DXT1/3/5, with mip levels), JPEG, PNG and BMP into 0xAARRGGBB texels, plus the
// per-format adjustments D3DX makes when it fills a texture, so every device backend agrees.
// Must not depend on anything but the standard library, base/ and device/d3d_types.h.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/result.h"
#include "device/decoded_image.h"
#include "device/d3d_types.h"

namespace brine {

// D3DX's own failure codes (kD3DXErrInvalidData, kD3DErrInvalidCall) come from device/d3d_types.h.

// Limits on what any image file may claim. A larger claim is refused before anything is
// allocated: 16384 is the largest side any Direct3D 9 part accepts, and 2^25 texels (128 MiB of
// ARGB, an 8K photograph) bounds the memory one hostile file can make us take.
constexpr std::uint32_t kMaxImageDimension = 16384;
constexpr std::uint64_t kMaxImagePixels = std::uint64_t{1} << 25;

// Further D3DFORMAT numbers that only image files report.
enum ImageFileFormatNumber : std::uint32_t {
    kFmtR3G3B2 = 27,
    kFmtA8 = 28,
    kFmtA8R3G3B2 = 29,
    kFmtX4R4G4B4 = 30,
    kFmtA2B10G10R10 = 31,
    kFmtA8B8G8R8 = 32,
    kFmtX8B8G8R8 = 33,
    kFmtA2R10G10B10 = 35,
    kFmtP8 = 41,
    kFmtL8 = 50,
    kFmtA8L8 = 51,
    kFmtA4L4 = 52,
};

// D3DXGetImageInfoFromFileInMemory. Recognises DDS, JPEG, PNG and BMP by their leading bytes.
// Width and height are the image's own, depth 1, resource type texture; mip levels are the DDS
// file's (0 counts as 1, never more than the full chain), 1 for the others. Format: the DDS
// pixel format; X8R8G8B8 for JPEG; A8R8G8B8 or X8R8G8B8 for PNG as it carries alpha (an alpha
// channel or a tRNS chunk); for BMP by its bit depth (P8, X1R5G5B5 or R5G6B5, R8G8B8,
// X8R8G8B8 or A8R8G8B8). A DDS file is checked whole (header and every level's data); of the
// others the header is read, plus the chunk lengths of a PNG and the Huffman table sizes of a
// JPEG (both guard stb_image), so a later decode may still fail on broken image data.
// info may be null to check the file only. Null data or size 0: kD3DErrInvalidCall; anything
// unrecognised, broken or beyond the limits above: kD3DXErrInvalidData.
HResult get_image_info(const void* data, std::size_t size, ImageInfo* info);

// Decodes the top level to 0xAARRGGBB texels, rows top first, and, for DDS, every further mip
// level the file holds into out->mips. Formats without alpha decode with alpha 255; DXT1
// texels in a block's transparent slot decode to 0x00000000. out->info is what get_image_info
// gives. On failure out is left empty. kOutOfMemory when the texels cannot be allocated.
HResult decode_image(const void* data, std::size_t size, DecodedImage* out);

// Makes the texels what a texture of the given format would hold, the way D3DX fills one:
// DXT1 keeps one-bit alpha (alpha below 128 becomes 0x00000000, the rest opaque); DXT3 keeps
// four-bit alpha; DXT5 and the 8-bit-alpha formats keep everything; X8R8G8B8, X8B8G8R8 and
// R8G8B8 force alpha 255; the 16-bit formats keep their channel depths (R5G6B5 opaque,
// X1R5G5B5 opaque, A1R5G5B5 alpha thresholded at 128, A4R4G4B4, X4R4G4B4). DXT colours are not
// re-encoded. kFmtUnknown and kD3DXDefault mean "as the file" and change nothing. Applies to
// every mip level; info and hasAlpha describe the source and stay. Other formats: kInvalidArg.
HResult convert_for_format(DecodedImage& image, std::uint32_t format);

// D3DX colour keying: every texel equal to key (compared as ARGB, alpha included) becomes
// 0x00000000, on every mip level. A key of 0 disables keying. Key first, then convert.
void apply_color_key(DecodedImage& image, D3DColor key);

}  // namespace brine
