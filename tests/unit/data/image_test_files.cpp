// stb_image_write compiled once for the image tests.
#include "tests/unit/data/image_test_files.h"

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

namespace brine::test {
namespace {
void append(void* context, void* data, int size) {
    auto* out = static_cast<Bytes*>(context);
    const auto* p = static_cast<const unsigned char*>(data);
    out->insert(out->end(), p, p + size);
}
}  // namespace

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
