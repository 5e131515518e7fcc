// PNG files of pictures and their comparison. The PNG writer is stb_image_write, compiled here
// with its functions static; reading goes through the core's own stb_image (data/stb_codec.h).
#include "tools/scenes/picture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "data/stb_codec.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#include <stb/stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace brine::scenes {

namespace {

int channel(std::uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

int largest_channel_difference(std::uint32_t a, std::uint32_t b) {
    int largest = 0;
    for (int shift : {16, 8, 0}) largest = std::max(largest, std::abs(channel(a, shift) - channel(b, shift)));
    return largest;
}

void append_bytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<unsigned char>*>(context);
    out->insert(out->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
}

bool save_bytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return (std::fclose(f) == 0) && written;
}

bool load_bytes(const std::string& path, std::vector<unsigned char>* bytes) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    unsigned char block[1 << 16];
    std::size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0) bytes->insert(bytes->end(), block, block + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

}  // namespace

bool write_png(const std::string& path, const Picture& picture) {
    if (picture.width == 0 || picture.height == 0 || picture.pixels.size() != std::size_t(picture.width) * picture.height)
        return false;
    std::vector<unsigned char> rgb(picture.pixels.size() * 3);
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
        rgb[3 * i] = static_cast<unsigned char>(channel(picture.pixels[i], 16));
        rgb[3 * i + 1] = static_cast<unsigned char>(channel(picture.pixels[i], 8));
        rgb[3 * i + 2] = static_cast<unsigned char>(channel(picture.pixels[i], 0));
    }
    std::vector<unsigned char> png;
    if (!stbi_write_png_to_func(append_bytes, &png, static_cast<int>(picture.width), static_cast<int>(picture.height),
                                3, rgb.data(), static_cast<int>(picture.width * 3)))
        return false;
    // Written beside and put in place, so a reader never meets half a file.
    const std::string temporary = path + ".part";
    if (!save_bytes(temporary, png)) {
        std::remove(temporary.c_str());
        return false;
    }
    std::remove(path.c_str());  // Windows' rename does not replace
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

bool read_png(const std::string& path, Picture* picture) {
    std::vector<unsigned char> bytes;
    if (!load_bytes(path, &bytes) || bytes.empty()) return false;
    std::uint32_t w = 0, h = 0;
    if (!stb_image_size(bytes.data(), bytes.size(), &w, &h) || w == 0 || h == 0) return false;
    Picture read;
    if (failed(stb_decode_argb(bytes.data(), bytes.size(), w, h, &read.pixels))) return false;
    read.width = w;
    read.height = h;
    *picture = std::move(read);
    return true;
}

Agreement compare_pictures(const Picture& a, const Picture& b, int tolerance) {
    Agreement result;
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size()) return result;
    result.pixels = a.pixels.size();
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        const int d = largest_channel_difference(a.pixels[i], b.pixels[i]);
        result.largestDifference = std::max(result.largestDifference, d);
        if (d <= tolerance) ++result.agreeing;
    }
    return result;
}

Picture difference_picture(const Picture& a, const Picture& b, int tolerance) {
    Picture out;
    if (a.width != b.width || a.height != b.height) return out;
    out.width = a.width;
    out.height = a.height;
    out.pixels.resize(a.pixels.size());
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        if (largest_channel_difference(a.pixels[i], b.pixels[i]) > tolerance) {
            out.pixels[i] = 0xFFFF0000u;
            continue;
        }
        const std::uint32_t grey =
            static_cast<std::uint32_t>(channel(a.pixels[i], 16) + channel(a.pixels[i], 8) + channel(a.pixels[i], 0)) / 12;
        out.pixels[i] = 0xFF000000u | grey << 16 | grey << 8 | grey;
    }
    return out;
}

}  // namespace brine::scenes
