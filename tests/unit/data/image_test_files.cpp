// The image tests' file builders, with stb_image_write compiled once for them.
#include "tests/unit/data/image_test_files.h"

#include <zlib.h>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
// Its JPEG writer shifts negative values left; that is the writer's business, not what these
// tests check, so the sanitizer leaves it alone.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((no_sanitize("undefined"))), apply_to = function)
#endif
#include <stb/stb_image_write.h>
#if defined(__clang__)
#pragma clang attribute pop
#endif
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace brine::test {
namespace {
void append(void* context, void* data, int size) {
    auto* out = static_cast<Bytes*>(context);
    const auto* p = static_cast<const unsigned char*>(data);
    out->insert(out->end(), p, p + size);
}
}  // namespace

Bytes pattern_rgba(int w, int h, bool alpha) {
    Bytes px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            px.push_back(static_cast<unsigned char>(40 * x + 3));
            px.push_back(static_cast<unsigned char>(70 * y + 5));
            px.push_back(static_cast<unsigned char>(17 * (x + y)));
            px.push_back(alpha ? static_cast<unsigned char>(255 - 30 * (x + w * y)) : 255);
        }
    return px;
}

Bytes insert_chunk(const Bytes& png, const char* type, const Bytes& data) {
    Bytes chunk;
    const std::uint32_t n = static_cast<std::uint32_t>(data.size());
    for (int s = 24; s >= 0; s -= 8) chunk.push_back(static_cast<unsigned char>(n >> s));
    chunk.insert(chunk.end(), type, type + 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, chunk.data() + 4, static_cast<uInt>(chunk.size() - 4)));
    for (int s = 24; s >= 0; s -= 8) chunk.push_back(static_cast<unsigned char>(crc >> s));
    Bytes out;
    out.reserve(png.size() + chunk.size());
    out.insert(out.end(), png.begin(), png.begin() + 33);
    out.insert(out.end(), chunk.begin(), chunk.end());
    out.insert(out.end(), png.begin() + 33, png.end());
    return out;
}

Bytes hand_bmp(std::int32_t w, std::int32_t h, std::uint32_t bits, std::uint32_t compression, const Bytes& extra,
               const Bytes& rows) {
    Bytes f = {'B', 'M'};
    const std::uint32_t offset = 14 + 40 + static_cast<std::uint32_t>(extra.size());
    test::append_le32(f, offset + static_cast<std::uint32_t>(rows.size()));
    test::append_le32(f, 0);
    test::append_le32(f, offset);
    test::append_le32(f, 40);
    test::append_le32(f, static_cast<std::uint32_t>(w));
    test::append_le32(f, static_cast<std::uint32_t>(h));
    test::append_le16(f, 1);
    test::append_le16(f, bits);
    test::append_le32(f, compression);
    for (int i = 0; i < 5; ++i) test::append_le32(f, 0);
    f.insert(f.end(), extra.begin(), extra.end());
    f.insert(f.end(), rows.begin(), rows.end());
    return f;
}

Bytes write_png(int w, int h, int comp, const unsigned char* pixels) {
    Bytes out;
    stbi_write_png_to_func(append, &out, w, h, comp, pixels, w * comp);
    return out;
}

Bytes write_bmp(int w, int h, int comp, const unsigned char* pixels) {
    Bytes out;
    stbi_write_bmp_to_func(append, &out, w, h, comp, pixels);
    return out;
}

Bytes write_jpeg(int w, int h, int comp, const unsigned char* pixels, int quality) {
    Bytes out;
    stbi_write_jpg_to_func(append, &out, w, h, comp, pixels, quality);
    return out;
}

}  // namespace brine::test
