// Image helpers of the generator: bilinear lookup, DDS (A8R8G8B8) writing and reading back,
// and the JPEG and PNG encoders through stb_image_write. Must not depend on the program's code.
#include "tools/fishgen/gen_image.h"

#include <cmath>

#include <stb/stb_image_write.h>

namespace brine {
namespace fishgen {

Rgba mix_rgba(const Rgba& a, const Rgba& b, double t) {
    return Rgba{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

std::uint8_t to_byte(double v) {
    double s = std::floor(v * 255.0 + 0.5);
    if (!(s > 0)) return 0;  // also NaN
    if (s > 255) return 255;
    return static_cast<std::uint8_t>(s);
}

Rgba Image::sample_wrap(double u, double v) const {
    double x = u * width - 0.5, y = v * height - 0.5;
    double fx = std::floor(x), fy = std::floor(y);
    int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
    double tx = x - fx, ty = y - fy;
    auto wrap = [](int i, int n) { return ((i % n) + n) % n; };
    const Rgba& a = at(wrap(x0, width), wrap(y0, height));
    const Rgba& b = at(wrap(x0 + 1, width), wrap(y0, height));
    const Rgba& c = at(wrap(x0, width), wrap(y0 + 1, height));
    const Rgba& d = at(wrap(x0 + 1, width), wrap(y0 + 1, height));
    return mix_rgba(mix_rgba(a, b, tx), mix_rgba(c, d, tx), ty);
}

namespace {

void put32(std::vector<unsigned char>* out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out->push_back(static_cast<unsigned char>(v >> (8 * i)));
}

std::uint32_t get32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void append_bytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<unsigned char>*>(context);
    auto* p = static_cast<unsigned char*>(data);
    out->insert(out->end(), p, p + size);
}

std::vector<unsigned char> to_rgb8(const Image& image, int channels) {
    std::vector<unsigned char> px;
    px.reserve(image.pixels.size() * channels);
    for (const Rgba& c : image.pixels) {
        px.push_back(to_byte(c.r));
        px.push_back(to_byte(c.g));
        px.push_back(to_byte(c.b));
        if (channels == 4) px.push_back(to_byte(c.a));
    }
    return px;
}

}  // namespace

std::vector<unsigned char> encode_dds_argb(const Image& image) {
    std::vector<unsigned char> out;
    const std::uint32_t w = static_cast<std::uint32_t>(image.width), h = static_cast<std::uint32_t>(image.height);
    out.reserve(128 + image.pixels.size() * 4);
    put32(&out, 0x20534444);  // "DDS "
    put32(&out, 124);
    put32(&out, 0x1 | 0x2 | 0x4 | 0x8 | 0x1000);  // caps, height, width, pitch, pixel format
    put32(&out, h);
    put32(&out, w);
    put32(&out, w * 4);  // pitch
    put32(&out, 0);      // depth
    put32(&out, 1);      // one level; the loader builds the rest of the chain
    for (int i = 0; i < 11; ++i) put32(&out, 0);
    put32(&out, 32);           // pixel format size
    put32(&out, 0x40 | 0x1);   // RGB with alpha
    put32(&out, 0);            // no FourCC
    put32(&out, 32);
    put32(&out, 0x00FF0000);
    put32(&out, 0x0000FF00);
    put32(&out, 0x000000FF);
    put32(&out, 0xFF000000);
    put32(&out, 0x1000);  // DDSCAPS_TEXTURE
    for (int i = 0; i < 4; ++i) put32(&out, 0);
    for (const Rgba& c : image.pixels) {
        out.push_back(to_byte(c.b));
        out.push_back(to_byte(c.g));
        out.push_back(to_byte(c.r));
        out.push_back(to_byte(c.a));
    }
    return out;
}

bool decode_dds_argb(const std::vector<unsigned char>& bytes, Image* out) {
    if (bytes.size() < 128 || get32(bytes.data()) != 0x20534444 || get32(&bytes[4]) != 124) return false;
    std::uint32_t h = get32(&bytes[12]), w = get32(&bytes[16]);
    if (get32(&bytes[88]) != 32 || get32(&bytes[92]) != 0x00FF0000 || get32(&bytes[104]) != 0xFF000000)
        return false;
    if (w == 0 || h == 0 || w > 4096 || h > 4096) return false;
    if (bytes.size() < 128 + static_cast<size_t>(w) * h * 4) return false;
    *out = Image(static_cast<int>(w), static_cast<int>(h));
    const unsigned char* p = bytes.data() + 128;
    for (auto& c : out->pixels) {
        c = Rgba{p[2] / 255.0, p[1] / 255.0, p[0] / 255.0, p[3] / 255.0};
        p += 4;
    }
    return true;
}

std::vector<unsigned char> encode_jpeg(const Image& image, int quality) {
    std::vector<unsigned char> px = to_rgb8(image, 3), out;
    stbi_write_jpg_to_func(append_bytes, &out, image.width, image.height, 3, px.data(), quality);
    return out;
}

std::vector<unsigned char> encode_png(const Image& image) {
    std::vector<unsigned char> px = to_rgb8(image, 3), out;
    stbi_write_png_to_func(append_bytes, &out, image.width, image.height, 3, px.data(), image.width * 3);
    return out;
}

}  // namespace fishgen
}  // namespace brine
