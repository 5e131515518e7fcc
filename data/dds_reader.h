// DDS files as D3DX reads them: the header, the pixel format (masked or DXT1/3/5), the mip
// levels, and the 4x4 block decoders. Every size is checked against the bytes before anything
// is allocated. Reached through data/image_decode.h; tests and tools may use the pieces.
// Must not depend on anything but the standard library, base/ and device/d3d_types.h.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/result.h"
#include "device/decoded_image.h"

namespace brine {

constexpr std::size_t kDdsHeaderSize = 128;  // "DDS " and the 124-byte DDS_HEADER

enum class DdsEncoding { kMasked, kDxt1, kDxt3, kDxt5 };

// What the header says, after every check: the texels of levels 0 .. levels-1 lie packed from
// dataOffset on, largest first, and all of them are inside the data.
struct DdsLayout {
    std::uint32_t width = 0, height = 0;
    std::uint32_t levels = 0;      // the file's count, 0 read as 1, at most the full chain
    std::uint32_t format = 0;      // D3DFORMAT
    DdsEncoding encoding = DdsEncoding::kMasked;
    std::uint32_t bytesPerPixel = 0;  // masked only: 1 to 4
    std::uint32_t masks[4] = {};      // masked only: red, green, blue, alpha
    bool luminance = false;           // masked only: the red mask holds grey
    std::size_t dataOffset = kDdsHeaderSize;
};

bool has_dds_magic(const unsigned char* data, std::size_t size);

// kD3DXErrInvalidData for anything broken, unsupported or beyond the image limits.
HResult read_dds_layout(const unsigned char* data, std::size_t size, DdsLayout* layout);

// Decodes every level of the file; out->info is filled as get_image_info fills it.
HResult decode_dds(const unsigned char* data, std::size_t size, DecodedImage* out);

// One channel of max + 1 steps to 8 bits: round(value * 255 / max), halves up. The same rule
// expands DXT endpoints, so a 565 red of 3 gives 25 (bit replication would give 24).
std::uint32_t expand_channel(std::uint64_t value, std::uint64_t max);

// 4x4 blocks to 0xAARRGGBB texels, texel i = 4 * row + col, row 0 at the top. Colours are
// computed exactly from the 565 endpoints (thirds and halves of the exact values) and rounded
// once to 8 bits, halves up; DXT5 alphas likewise from the 8-bit endpoints. DXT1 with
// c0 <= c1 uses three colours and a transparent black; DXT3/DXT5 colour always uses four.
void decode_dxt1_block(const unsigned char block[8], std::uint32_t texels[16]);
void decode_dxt3_block(const unsigned char block[16], std::uint32_t texels[16]);
void decode_dxt5_block(const unsigned char block[16], std::uint32_t texels[16]);

}  // namespace brine
