// Image information and decoding for the texture and surface loaders: picks the file type by its
// leading bytes, reads the header itself (so the limits are checked before any decoder
// allocates), then hands DDS to the DDS reader and the rest to stb_image.
// Must not depend on anything but the standard library, base/ and device/d3d_types.h.
#include "data/image_decode.h"

#include <cstring>
#include <utility>

#include "data/dds_reader.h"
#include "data/stb_codec.h"

namespace brine {
namespace {

std::uint32_t le16(const unsigned char* p) { return p[0] | (static_cast<std::uint32_t>(p[1]) << 8); }
std::uint32_t le32(const unsigned char* p) {
    return le16(p) | (le16(p + 2) << 16);
}
std::uint32_t be32(const unsigned char* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

bool within_limits(std::uint64_t w, std::uint64_t h) {
    return w >= 1 && h >= 1 && w <= kMaxImageDimension && h <= kMaxImageDimension && w * h <= kMaxImagePixels;
}

// Header facts of a JPEG, PNG or BMP file.
struct StbHeader {
    ImageInfo info{};
    bool hasAlpha = false;
};

ImageInfo plain_info(std::uint32_t w, std::uint32_t h, std::uint32_t format, std::uint32_t fileFormat) {
    return ImageInfo{w, h, 1, 1, format, kRtypeTexture, fileFormat};
}

constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

bool read_png_header(const unsigned char* d, std::size_t size, StbHeader* out) {
    // The signature, then IHDR first: length 13, width, height, bit depth, colour type.
    if (size < 33 || std::memcmp(d, kPngSignature, 8) != 0) return false;
    if (be32(d + 8) != 13 || std::memcmp(d + 12, "IHDR", 4) != 0) return false;
    const std::uint32_t w = be32(d + 16), h = be32(d + 20), colourType = d[25];
    if (!within_limits(w, h)) return false;
    bool alpha = colourType == 4 || colourType == 6;
    // Every chunk up to IEND must lie inside the data: stb_image sizes its buffer for the image
    // data by the lengths the chunks claim, before it finds out they are not there.
    bool ended = false;
    std::uint64_t pos = 8;
    while (pos + 12 <= size) {
        const unsigned char* chunk = d + pos;
        const std::uint64_t length = be32(chunk);
        if (length > 0x7FFFFFFFu || pos + 12 + length > size) return false;
        if (std::memcmp(chunk + 4, "tRNS", 4) == 0) alpha = true;  // transparency for any colour type
        if (std::memcmp(chunk + 4, "IEND", 4) == 0) {
            ended = true;
            break;
        }
        pos += 12 + length;
    }
    if (!ended) return false;
    out->info = plain_info(w, h, alpha ? kFmtA8R8G8B8 : kFmtX8R8G8B8, kIffPng);
    out->hasAlpha = alpha;
    return true;
}

bool read_bmp_header(const unsigned char* d, std::size_t size, StbHeader* out) {
    if (size < 18 || d[0] != 'B' || d[1] != 'M') return false;
    const std::uint32_t headerSize = le32(d + 14);
    if (headerSize != 12 && headerSize != 40 && headerSize != 56 && headerSize != 108 && headerSize != 124)
        return false;
    if (size < 14 + static_cast<std::size_t>(headerSize)) return false;
    std::int64_t w, h;
    std::uint32_t bits, compression = 0;
    if (headerSize == 12) {
        w = le16(d + 18);
        h = le16(d + 20);
        bits = le16(d + 24);
    } else {
        w = static_cast<std::int32_t>(le32(d + 18));
        h = static_cast<std::int32_t>(le32(d + 22));
        bits = le16(d + 28);
        compression = le32(d + 30);
    }
    if (h < 0) h = -h;  // rows stored top first
    if (w <= 0 || !within_limits(static_cast<std::uint64_t>(w), static_cast<std::uint64_t>(h))) return false;
    // Only uncompressed and bit-field images: the run-length forms are not decoded.
    constexpr std::uint32_t kBiRgb = 0, kBiBitfields = 3;
    if (compression != kBiRgb && compression != kBiBitfields) return false;
    if (compression == kBiBitfields && bits != 16 && bits != 32) return false;
    std::uint32_t r = 0, g = 0, b = 0, a = 0;
    if (compression == kBiBitfields) {
        if (size < 66) return false;
        r = le32(d + 54);
        g = le32(d + 58);
        b = le32(d + 62);
        if (headerSize >= 56) a = le32(d + 66);
    }
    std::uint32_t format;
    switch (bits) {
        case 1: case 4: case 8: format = kFmtP8; break;
        case 16:
            if (r == 0xF800 && g == 0x07E0 && b == 0x001F) format = kFmtR5G6B5;
            else if (r == 0x0F00 && g == 0x00F0 && b == 0x000F) format = a ? std::uint32_t{kFmtA4R4G4B4} : kFmtX4R4G4B4;
            else format = a ? kFmtA1R5G5B5 : kFmtX1R5G5B5;
            break;
        case 24: format = kFmtR8G8B8; break;
        case 32: format = a ? kFmtA8R8G8B8 : kFmtX8R8G8B8; break;
        default: return false;
    }
    out->info = plain_info(static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h), format, kIffBmp);
    out->hasAlpha = a != 0;
    return true;
}

// Bytes read the way stb_image reads them: zero past the end.
struct JpegCursor {
    const unsigned char* d;
    std::size_t size, pos;
    std::uint32_t get8() { return pos < size ? d[pos++] : (pos++, 0u); }
    std::uint32_t get16() { const std::uint32_t hi = get8(); return (hi << 8) | get8(); }
};

// The stb_image of Debian 12 (2.27) writes past its Huffman tables when a DHT segment's code
// counts add up to more than 256, in the header read as well as in the decode. This walks the
// markers as stb_image meets them and refuses such a table. Wherever stb_image would stop
// anyway the walk accepts; where the two might part (hostile entropy data) the walk looks at
// more segments than stb_image would, never fewer.
bool jpeg_huffman_tables_fit(const unsigned char* d, std::size_t size) {
    JpegCursor c{d, size, 2};
    bool entropy = false;
    while (c.pos < size) {
        if (entropy) {
            // Entropy-coded data runs to the first 0xFF, fill 0xFFs, then a byte that is not a
            // stuffed zero or a restart marker.
            if (c.get8() != 0xFF) continue;
            std::uint32_t m = c.get8();
            while (m == 0xFF && c.pos < size) m = c.get8();
            if (m == 0x00 || (m >= 0xD0 && m <= 0xD7)) continue;
            c.pos -= 1;
            entropy = false;
        } else {
            // Between segments stb_image scans to the next 0xFF and skips fill bytes.
            if (c.get8() != 0xFF) continue;
            while (c.pos < size && d[c.pos] == 0xFF) ++c.pos;
        }
        const std::uint32_t marker = c.get8();
        if (marker == 0xD9 || marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) return true;
        if (marker == 0xC4) {
            std::int64_t left = static_cast<std::int64_t>(c.get16()) - 2;
            while (left > 0) {
                const std::uint32_t q = c.get8();
                if ((q >> 4) > 1 || (q & 15) > 3) return true;  // stb_image refuses the segment
                std::uint32_t n = 0;
                for (int i = 0; i < 16; ++i) n += c.get8();
                if (n > 256) return false;
                c.pos += n;
                left -= 17 + static_cast<std::int64_t>(n);
            }
            if (left != 0) return true;  // stb_image stops at a segment of the wrong length
            continue;
        }
        const std::uint32_t length = c.get16();
        if (length < 2) return true;
        c.pos += length - 2;
        if (marker == 0xDA) entropy = true;
    }
    return true;
}

bool read_jpeg_header(const unsigned char* d, std::size_t size, StbHeader* out) {
    if (size < 3 || d[0] != 0xFF || d[1] != 0xD8 || d[2] != 0xFF) return false;
    if (!jpeg_huffman_tables_fit(d, size)) return false;
    std::uint32_t w = 0, h = 0;
    if (!stb_image_size(d, size, &w, &h) || !within_limits(w, h)) return false;
    out->info = plain_info(w, h, kFmtX8R8G8B8, kIffJpg);
    out->hasAlpha = false;
    return true;
}

bool read_stb_header(const unsigned char* d, std::size_t size, StbHeader* out) {
    return read_png_header(d, size, out) || read_bmp_header(d, size, out) || read_jpeg_header(d, size, out);
}

template <typename Fn>
void for_each_level(DecodedImage& image, Fn fn) {
    for (std::uint32_t& t : image.pixels) t = fn(t);
    for (auto& level : image.mips)
        for (std::uint32_t& t : level) t = fn(t);
}

// Keeps `bits` bits of an 8-bit channel and widens it back, as a texture of that depth holds it.
std::uint32_t requantize(std::uint32_t v, std::uint32_t bits) {
    const std::uint32_t max = (1u << bits) - 1;
    return expand_channel((v * max * 2 + 255) / 510, max);
}

std::uint32_t requantize_texel(std::uint32_t t, std::uint32_t aBits, std::uint32_t rBits, std::uint32_t gBits,
                               std::uint32_t bBits) {
    const std::uint32_t a = aBits ? requantize(t >> 24, aBits) : 255;
    return (a << 24) | (requantize((t >> 16) & 255, rBits) << 16) | (requantize((t >> 8) & 255, gBits) << 8) |
           requantize(t & 255, bBits);
}

}  // namespace

HResult get_image_info(const void* data, std::size_t size, ImageInfo* info) {
    if (data == nullptr || size == 0) return kD3DErrInvalidCall;
    const auto* d = static_cast<const unsigned char*>(data);
    if (has_dds_magic(d, size)) {
        DdsLayout l;
        const HResult hr = read_dds_layout(d, size, &l);
        if (failed(hr)) return hr;
        if (info) *info = ImageInfo{l.width, l.height, 1, l.levels, l.format, kRtypeTexture, kIffDds};
        return kOk;
    }
    StbHeader header;
    if (!read_stb_header(d, size, &header)) return kD3DXErrInvalidData;
    if (info) *info = header.info;
    return kOk;
}

HResult decode_image(const void* data, std::size_t size, DecodedImage* out) {
    if (out == nullptr) return kD3DErrInvalidCall;
    *out = DecodedImage{};
    if (data == nullptr || size == 0) return kD3DErrInvalidCall;
    const auto* d = static_cast<const unsigned char*>(data);
    if (has_dds_magic(d, size)) return decode_dds(d, size, out);
    StbHeader header;
    if (!read_stb_header(d, size, &header)) return kD3DXErrInvalidData;
    DecodedImage img;
    img.info = header.info;
    img.width = header.info.width;
    img.height = header.info.height;
    img.hasAlpha = header.hasAlpha;
    const HResult hr = stb_decode_argb(d, size, img.width, img.height, &img.pixels);
    if (failed(hr)) return hr;
    // stb_image reads the fourth byte of a plain 32-bit BMP as alpha; the file says it has none.
    if (!img.hasAlpha)
        for (std::uint32_t& t : img.pixels) t |= 0xFF000000u;
    *out = std::move(img);
    return kOk;
}

HResult convert_for_format(DecodedImage& image, std::uint32_t format) {
    switch (format) {
        case kFmtUnknown:
        case kD3DXDefault:
        case kFmtA8R8G8B8:
        case kFmtA8B8G8R8:
        case kFmtDxt5:
            return kOk;
        case kFmtX8R8G8B8:
        case kFmtX8B8G8R8:
        case kFmtR8G8B8:
            for_each_level(image, [](std::uint32_t t) { return t | 0xFF000000u; });
            return kOk;
        case kFmtDxt1:
            for_each_level(image, [](std::uint32_t t) { return (t >> 24) < 128 ? 0u : (t | 0xFF000000u); });
            return kOk;
        case kFmtDxt3:
            for_each_level(image, [](std::uint32_t t) { return (requantize(t >> 24, 4) << 24) | (t & 0xFFFFFFu); });
            return kOk;
        case kFmtR5G6B5:
            for_each_level(image, [](std::uint32_t t) { return requantize_texel(t, 0, 5, 6, 5); });
            return kOk;
        case kFmtX1R5G5B5:
            for_each_level(image, [](std::uint32_t t) { return requantize_texel(t, 0, 5, 5, 5); });
            return kOk;
        case kFmtA1R5G5B5:
            // One alpha bit: D3DX thresholds at half, so 128 and above are opaque.
            for_each_level(image, [](std::uint32_t t) {
                return (requantize_texel(t, 0, 5, 5, 5) & 0xFFFFFFu) | ((t >> 24) >= 128 ? 0xFF000000u : 0u);
            });
            return kOk;
        case kFmtA4R4G4B4:
            for_each_level(image, [](std::uint32_t t) { return requantize_texel(t, 4, 4, 4, 4); });
            return kOk;
        case kFmtX4R4G4B4:
            for_each_level(image, [](std::uint32_t t) { return requantize_texel(t, 0, 4, 4, 4); });
            return kOk;
        default:
            return kInvalidArg;
    }
}

void apply_color_key(DecodedImage& image, D3DColor key) {
    if (key == 0) return;
    for_each_level(image, [key](std::uint32_t t) { return t == key ? 0u : t; });
}

}  // namespace brine
