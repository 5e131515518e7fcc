// The seed corpora of the image fuzz targets: every committed seed must be a file the decoders
// accept, so the fuzzers start from deep inside the readers. Run with BRINE_WRITE_FUZZ_SEEDS=1
// to write the seeds afresh into fuzz/corpus/dds and fuzz/corpus/image of the source tree.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "data/image_decode.h"
#include "tests/unit/data/image_test_files.h"

namespace brine {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

std::map<std::string, Bytes> dds_seeds() {
    std::map<std::string, Bytes> seeds;
    Bytes dxt1;
    const int ramp[16] = {0, 1, 2, 3, 1, 2, 3, 0, 2, 3, 0, 1, 3, 0, 1, 2};
    for (int block = 0; block < 4 + 1 + 1 + 1; ++block) {  // 8x8 with its chain, both colour modes
        Bytes b = block % 2 ? test::dxt1_block(0xF800, 0x001F, ramp) : test::dxt1_block(0x001F, 0xF800, ramp);
        dxt1.insert(dxt1.end(), b.begin(), b.end());
    }
    seeds["dxt1_8x8_mips.dds"] = test::make_dds(test::dds_compressed(8, 8, "DXT1", 4), dxt1);
    Bytes dxt3(16);
    for (int i = 0; i < 16; ++i) dxt3[i] = static_cast<unsigned char>(i * 37 + 11);
    seeds["dxt3_4x4.dds"] = test::make_dds(test::dds_compressed(4, 4, "DXT3"), dxt3);
    Bytes dxt5;
    for (int block = 0; block < 2 + 1 + 1 + 1; ++block) {  // 8x4, 4x2, 2x1, 1x1
        for (int i = 0; i < 16; ++i) dxt5.push_back(static_cast<unsigned char>(block * 50 + i * 13 + (i == 0 ? 200 : 0)));
    }
    seeds["dxt5_8x4_mips.dds"] = test::make_dds(test::dds_compressed(8, 4, "DXT5", 4), dxt5);
    Bytes argb;
    for (int i = 0; i < 16 + 4 + 1; ++i) test::append_le32(argb, 0x80402010u * static_cast<std::uint32_t>(i + 1));
    seeds["a8r8g8b8_4x4_mips.dds"] =
        test::make_dds(test::dds_masked(4, 4, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, 3), argb);
    Bytes rgb565;
    for (int i = 0; i < 9; ++i) test::append_le16(rgb565, static_cast<std::uint32_t>(0x1234 * (i + 1)));
    seeds["r5g6b5_3x3.dds"] = test::make_dds(test::dds_masked(3, 3, 16, 0xF800, 0x07E0, 0x001F, 0), rgb565);
    test::DdsSpec a8l8 = test::dds_masked(2, 2, 16, 0xFF, 0, 0, 0xFF00);
    a8l8.pfFlags = 0x20001;
    seeds["a8l8_2x2.dds"] = test::make_dds(a8l8, {0x10, 0x80, 0x20, 0xFF, 0x30, 0x00, 0x40, 0x7F});
    test::DdsSpec numbered;
    numbered.width = 2;
    numbered.height = 1;
    numbered.pfFlags = 0x4;
    numbered.fourcc = kFmtA4R4G4B4;
    seeds["fourcc_number_2x1.dds"] = test::make_dds(numbered, {0x34, 0x12, 0x00, 0xF0});
    return seeds;
}

std::map<std::string, Bytes> image_seeds() {
    std::map<std::string, Bytes> seeds;
    const Bytes rgba = test::pattern_rgba(4, 4, true);
    Bytes rgb, grey;
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        rgb.insert(rgb.end(), &rgba[i], &rgba[i] + 3);
        grey.push_back(rgba[i + 1]);
    }
    seeds["rgba_4x4.png"] = test::write_png(4, 4, 4, rgba.data());
    seeds["rgb_trns_4x4.png"] = test::insert_chunk(test::write_png(4, 4, 3, rgb.data()), "tRNS", {0, 3, 0, 5, 0, 0});
    seeds["grey_4x4.png"] = test::write_png(4, 4, 1, grey.data());
    seeds["rgb_4x4.jpg"] = test::write_jpeg(4, 4, 3, rgb.data(), 90);
    seeds["grey_4x4.jpg"] = test::write_jpeg(4, 4, 1, grey.data(), 75);
    seeds["rgb_4x4.bmp"] = test::write_bmp(4, 4, 3, rgb.data());
    seeds["rgba_v4_4x4.bmp"] = test::write_bmp(4, 4, 4, rgba.data());
    Bytes palette;
    for (std::uint32_t c : {0x00112233u, 0x00445566u, 0x00FF0000u}) test::append_le32(palette, c);
    seeds["p8_top_down_2x2.bmp"] = test::hand_bmp(2, -2, 8, 0, palette, {0, 1, 0, 0, 2, 1, 0, 0});
    Bytes masks;
    for (std::uint32_t m : {0xF800u, 0x07E0u, 0x001Fu}) test::append_le32(masks, m);
    seeds["r5g6b5_2x2.bmp"] = test::hand_bmp(2, 2, 16, 3, masks, {0x1F, 0x00, 0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07});
    return seeds;
}

void write_seeds(const fs::path& dir, const std::map<std::string, Bytes>& seeds) {
    fs::create_directories(dir);
    for (const auto& [name, bytes] : seeds) {
        std::ofstream out(dir / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
}

void expect_corpus_decodes(const fs::path& dir, std::size_t atLeast) {
    ASSERT_TRUE(fs::is_directory(dir)) << dir;
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_LE(bytes.size(), 4096u) << entry.path();
        ImageInfo info{};
        EXPECT_EQ(get_image_info(bytes.data(), bytes.size(), &info), kOk) << entry.path();
        DecodedImage img;
        EXPECT_EQ(decode_image(bytes.data(), bytes.size(), &img), kOk) << entry.path();
        EXPECT_EQ(img.pixels.size(), static_cast<std::size_t>(info.width) * info.height) << entry.path();
        ++count;
    }
    EXPECT_GE(count, atLeast) << dir;
}

TEST(ImageFuzzSeeds, EveryCommittedSeedDecodes) {
    const fs::path corpus = fs::path(BRINE_SOURCE_DIR) / "fuzz" / "corpus";
    const char* write = std::getenv("BRINE_WRITE_FUZZ_SEEDS");
    if (write != nullptr && std::string(write) == "1") {
        write_seeds(corpus / "dds", dds_seeds());
        write_seeds(corpus / "image", image_seeds());
    }
    expect_corpus_decodes(corpus / "dds", dds_seeds().size());
    expect_corpus_decodes(corpus / "image", image_seeds().size());
}

}  // namespace
}  // namespace brine
