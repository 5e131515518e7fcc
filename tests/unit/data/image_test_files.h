// Builders of small image files for the image decoding tests and the fuzz seed writer: DDS files
// laid out field by field, and JPEG/PNG/BMP written by stb_image_write into memory.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

namespace brine::test {

using Bytes = std::vector<unsigned char>;

inline void put_le32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}
inline void append_le16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}
inline void append_le32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

constexpr std::uint32_t make_fourcc(const char (&s)[5]) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[0])) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(s[1])) << 8) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(s[2])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(s[3])) << 24);
}

// The header fields a test sets; flags default to what a careful writer sets.
struct DdsSpec {
    std::uint32_t width = 4, height = 4, mipCount = 0;
    std::uint32_t flags = 0x1 | 0x2 | 0x4 | 0x1000;  // CAPS HEIGHT WIDTH PIXELFORMAT
    std::uint32_t pfFlags = 0;
    std::uint32_t fourcc = 0;
    std::uint32_t bitCount = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0};  // r g b a
    std::uint32_t depth = 0, caps2 = 0;
};

inline DdsSpec dds_compressed(std::uint32_t w, std::uint32_t h, const char (&code)[5], std::uint32_t mips = 0) {
    DdsSpec s;
    s.width = w;
    s.height = h;
    s.mipCount = mips;
    s.pfFlags = 0x4;  // FOURCC
    s.fourcc = make_fourcc(code);
    if (mips) s.flags |= 0x20000;
    return s;
}

inline DdsSpec dds_masked(std::uint32_t w, std::uint32_t h, std::uint32_t bits, std::uint32_t r, std::uint32_t g,
                          std::uint32_t b, std::uint32_t a, std::uint32_t mips = 0) {
    DdsSpec s;
    s.width = w;
    s.height = h;
    s.mipCount = mips;
    s.pfFlags = (r | g | b ? 0x40 : 0) | (a ? 0x1 : 0);
    s.bitCount = bits;
    s.masks[0] = r; s.masks[1] = g; s.masks[2] = b; s.masks[3] = a;
    if (mips) s.flags |= 0x20000;
    return s;
}

inline Bytes make_dds(const DdsSpec& s, const Bytes& payload) {
    Bytes f(128, 0);
    std::memcpy(f.data(), "DDS ", 4);
    put_le32(f, 4, 124);
    put_le32(f, 8, s.flags);
    put_le32(f, 12, s.height);
    put_le32(f, 16, s.width);
    put_le32(f, 24, s.depth);
    put_le32(f, 28, s.mipCount);
    put_le32(f, 76, 32);
    put_le32(f, 80, s.pfFlags);
    put_le32(f, 84, s.fourcc);
    put_le32(f, 88, s.bitCount);
    for (int i = 0; i < 4; ++i) put_le32(f, 92 + 4 * i, s.masks[i]);
    put_le32(f, 108, 0x1000 | (s.mipCount > 1 ? 0x400008 : 0));  // TEXTURE, MIPMAP COMPLEX
    put_le32(f, 112, s.caps2);
    f.insert(f.end(), payload.begin(), payload.end());
    return f;
}

// A DXT1 colour block: two 565 endpoints and sixteen 2-bit indices, texel i first.
inline Bytes dxt1_block(std::uint16_t c0, std::uint16_t c1, const int (&idx)[16]) {
    Bytes b;
    append_le16(b, c0);
    append_le16(b, c1);
    std::uint32_t bits = 0;
    for (int i = 0; i < 16; ++i) bits |= static_cast<std::uint32_t>(idx[i] & 3) << (2 * i);
    append_le32(b, bits);
    return b;
}

// w x h RGBA with distinct texels; alpha varies when asked, else 255.
Bytes pattern_rgba(int w, int h, bool alpha);
// A PNG with a chunk inserted right after IHDR, its CRC computed.
Bytes insert_chunk(const Bytes& png, const char* type, const Bytes& data);
// A BMP with a 40-byte header laid out by hand; extra (masks or palette) sits between header
// and rows; rows as given (bottom first unless height < 0).
Bytes hand_bmp(std::int32_t w, std::int32_t h, std::uint32_t bits, std::uint32_t compression, const Bytes& extra,
               const Bytes& rows);

// Encoded files from RGBA (or grey, RGB) bytes, rows top first.
Bytes write_png(int w, int h, int comp, const unsigned char* pixels);
Bytes write_bmp(int w, int h, int comp, const unsigned char* pixels);
Bytes write_jpeg(int w, int h, int comp, const unsigned char* pixels, int quality);

}  // namespace brine::test
