// A drawn picture as the device reads it back (0xAARRGGBB, rows top first), its PNG files and
// the pixel-by-pixel comparison of two pictures of one scene drawn by two devices.
// Tool code over the core: no platform header.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace brine::scenes {

struct Picture {
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(std::uint32_t x, std::uint32_t y) const { return pixels[std::size_t(y) * width + x]; }
};

// PNG of the colour channels (the back buffer is X8R8G8B8, so alpha is left out). False with
// nothing written when the file cannot be made.
bool write_png(const std::string& path, const Picture& picture);
// A PNG of any size stb_image reads; false (and *picture untouched) for anything else.
bool read_png(const std::string& path, Picture* picture);

struct Agreement {
    std::uint64_t pixels = 0;     // compared
    std::uint64_t agreeing = 0;   // every colour channel within the tolerance
    int largestDifference = 0;    // over all channels of all pixels
    double share() const { return pixels ? double(agreeing) / double(pixels) : 0.0; }
};

// Compares colour channels only. Pictures of different sizes agree nowhere (pixels 0).
Agreement compare_pictures(const Picture& a, const Picture& b, int tolerance);
// What differs, for looking at: agreeing pixels as a's grey at a quarter, the others red.
Picture difference_picture(const Picture& a, const Picture& b, int tolerance);

}  // namespace brine::scenes
