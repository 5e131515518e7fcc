// Malformed and hostile X files: every one is refused with a failure code, never a crash, a
// hang or an allocation the data cannot justify. (The sanitizer build runs these too.)
#include <gtest/gtest.h>

#include <cstring>

#include "base/crt_rand.h"
#include "tests/support/xfile_writer.h"
#include "tests/unit/fish/xfile_test_util.h"

namespace brine {
namespace {

using xtest::read;
using xtest::text_file;

HResult read_text(const std::string& body) {
    XFileScene s;
    return read(text_file(body), &s);
}

std::string le32(std::uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}
std::string le16(std::uint16_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}
std::string bin_name(const std::string& n) { return le16(1) + le32(static_cast<std::uint32_t>(n.size())) + n; }

const char* const kTriangle = "3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;";

TEST(XFileHostile, HeadersThatAreNotXFiles) {
    XFileScene s;
    EXPECT_EQ(read_xfile(nullptr, 100, &s), kFail);
    EXPECT_EQ(read(std::string(), &s), kFail);
    EXPECT_EQ(read("xof 0303txt 003", &s), kFail);
    EXPECT_EQ(read("xof 0303txt 0016 Frame A {}", &s), kFail);
    EXPECT_EQ(read("xof 0303zip 0032 Frame A {}", &s), kFail);
    EXPECT_EQ(read("xof 03a3txt 0032 Frame A {}", &s), kFail);
    EXPECT_EQ(read("XOF 0303txt 0032 Frame A {}", &s), kFail);
    EXPECT_EQ(read("xof 0303txt 0032 Frame A {}", &s), kOk);
}

TEST(XFileHostile, CountsBeyondTheDataAreRefusedBeforeAllocating) {
    EXPECT_EQ(read_text("Frame A { Mesh { 4000000000; 0;0;0;; 1; 3;0,0,0;; } }"), kFail);
    EXPECT_EQ(read_text("Frame A { Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 99999999; 3;0,1,2;; } }"), kFail);
    EXPECT_EQ(read_text("Frame A { Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 4294967295;0,1,2;; } }"),
              kFail);
    EXPECT_EQ(read_text(std::string("Frame A { Mesh { ") + kTriangle +
                        " SkinWeights { \"A\"; 300000000; 0; 1.0; } } }"),
              kFail);
    EXPECT_EQ(read_text("Frame A {} AnimationSet { Animation { AnimationKey { 0; 2000000000; "
                        "0;4;1,0,0,0;;; } } }"),
              kFail);
    EXPECT_EQ(read_text("Frame A { Mesh { 4294967296; } }"), kFail);  // past 32 bits

    // Binary: a list whose length runs past the end, and a name longer than the file.
    std::string bin = "xof 0303bin 0032" + bin_name("Frame") + le16(10) + bin_name("Mesh") +
                      le16(10) + le16(6) + le32(0x40000000) + le32(3);
    XFileScene s;
    EXPECT_EQ(read(bin, &s), kFail);
    EXPECT_EQ(read("xof 0303bin 0032" + le16(1) + le32(0xFFFFFFF0u) + "Frame", &s), kFail);
    EXPECT_EQ(read("xof 0303bin 0032" + le16(7) + le32(0x20000000) + le32(0), &s), kFail);
}

TEST(XFileHostile, IndicesOutsideTheirArrays) {
    const std::string mesh = "Frame A { Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,";
    EXPECT_EQ(read_text(mesh + "3;; } }"), kFail);   // vertex 3 of 3
    EXPECT_EQ(read_text(mesh + "2;; } }"), kOk);

    const std::string tri = std::string("Frame A { Mesh { ") + kTriangle;
    // Normals: an index past the normals, faces that do not match the mesh's.
    EXPECT_EQ(read_text(tri + " MeshNormals { 1; 0;0;1;; 1; 3;0,0,1;; } } }"), kFail);
    EXPECT_EQ(read_text(tri + " MeshNormals { 1; 0;0;1;; 2; 3;0,0,0;, 3;0,0,0;; } } }"), kFail);
    EXPECT_EQ(read_text(tri + " MeshNormals { 1; 0;0;1;; 1; 4;0,0,0,0;; } } }"), kFail);
    EXPECT_EQ(read_text(tri + " MeshNormals { 1; 0;0;1;; 1; 3;0,0,0;; } } }"), kOk);
    // Colours for a vertex the mesh does not have.
    EXPECT_EQ(read_text(tri + " MeshVertexColors { 1; 3;1;1;1;1;;; } } }"), kFail);
    // Texture coordinates must match the vertices one to one.
    EXPECT_EQ(read_text(tri + " MeshTextureCoords { 2; 0;0;, 1;1;; } } }"), kFail);
    // Material indexes: past the materials, or neither one per face nor one for all.
    const std::string mat = " Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }";
    EXPECT_EQ(read_text(tri + " MeshMaterialList { 1; 1; 1;;" + mat + " } } }"), kFail);
    EXPECT_EQ(read_text("Frame A { Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 3; 3;0,1,2;, 3;0,1,2;, "
                        "3;0,1,2;; MeshMaterialList { 1; 2; 0,0;;" + mat + " } } }"),
              kFail);
    // Skin weights naming a vertex the mesh does not have.
    EXPECT_EQ(read_text(tri + " SkinWeights { \"A\"; 1; 3; 1.0; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; "
                              "} } }"),
              kFail);
    // Keys with the wrong number of values for their type.
    EXPECT_EQ(read_text("Frame A {} AnimationSet { Animation { { A } AnimationKey { 0; 1; "
                        "0;3;1,0,0;;; } } }"),
              kFail);
    EXPECT_EQ(read_text("Frame A {} AnimationSet { Animation { { A } AnimationKey { 4; 1; "
                        "0;12;1,0,0,0,0,1,0,0,0,0,1,0;;; } } }"),
              kFail);
}

TEST(XFileHostile, UnterminatedPieces) {
    EXPECT_EQ(read_text("Frame A { Mesh {"), kFail);
    EXPECT_EQ(read_text("Frame A { Frame B {}"), kFail);
    EXPECT_EQ(read_text("Frame A { Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; "
                        "SkinWeights { \"Bone; 0; } } }"),
              kFail);
    EXPECT_EQ(read_text("template T { <3d82ab46-62da-11cf "), kFail);
    EXPECT_EQ(read_text("Frame A { Mystery { { { } }"), kFail);
    EXPECT_EQ(read_text("Frame A { FrameTransformMatrix { 1, 2, 3 } }"), kFail);
    EXPECT_EQ(read_text("Frame A { FrameTransformMatrix { 1, 2, 3, x, 5 } }"), kFail);
    EXPECT_EQ(read_text("Frame A { Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,-2;; } }"), kFail);
}

TEST(XFileHostile, DeepNestingIsBoundedWithoutRecursingOnUnknownObjects) {
    std::string frames;
    for (int i = 0; i < 100000; ++i) frames += "Frame {";
    frames.append(100000, '}');
    EXPECT_EQ(read_text(frames), kFail);

    // Unknown objects are skipped by counting braces, however deep they go.
    std::string unknown = "Frame A { Odd {";
    for (int i = 0; i < 100000; ++i) unknown += " Odd {";
    unknown.append(100001, '}');
    unknown += " }";
    EXPECT_EQ(read_text(unknown), kOk);

    XFileLimits shallow;
    shallow.maxDepth = 2;
    XFileScene s;
    std::string file = text_file("Frame A { Frame B { Frame C {} } }");
    EXPECT_EQ(read_xfile(file.data(), file.size(), shallow, &s), kFail);
    EXPECT_EQ(read_xfile(file.data(), file.size(), &s), kOk);
}

TEST(XFileHostile, ModelBudgetGivesOutOfMemory) {
    std::string file = test::write_xfile(xtest::sample_scene());
    XFileLimits tight;
    tight.maxModelBytes = 512;
    XFileScene s;
    EXPECT_EQ(read_xfile(file.data(), file.size(), tight, &s), kOutOfMemory);
    EXPECT_TRUE(s.frames.empty());
    EXPECT_EQ(read_xfile(file.data(), file.size(), &s), kOk);
}

// A compressed file from a header, a total size and raw chunk bytes.
std::string zip_file(std::uint32_t total, const std::string& chunks) {
    return "xof 0303tzip0032" + le32(total) + chunks;
}

TEST(XFileHostile, CompressedFramingIsCheckedBeforeInflating) {
    const std::string good = test::compress_xfile(test::write_xfile(xtest::sample_scene()));
    XFileScene s;
    ASSERT_EQ(read(good, &s), kOk);

    auto with = [&](std::size_t at, const std::string& bytes) {
        std::string f = good;
        f.replace(at, bytes.size(), bytes);
        return f;
    };
    const std::uint32_t total = static_cast<std::uint32_t>(
        static_cast<unsigned char>(good[16]) | (static_cast<unsigned char>(good[17]) << 8) |
        (static_cast<unsigned char>(good[18]) << 16));
    EXPECT_EQ(read(with(16, le32(total + 1)), &s), kFail);       // chunks end short of the total
    EXPECT_EQ(read(with(16, le32(total - 1)), &s), kFail);       // last chunk overflows it
    EXPECT_EQ(read(with(16, le32(10)), &s), kFail);              // smaller than the header
    EXPECT_EQ(read(with(16, le32(0xFFFFFFF0u)), &s), kFail);     // far past any limit
    EXPECT_EQ(read(with(24, "CX"), &s), kFail);                  // chunk magic
    EXPECT_EQ(read(with(22, le16(0xFFFF)), &s), kFail);          // packed size past the data
    EXPECT_EQ(read(with(22, le16(1)), &s), kFail);               // packed size without "CK"
    EXPECT_EQ(read(with(20, le16(0)), &s), kFail);               // empty chunk
    EXPECT_EQ(read(with(30, std::string(8, '\xFF')), &s), kFail); // garbage DEFLATE data
    EXPECT_EQ(read(good.substr(0, good.size() - 5), &s), kFail);

    // A total that a file this small cannot hold is refused before anything is reserved.
    EXPECT_EQ(read(zip_file(200u << 20, le16(100) + le16(4) + "CK\x03\x00"), &s), kFail);
    // The total is bounded by the limit too.
    XFileLimits small;
    small.maxDecompressedBytes = 100;
    EXPECT_EQ(read_xfile(good.data(), good.size(), small, &s), kFail);
}

// Every prefix of a file, and files with bytes changed at random: refused or read, never worse.
void torture(const std::string& file, std::uint32_t seed) {
    XFileScene s;
    for (std::size_t n = 0; n < file.size(); ++n) {
        HResult r = read_xfile(file.data(), n, &s);
        EXPECT_TRUE(r == kOk || r == kFail) << n;
        if (r != kOk) {
            EXPECT_TRUE(s.frames.empty() && s.animationSets.empty());
        }
    }
    CrtRand rng;
    rng.srand(seed);
    for (int round = 0; round < 3000; ++round) {
        std::string f = file;
        int edits = 1 + rng.rand() % 4;
        for (int e = 0; e < edits; ++e) {
            std::size_t at = 16 + static_cast<std::size_t>(rng.rand()) % (f.size() - 16);
            f[at] = static_cast<char>(rng.rand() & 0xFF);
        }
        HResult r = read(f, &s);
        EXPECT_TRUE(r == kOk || r == kFail || r == kOutOfMemory);
    }
}

TEST(XFileHostile, TruncatedAndMutatedFilesOfEveryForm) {
    const XFileScene scene = xtest::sample_scene();
    test::XWriteOptions bin;
    bin.binary = true;
    const std::string text = test::write_xfile(scene);
    const std::string binary = test::write_xfile(scene, bin);
    test::XCompressOptions chunks;
    chunks.chunkBytes = 512;
    torture(text, 1);
    torture(binary, 2);
    torture(test::compress_xfile(text, chunks), 3);
    torture(test::compress_xfile(binary, chunks), 4);
}

}  // namespace
}  // namespace brine
