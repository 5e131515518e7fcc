// DDS header checks and texel decoding (masked formats and DXT1/3/5) for the image loaders.
// The flag bits of the header are not trusted: the fourCC, bit count and masks decide the
// format, and the mip count is read whether or not its flag is set.
// Must not depend on anything but the standard library, base/ and device/d3d_types.h.
#include "data/dds_reader.h"

#include <algorithm>
#include <new>

#include "data/image_decode.h"

namespace brine {
namespace {

constexpr std::uint32_t fourcc(char a, char b, char c, char d) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24);
}

constexpr std::uint32_t kMagic = fourcc('D', 'D', 'S', ' ');
constexpr std::uint32_t kPfLuminance = 0x20000;
constexpr std::uint32_t kCaps2Volume = 0x200000;

// File offsets ("DDS " included) of the header fields read here.
constexpr std::size_t kOffHeight = 12, kOffWidth = 16, kOffDepth = 24, kOffMipCount = 28;
constexpr std::size_t kOffPfFlags = 80, kOffFourCc = 84, kOffBitCount = 88, kOffMasks = 92;
constexpr std::size_t kOffCaps2 = 112;

std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint32_t le16(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8);
}

struct MaskedFormat {
    std::uint32_t format, bits, r, g, b, a;
    bool luminance;
};

// The masked formats D3DX names; D3DX-written files may also carry these numbers as fourCC.
constexpr MaskedFormat kMaskedFormats[] = {
    {kFmtR8G8B8, 24, 0xFF0000, 0xFF00, 0xFF, 0, false},
    {kFmtA8R8G8B8, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, false},
    {kFmtX8R8G8B8, 32, 0xFF0000, 0xFF00, 0xFF, 0, false},
    {kFmtR5G6B5, 16, 0xF800, 0x07E0, 0x001F, 0, false},
    {kFmtX1R5G5B5, 16, 0x7C00, 0x03E0, 0x001F, 0, false},
    {kFmtA1R5G5B5, 16, 0x7C00, 0x03E0, 0x001F, 0x8000, false},
    {kFmtA4R4G4B4, 16, 0x0F00, 0x00F0, 0x000F, 0xF000, false},
    {kFmtR3G3B2, 8, 0xE0, 0x1C, 0x03, 0, false},
    {kFmtA8, 8, 0, 0, 0, 0xFF, false},
    {kFmtA8R3G3B2, 16, 0xE0, 0x1C, 0x03, 0xFF00, false},
    {kFmtX4R4G4B4, 16, 0x0F00, 0x00F0, 0x000F, 0, false},
    {kFmtA2B10G10R10, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000u, false},
    {kFmtA8B8G8R8, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000u, false},
    {kFmtX8B8G8R8, 32, 0xFF, 0xFF00, 0xFF0000, 0, false},
    {kFmtA2R10G10B10, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000u, false},
    {kFmtL8, 8, 0xFF, 0, 0, 0, true},
    {kFmtA8L8, 16, 0xFF, 0, 0, 0xFF00, true},
    {kFmtA4L4, 8, 0x0F, 0, 0, 0xF0, true},
};

bool mask_is_sound(std::uint32_t mask, std::uint32_t bits) {
    if (mask == 0) return true;
    if (bits < 32 && (mask >> bits) != 0) return false;
    std::uint32_t m = mask;
    while ((m & 1u) == 0) m >>= 1;
    return (m & (m + 1)) == 0;  // one run of ones
}

std::uint32_t full_chain_length(std::uint32_t w, std::uint32_t h) {
    std::uint32_t n = 1;
    for (std::uint32_t s = std::max(w, h); s > 1; s >>= 1) ++n;
    return n;
}

std::uint32_t level_extent(std::uint32_t size, std::uint32_t level) {
    return std::max<std::uint32_t>(1, size >> level);
}

std::uint64_t level_bytes(const DdsLayout& l, std::uint32_t level) {
    const std::uint64_t w = level_extent(l.width, level), h = level_extent(l.height, level);
    switch (l.encoding) {
        case DdsEncoding::kDxt1: return ((w + 3) / 4) * ((h + 3) / 4) * 8;
        case DdsEncoding::kDxt3:
        case DdsEncoding::kDxt5: return ((w + 3) / 4) * ((h + 3) / 4) * 16;
        case DdsEncoding::kMasked: break;
    }
    return w * h * l.bytesPerPixel;
}

// Picks the pixel format: DXT fourCCs, then D3DFORMAT numbers used as fourCC, then the bit
// count and masks, whatever the flags say.
bool read_pixel_format(const unsigned char* d, DdsLayout* l) {
    const std::uint32_t code = le32(d + kOffFourCc);
    if (code == fourcc('D', 'X', 'T', '1')) { l->encoding = DdsEncoding::kDxt1; l->format = kFmtDxt1; return true; }
    if (code == fourcc('D', 'X', 'T', '3')) { l->encoding = DdsEncoding::kDxt3; l->format = kFmtDxt3; return true; }
    if (code == fourcc('D', 'X', 'T', '5')) { l->encoding = DdsEncoding::kDxt5; l->format = kFmtDxt5; return true; }
    l->encoding = DdsEncoding::kMasked;
    for (const MaskedFormat& f : kMaskedFormats) {
        if (code != f.format) continue;
        l->format = f.format;
        l->bytesPerPixel = f.bits / 8;
        l->masks[0] = f.r; l->masks[1] = f.g; l->masks[2] = f.b; l->masks[3] = f.a;
        l->luminance = f.luminance;
        return true;
    }
    const std::uint32_t bits = le32(d + kOffBitCount);
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    std::uint32_t m[4];
    for (int i = 0; i < 4; ++i) {
        m[i] = le32(d + kOffMasks + 4 * i);
        if (!mask_is_sound(m[i], bits)) return false;
    }
    if ((m[0] | m[1] | m[2] | m[3]) == 0) return false;
    l->bytesPerPixel = bits / 8;
    for (int i = 0; i < 4; ++i) l->masks[i] = m[i];
    // No D3D9 format holds red alone, so a red-only mask is grey whether or not the flag says so.
    l->luminance = (le32(d + kOffPfFlags) & kPfLuminance) != 0 || (m[0] != 0 && m[1] == 0 && m[2] == 0);
    l->format = 0;
    for (const MaskedFormat& f : kMaskedFormats) {
        if (f.bits == bits && f.r == m[0] && f.g == m[1] && f.b == m[2] && f.a == m[3] &&
            f.luminance == l->luminance) {
            l->format = f.format;
            break;
        }
    }
    if (l->format == 0) {  // unnamed masks still decode; report the nearest 8-bit format
        if (l->luminance) l->format = m[3] ? kFmtA8L8 : kFmtL8;
        else l->format = m[3] ? kFmtA8R8G8B8 : kFmtX8R8G8B8;
    }
    return true;
}

struct ChannelReader {
    std::uint32_t mask = 0, shift = 0;
    std::uint64_t max = 0;
    explicit ChannelReader(std::uint32_t m) : mask(m) {
        if (m == 0) return;
        while (((m >> shift) & 1u) == 0) ++shift;
        max = static_cast<std::uint64_t>(m) >> shift;
    }
    std::uint32_t read(std::uint32_t pixel, std::uint32_t absent) const {
        if (mask == 0) return absent;
        return expand_channel((pixel & mask) >> shift, max);
    }
};

void decode_masked_level(const DdsLayout& l, const unsigned char* src, std::uint32_t w,
                         std::uint32_t h, std::uint32_t* dst) {
    const ChannelReader r(l.masks[0]), g(l.masks[1]), b(l.masks[2]), a(l.masks[3]);
    const std::size_t count = static_cast<std::size_t>(w) * h;
    const std::uint32_t bpp = l.bytesPerPixel;
    for (std::size_t i = 0; i < count; ++i, src += bpp) {
        std::uint32_t v = 0;
        for (std::uint32_t k = 0; k < bpp; ++k) v |= static_cast<std::uint32_t>(src[k]) << (8 * k);
        const std::uint32_t red = r.read(v, 0);
        const std::uint32_t green = l.luminance ? red : g.read(v, 0);
        const std::uint32_t blue = l.luminance ? red : b.read(v, 0);
        dst[i] = (a.read(v, 255) << 24) | (red << 16) | (green << 8) | blue;
    }
}

void decode_block_level(const DdsLayout& l, const unsigned char* src, std::uint32_t w,
                        std::uint32_t h, std::uint32_t* dst) {
    const std::size_t blockBytes = l.encoding == DdsEncoding::kDxt1 ? 8 : 16;
    std::uint32_t texels[16];
    for (std::uint32_t by = 0; by < h; by += 4) {
        for (std::uint32_t bx = 0; bx < w; bx += 4, src += blockBytes) {
            switch (l.encoding) {
                case DdsEncoding::kDxt1: decode_dxt1_block(src, texels); break;
                case DdsEncoding::kDxt3: decode_dxt3_block(src, texels); break;
                default: decode_dxt5_block(src, texels); break;
            }
            const std::uint32_t rows = std::min<std::uint32_t>(4, h - by);
            const std::uint32_t cols = std::min<std::uint32_t>(4, w - bx);
            for (std::uint32_t y = 0; y < rows; ++y)
                for (std::uint32_t x = 0; x < cols; ++x)
                    dst[static_cast<std::size_t>(by + y) * w + bx + x] = texels[4 * y + x];
        }
    }
}

// round(num * 255 / den), halves up.
std::uint32_t scale_to_byte(std::uint64_t num, std::uint64_t den) {
    return static_cast<std::uint32_t>((2 * num * 255 + den) / (2 * den));
}

std::uint32_t argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

// The four colours of a colour block. Channels are kept as 5/6/5-bit numbers and every
// palette entry is scaled to 8 bits once, from the exact mix.
void colour_palette(const unsigned char* block, bool allowTransparent, std::uint32_t pal[4]) {
    const std::uint32_t c0 = le16(block), c1 = le16(block + 2);
    const std::uint32_t r0 = c0 >> 11, g0 = (c0 >> 5) & 63, b0 = c0 & 31;
    const std::uint32_t r1 = c1 >> 11, g1 = (c1 >> 5) & 63, b1 = c1 & 31;
    pal[0] = argb(255, scale_to_byte(r0, 31), scale_to_byte(g0, 63), scale_to_byte(b0, 31));
    pal[1] = argb(255, scale_to_byte(r1, 31), scale_to_byte(g1, 63), scale_to_byte(b1, 31));
    if (c0 > c1 || !allowTransparent) {
        pal[2] = argb(255, scale_to_byte(2 * r0 + r1, 93), scale_to_byte(2 * g0 + g1, 189),
                      scale_to_byte(2 * b0 + b1, 93));
        pal[3] = argb(255, scale_to_byte(r0 + 2 * r1, 93), scale_to_byte(g0 + 2 * g1, 189),
                      scale_to_byte(b0 + 2 * b1, 93));
    } else {
        pal[2] = argb(255, scale_to_byte(r0 + r1, 62), scale_to_byte(g0 + g1, 126),
                      scale_to_byte(b0 + b1, 62));
        pal[3] = 0;  // transparent black
    }
}

void decode_colour_block(const unsigned char* block, bool allowTransparent, std::uint32_t texels[16]) {
    std::uint32_t pal[4];
    colour_palette(block, allowTransparent, pal);
    const std::uint32_t indices = le32(block + 4);
    for (int i = 0; i < 16; ++i) texels[i] = pal[(indices >> (2 * i)) & 3];
}

void set_alpha(std::uint32_t& texel, std::uint32_t alpha) { texel = (texel & 0x00FFFFFFu) | (alpha << 24); }

}  // namespace

bool has_dds_magic(const unsigned char* data, std::size_t size) {
    return data != nullptr && size >= 4 && le32(data) == kMagic;
}

std::uint32_t expand_channel(std::uint64_t value, std::uint64_t max) {
    if (max == 0) return 0;
    return static_cast<std::uint32_t>((2 * value * 255 + max) / (2 * max));
}

void decode_dxt1_block(const unsigned char block[8], std::uint32_t texels[16]) {
    decode_colour_block(block, true, texels);
}

void decode_dxt3_block(const unsigned char block[16], std::uint32_t texels[16]) {
    decode_colour_block(block + 8, false, texels);
    for (int i = 0; i < 16; ++i) {
        const std::uint32_t a4 = (block[i / 2] >> (4 * (i & 1))) & 15;
        set_alpha(texels[i], a4 * 17);
    }
}

void decode_dxt5_block(const unsigned char block[16], std::uint32_t texels[16]) {
    decode_colour_block(block + 8, false, texels);
    const std::uint32_t a0 = block[0], a1 = block[1];
    std::uint32_t alpha[8] = {a0, a1};
    if (a0 > a1) {
        for (std::uint32_t k = 2; k < 8; ++k) alpha[k] = (2 * ((8 - k) * a0 + (k - 1) * a1) + 7) / 14;
    } else {
        for (std::uint32_t k = 2; k < 6; ++k) alpha[k] = (2 * ((6 - k) * a0 + (k - 1) * a1) + 5) / 10;
        alpha[6] = 0;
        alpha[7] = 255;
    }
    std::uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= static_cast<std::uint64_t>(block[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i) set_alpha(texels[i], alpha[(bits >> (3 * i)) & 7]);
}

HResult read_dds_layout(const unsigned char* data, std::size_t size, DdsLayout* layout) {
    if (size < kDdsHeaderSize || !has_dds_magic(data, size)) return kD3DXErrInvalidData;
    DdsLayout l;
    l.height = le32(data + kOffHeight);
    l.width = le32(data + kOffWidth);
    if (l.width == 0 || l.height == 0 || l.width > kMaxImageDimension || l.height > kMaxImageDimension ||
        static_cast<std::uint64_t>(l.width) * l.height > kMaxImagePixels)
        return kD3DXErrInvalidData;
    // A volume lays its slices out level by level; none of the program's textures is one.
    if ((le32(data + kOffCaps2) & kCaps2Volume) != 0 && le32(data + kOffDepth) > 1) return kD3DXErrInvalidData;
    if (!read_pixel_format(data, &l)) return kD3DXErrInvalidData;
    l.levels = std::min(std::max<std::uint32_t>(1, le32(data + kOffMipCount)), full_chain_length(l.width, l.height));
    std::uint64_t need = 0;
    for (std::uint32_t i = 0; i < l.levels; ++i) need += level_bytes(l, i);
    if (need > size - kDdsHeaderSize) return kD3DXErrInvalidData;
    if (layout) *layout = l;
    return kOk;
}

HResult decode_dds(const unsigned char* data, std::size_t size, DecodedImage* out) {
    DdsLayout l;
    const HResult hr = read_dds_layout(data, size, &l);
    if (failed(hr)) return hr;
    DecodedImage img;
    img.info = ImageInfo{l.width, l.height, 1, l.levels, l.format, kRtypeTexture, kIffDds};
    img.width = l.width;
    img.height = l.height;
    img.hasAlpha = l.encoding == DdsEncoding::kDxt3 || l.encoding == DdsEncoding::kDxt5 ||
                   (l.encoding == DdsEncoding::kMasked && l.masks[3] != 0);
    try {
        img.pixels.resize(static_cast<std::size_t>(l.width) * l.height);
        img.mips.resize(l.levels - 1);
        for (std::uint32_t i = 1; i < l.levels; ++i)
            img.mips[i - 1].resize(static_cast<std::size_t>(level_extent(l.width, i)) * level_extent(l.height, i));
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    const unsigned char* src = data + l.dataOffset;
    for (std::uint32_t i = 0; i < l.levels; ++i) {
        std::uint32_t* dst = i == 0 ? img.pixels.data() : img.mips[i - 1].data();
        const std::uint32_t w = level_extent(l.width, i), h = level_extent(l.height, i);
        if (l.encoding == DdsEncoding::kMasked) decode_masked_level(l, src, w, h, dst);
        else decode_block_level(l, src, w, h, dst);
        src += level_bytes(l, i);
    }
    // DXT1 carries alpha only where a block uses its transparent slot.
    if (l.encoding == DdsEncoding::kDxt1)
        img.hasAlpha = std::any_of(img.pixels.begin(), img.pixels.end(), [](std::uint32_t t) { return (t >> 24) != 255; });
    *out = std::move(img);
    return kOk;
}

}  // namespace brine
