// Decoding speed of the image formats the program loads: DXT textures with their mip chains
// (food and fish skins) and a wallpaper-sized JPEG and PNG.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "data/image_decode.h"

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

namespace {

using Bytes = std::vector<unsigned char>;

void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// A DXT file of the given size with its full chain, filled with scrambled blocks.
Bytes make_dxt(std::uint32_t size, const char* code, std::size_t blockBytes) {
    Bytes f(128, 0);
    std::memcpy(f.data(), "DDS ", 4);
    put32(f, 4, 124);
    put32(f, 12, size);
    put32(f, 16, size);
    std::uint32_t levels = 0;
    std::size_t blocks = 0;
    for (std::uint32_t s = size;; s /= 2) {
        ++levels;
        blocks += static_cast<std::size_t>((s + 3) / 4) * ((s + 3) / 4);
        if (s == 1) break;
    }
    put32(f, 28, levels);
    put32(f, 76, 32);
    put32(f, 80, 4);
    std::memcpy(f.data() + 84, code, 4);
    std::uint32_t x = 12345;
    for (std::size_t i = 0; i < blocks * blockBytes; ++i) {
        x = x * 214013u + 2531011u;
        f.push_back(static_cast<unsigned char>(x >> 16));
    }
    return f;
}

Bytes make_photo(bool jpeg) {
    const int w = 1024, h = 768;
    std::vector<unsigned char> rgb(static_cast<std::size_t>(w) * h * 3);
    std::uint32_t x = 1;
    for (int y = 0; y < h; ++y)
        for (int c = 0; c < w; ++c) {
            x = x * 214013u + 2531011u;
            unsigned char* p = &rgb[(static_cast<std::size_t>(y) * w + c) * 3];
            p[0] = static_cast<unsigned char>(c / 4 + ((x >> 16) & 15));
            p[1] = static_cast<unsigned char>(y / 3);
            p[2] = static_cast<unsigned char>((c + y) / 7);
        }
    Bytes out;
    auto append = [](void* ctx, void* data, int n) {
        auto* o = static_cast<Bytes*>(ctx);
        o->insert(o->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + n);
    };
    if (jpeg) stbi_write_jpg_to_func(append, &out, w, h, 3, rgb.data(), 90);
    else stbi_write_png_to_func(append, &out, w, h, 3, rgb.data(), w * 3);
    return out;
}

void decode_loop(benchmark::State& state, const Bytes& file) {
    for (auto _ : state) {
        brine::DecodedImage img;
        if (brine::decode_image(file.data(), file.size(), &img) != brine::kOk) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(img.pixels.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(file.size()));
}

void BM_DecodeDxt1Chain256(benchmark::State& state) { decode_loop(state, make_dxt(256, "DXT1", 8)); }
void BM_DecodeDxt5Chain1024(benchmark::State& state) { decode_loop(state, make_dxt(1024, "DXT5", 16)); }
void BM_DecodeJpeg1024x768(benchmark::State& state) { decode_loop(state, make_photo(true)); }
void BM_DecodePng1024x768(benchmark::State& state) { decode_loop(state, make_photo(false)); }

BENCHMARK(BM_DecodeDxt1Chain256)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeDxt5Chain1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeJpeg1024x768)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodePng1024x768)->Unit(benchmark::kMillisecond);

}  // namespace
