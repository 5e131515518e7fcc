// In-memory RGBA images of the generator, the DDS writer (uncompressed A8R8G8B8) and the
// encoders for JPEG and PNG (stb_image_write). Must not depend on the program's own code.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace brine {
namespace fishgen {

struct Rgba {
    double r = 0, g = 0, b = 0, a = 1;  // 0..1
};

inline Rgba rgb(double r, double g, double b) { return Rgba{r, g, b, 1}; }
Rgba mix_rgba(const Rgba& a, const Rgba& b, double t);

struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;  // row 0 at the top

    Image() = default;
    Image(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h) {}
    Rgba& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    const Rgba& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // Bilinear lookup with wrapping (u, v in texture space, 0..1 over the image).
    Rgba sample_wrap(double u, double v) const;
};

// Quantises one channel to 0..255 with rounding and clamping.
std::uint8_t to_byte(double v);

// A DDS file with one level of uncompressed 32-bit A8R8G8B8 texels.
std::vector<unsigned char> encode_dds_argb(const Image& image);
// Reads back what encode_dds_argb writes (tests and the preview); false on anything else.
bool decode_dds_argb(const std::vector<unsigned char>& bytes, Image* out);

std::vector<unsigned char> encode_jpeg(const Image& image, int quality);
std::vector<unsigned char> encode_png(const Image& image);

}  // namespace fishgen
}  // namespace brine
