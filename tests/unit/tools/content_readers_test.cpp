// The generated content as the program itself reads it: every mesh through the X-file reader
// (bind pose equal to the first rotation key, read with the file's conjugate convention), the
// shaders and the effect through the program's text checks, the images through the decoders.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "data/image_decode.h"
#include "fish/xfile_reader.h"
#include "render/shader_text.h"
#include "tools/fishgen/content.h"

namespace brine {
namespace {

bool ends_with(const std::string& s, const char* tail) {
    std::string t(tail);
    return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

}  // namespace

TEST(GeneratedContent, EveryMeshReadsAndItsFirstKeysReproduceTheBindPose) {
    auto packs = fishgen::build_fish_packs();
    int meshes = 0;
    for (const auto& pack : packs) {
        for (const auto& member : pack.members) {
            if (!ends_with(member.name, ".x")) continue;
            ++meshes;
            XFileScene scene;
            ASSERT_EQ(read_xfile(member.data.data(), member.data.size(), &scene), kOk) << member.name;
            ASSERT_FALSE(scene.animationSets.empty()) << member.name;
            int bones = 0;
            for (const auto& frame : scene.frames)
                for (const auto& mesh : frame.meshes) bones += static_cast<int>(mesh.bones.size());
            EXPECT_GE(bones, 8) << member.name;
            int checked = 0;
            for (const auto& anim : scene.animationSets[0].animations) {
                if (anim.rotationKeys.empty() || anim.frameIndex < 0) continue;
                XMatrix r = xfile_rotation_matrix(anim.rotationKeys[0]);
                const XMatrix& bind = scene.frames[static_cast<size_t>(anim.frameIndex)].transform;
                for (int i = 0; i < 3; ++i)
                    for (int j = 0; j < 3; ++j)
                        EXPECT_NEAR(r.m[i * 4 + j], bind.m[i * 4 + j], 2e-3f) << member.name << " " << anim.frameName;
                ++checked;
            }
            EXPECT_GT(checked, 0) << member.name;
        }
    }
    EXPECT_GE(meshes, 5);
}

TEST(GeneratedContent, ShadersAndEffectPassTheProgramsChecks) {
    auto pack = fishgen::build_initialize_pack();
    int shaders = 0, effects = 0;
    for (const auto& member : pack.members) {
        const char* text = reinterpret_cast<const char*>(member.data.data());
        if (ends_with(member.name, ".vsh")) {
            std::vector<std::uint32_t> tokens;
            EXPECT_EQ(assemble_shader(text, member.data.size(), &tokens), kOk) << member.name;
            ++shaders;
        } else if (ends_with(member.name, ".fx")) {
            EXPECT_EQ(check_effect(text, member.data.size()), kOk) << member.name;
            ++effects;
        }
    }
    EXPECT_EQ(shaders, 4);
    EXPECT_EQ(effects, 1);
}

TEST(GeneratedContent, ImagesDecode) {
    auto textures = fishgen::build_texture_pack();
    ASSERT_EQ(textures.members.size(), 1u);
    DecodedImage food;
    ASSERT_EQ(decode_image(textures.members[0].data.data(), textures.members[0].data.size(), &food), kOk);
    EXPECT_EQ(food.pixels[0] >> 24, 0u) << "transparent surround";
    EXPECT_EQ(food.pixels[food.width * (food.height / 2) + food.width / 2] >> 24, 0xFFu) << "opaque pellet";
    auto wall = fishgen::build_wallpaper_file();
    ImageInfo info{};
    ASSERT_EQ(get_image_info(wall.bytes.data(), wall.bytes.size(), &info), kOk);
    EXPECT_EQ(info.imageFileFormat, static_cast<std::uint32_t>(kIffJpg));
    EXPECT_LE(info.width, 1024u);
    EXPECT_LE(info.height, 1024u);
}

}  // namespace brine
