// stb_image compiled for JPEG, PNG and BMP from memory, its functions static to this file so
// no other copy of stb_image in the program can clash with it.
// Must not depend on anything but the standard library, base/ and stb_image.
#include "data/stb_codec.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "data/image_decode.h"

namespace brine {
namespace {
// No single block stb_image asks for may be larger than the biggest image we accept needs
// (16-bit RGBA rows with their filter bytes), so a lying or bomb-like file fails instead of
// taking gigabytes. Blocks come zeroed: a JPEG scan that uses a Huffman table it never defined
// then reads an empty table, where stb_image 2.27 would index with leftover heap bytes.
constexpr std::size_t kMaxStbAllocation = 8 * static_cast<std::size_t>(kMaxImagePixels) + (std::size_t{1} << 20);
void* stb_malloc(std::size_t n) { return n > kMaxStbAllocation ? nullptr : std::calloc(1, n); }
void* stb_realloc(void* p, std::size_t n) { return n > kMaxStbAllocation ? nullptr : std::realloc(p, n); }
}  // namespace
}  // namespace brine

#define STBI_MALLOC(n) brine::stb_malloc(n)
#define STBI_REALLOC(p, n) brine::stb_realloc(p, n)
#define STBI_FREE(p) std::free(p)
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#define STBI_MAX_DIMENSIONS 16384
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#endif
// Two kinds of undefined behaviour in this stb_image are harmless on the targets we build for
// and would stop every sanitizer and fuzz run: copying zero bytes to a null buffer (a PNG with
// an empty IDAT chunk) and over-wide shifts of its bit reader on corrupt JPEG data (garbage
// bits, no memory touched). Only those two checks are lifted; bounds and address checks stay.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((no_sanitize("shift", "nonnull-attribute"))), apply_to = function)
#endif
#include <stb/stb_image.h>
#if defined(__clang__)
#pragma clang attribute pop
#endif
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace brine {

static_assert(STBI_MAX_DIMENSIONS == kMaxImageDimension, "stb_image's limit is ours");

bool stb_image_size(const unsigned char* data, std::size_t size, std::uint32_t* width, std::uint32_t* height) {
    if (data == nullptr || size == 0 || size > static_cast<std::size_t>(INT_MAX)) return false;
    int w = 0, h = 0, comp = 0;
    if (!stbi_info_from_memory(data, static_cast<int>(size), &w, &h, &comp) || w <= 0 || h <= 0) return false;
    *width = static_cast<std::uint32_t>(w);
    *height = static_cast<std::uint32_t>(h);
    return true;
}

HResult stb_decode_argb(const unsigned char* data, std::size_t size, std::uint32_t width,
                        std::uint32_t height, std::vector<std::uint32_t>* pixels) {
    if (data == nullptr || size == 0 || size > static_cast<std::size_t>(INT_MAX)) return kD3DXErrInvalidData;
    int w = 0, h = 0, comp = 0;
    stbi_uc* rgba = stbi_load_from_memory(data, static_cast<int>(size), &w, &h, &comp, 4);
    if (rgba == nullptr) {
        const char* why = stbi_failure_reason();
        return why != nullptr && std::strcmp(why, "outofmem") == 0 ? kOutOfMemory : kD3DXErrInvalidData;
    }
    HResult hr = kOk;
    if (static_cast<std::uint32_t>(w) != width || static_cast<std::uint32_t>(h) != height) {
        hr = kD3DXErrInvalidData;
    } else {
        try {
            const std::size_t count = static_cast<std::size_t>(width) * height;
            pixels->resize(count);
            const stbi_uc* p = rgba;
            for (std::size_t i = 0; i < count; ++i, p += 4)
                (*pixels)[i] = (static_cast<std::uint32_t>(p[3]) << 24) | (static_cast<std::uint32_t>(p[0]) << 16) |
                               (static_cast<std::uint32_t>(p[1]) << 8) | p[2];
        } catch (const std::bad_alloc&) {
            hr = kOutOfMemory;
        }
    }
    stbi_image_free(rgba);
    return hr;
}

}  // namespace brine
