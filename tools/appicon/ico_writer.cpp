// ICO layout: ICONDIR (6 bytes), one ICONDIRENTRY (16 bytes) per picture, then the pictures. A DIB
// picture is a BITMAPINFOHEADER with twice the height (colour rows, then the AND mask), bottom row
// first, as the icon loader of every Windows version reads it.
#include "tools/appicon/ico_writer.h"

namespace brine {
namespace appicon {

namespace {

void put16(std::vector<unsigned char>& out, std::uint32_t v) {
    out.push_back(static_cast<unsigned char>(v));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

void put32(std::vector<unsigned char>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

std::vector<unsigned char> dib_of(const IcoPicture& p) {
    const std::uint32_t n = static_cast<std::uint32_t>(p.size);
    const std::uint32_t maskRow = ((n + 31) / 32) * 4;  // one bit a pixel, rows of whole 32-bit words
    std::vector<unsigned char> out;
    put32(out, 40);
    put32(out, n);
    put32(out, 2 * n);  // colour and mask stacked
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);  // BI_RGB
    put32(out, n * n * 4 + maskRow * n);
    for (int i = 0; i < 4; ++i) put32(out, 0);
    for (std::uint32_t row = n; row-- > 0;)
        for (std::uint32_t x = 0; x < n; ++x) put32(out, p.argb[row * n + x]);  // little-endian BGRA
    for (std::uint32_t row = n; row-- > 0;) {
        std::vector<unsigned char> bits(maskRow, 0);
        for (std::uint32_t x = 0; x < n; ++x)
            if ((p.argb[row * n + x] >> 24) == 0) bits[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
        out.insert(out.end(), bits.begin(), bits.end());
    }
    return out;
}

}  // namespace

bool encode_ico(const std::vector<IcoPicture>& pictures, std::vector<unsigned char>* out, std::string* reason) {
    out->clear();
    if (pictures.empty() || pictures.size() > 0xFFFF) {
        if (reason) *reason = "an icon holds 1 to 65535 pictures";
        return false;
    }
    std::vector<std::vector<unsigned char>> bodies;
    for (const IcoPicture& p : pictures) {
        if (p.size < 1 || p.size > 256) {
            if (reason) *reason = "picture size " + std::to_string(p.size) + " is not 1 to 256";
            return false;
        }
        if (p.png.empty() && p.argb.size() != static_cast<std::size_t>(p.size) * p.size) {
            if (reason) *reason = "picture of size " + std::to_string(p.size) + " has the wrong pixel count";
            return false;
        }
        bodies.push_back(p.png.empty() ? dib_of(p) : p.png);
    }
    put16(*out, 0);
    put16(*out, 1);  // an icon, not a cursor
    put16(*out, static_cast<std::uint32_t>(pictures.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * pictures.size());
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const unsigned char side = static_cast<unsigned char>(pictures[i].size & 0xFF);  // 256 is written 0
        out->push_back(side);
        out->push_back(side);
        out->push_back(0);  // no palette
        out->push_back(0);
        put16(*out, 1);
        put16(*out, 32);
        put32(*out, static_cast<std::uint32_t>(bodies[i].size()));
        put32(*out, offset);
        offset += static_cast<std::uint32_t>(bodies[i].size());
    }
    for (const auto& body : bodies) out->insert(out->end(), body.begin(), body.end());
    return true;
}

}  // namespace appicon
}  // namespace brine
