// One scene in every form an X file can take (text, binary with 32- or 64-bit floats, with and
// without compounded lists, MSZIP-compressed text and binary) must read back identically.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/xfile_writer.h"
#include "tests/unit/fish/xfile_test_util.h"

namespace brine {
namespace {

using test::compress_xfile;
using test::write_xfile;
using test::XCompressOptions;
using test::XWriteOptions;

XWriteOptions binary(int floatBits, bool compound = true) {
    XWriteOptions o;
    o.binary = true;
    o.floatBits = floatBits;
    o.compoundLists = compound;
    return o;
}

TEST(XFileFormats, EveryFormReadsTheSameScene) {
    const XFileScene scene = xtest::sample_scene();
    const std::string text = write_xfile(scene);
    const std::string bin32 = write_xfile(scene, binary(32));
    const std::string bin64 = write_xfile(scene, binary(64));
    const std::string single = write_xfile(scene, binary(32, false));
    ASSERT_EQ(text.compare(0, 16, "xof 0303txt 0032"), 0);
    ASSERT_EQ(bin64.compare(0, 16, "xof 0303bin 0064"), 0);

    XCompressOptions small;
    small.chunkBytes = 300;  // several chunks, each leaning on the one before
    XCompressOptions separate = small;
    separate.chainDictionary = false;

    const struct {
        const char* what;
        std::string file;
    } forms[] = {
        {"text", text},
        {"binary 32", bin32},
        {"binary 64", bin64},
        {"binary, one value per token", single},
        {"tzip", compress_xfile(text)},
        {"tzip, chained small chunks", compress_xfile(text, small)},
        {"bzip, chained small chunks", compress_xfile(bin32, small)},
        {"bzip 64, separate chunks", compress_xfile(bin64, separate)},
    };
    for (const auto& form : forms) {
        SCOPED_TRACE(form.what);
        XFileScene read;
        ASSERT_EQ(xtest::read(form.file, &read), kOk);
        xtest::expect_scene_eq(read, scene);
    }
}

// Whole-file buffers carry one zero byte after the data; passing it along changes nothing.
TEST(XFileFormats, ATrailingZeroByteIsHarmless) {
    const XFileScene scene = xtest::sample_scene();
    const std::string text = write_xfile(scene);
    const std::string bin = write_xfile(scene, binary(32));
    for (const std::string& file : {text, bin, compress_xfile(text), compress_xfile(bin)}) {
        XFileScene read;
        ASSERT_EQ(read_xfile(file.c_str(), file.size() + 1, &read), kOk);
        xtest::expect_scene_eq(read, scene);
    }
}

// Inflates chunk `index` of a compressed file on its own, without the previous output.
int inflate_chunk_alone(const std::string& file, int index, std::string* out) {
    std::size_t pos = 20;
    for (int i = 0; i < index; ++i) {
        std::size_t packed = static_cast<unsigned char>(file[pos + 2]) |
                             (static_cast<unsigned char>(file[pos + 3]) << 8);
        pos += 4 + packed;
    }
    std::size_t size = static_cast<unsigned char>(file[pos]) |
                       (static_cast<unsigned char>(file[pos + 1]) << 8);
    std::size_t packed = static_cast<unsigned char>(file[pos + 2]) |
                         (static_cast<unsigned char>(file[pos + 3]) << 8);
    z_stream z{};
    inflateInit2(&z, -15);
    out->assign(size, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(file.data() + pos + 6));
    z.avail_in = static_cast<uInt>(packed - 2);
    z.next_out = reinterpret_cast<Bytef*>(&(*out)[0]);
    z.avail_out = static_cast<uInt>(size);
    int rc = inflate(&z, Z_SYNC_FLUSH);
    inflateEnd(&z);
    return rc;
}

TEST(XFileFormats, ChunksThatReferToThePreviousChunkNeedItsOutput) {
    // Repetitive text makes the second chunk reach back into the first.
    XFileScene scene = xtest::sample_scene();
    for (int i = 0; i < 4; ++i) scene.frames[1].meshes.push_back(scene.frames[1].meshes[0]);
    const std::string text = write_xfile(scene);
    XCompressOptions o;
    o.chunkBytes = 2048;
    const std::string chained = compress_xfile(text, o);

    std::string alone;
    int rc = inflate_chunk_alone(chained, 1, &alone);
    bool selfContained = (rc == Z_OK || rc == Z_STREAM_END) && alone == text.substr(16 + 2048, 2048);
    ASSERT_FALSE(selfContained) << "the test data does not exercise the dictionary";

    XFileScene read;
    ASSERT_EQ(xtest::read(chained, &read), kOk);
    xtest::expect_scene_eq(read, scene);
}

// The fuzzer's seeds must stay valid files, or it starts from nothing.
TEST(XFileFormats, FuzzSeedsAreValidFiles) {
    namespace fs = std::filesystem;
    int seeds = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(BRINE_SOURCE_DIR) / "fuzz/corpus/xfile")) {
        SCOPED_TRACE(entry.path().string());
        std::ifstream in(entry.path(), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        XFileScene s;
        EXPECT_EQ(xtest::read(bytes, &s), kOk);
        ++seeds;
    }
    EXPECT_GE(seeds, 5);
}

}  // namespace
}  // namespace brine
