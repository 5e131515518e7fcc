// Image entries from packs and loose files, the wallpaper load with its size limit, and the two
// per-frame layouts.
#include <gtest/gtest.h>

#include "data/pack_writer.h"
#include "render/image_loading.h"
#include "render/wallpaper.h"
#include "tests/support/render_fakes.h"
#include "tests/support/scratch_dir.h"

namespace brine {
namespace {

class ImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        cwd = std::make_unique<test::CurrentDirGuard>(scratch.path());
        std::string reason;
        ASSERT_EQ(write_pack_file("texture.pak", {{"food.dds", {'I', 'M', 'G', ' ', '8', ' ', '4'}},
                                                  {"bad.dds", {'D', 'D', 'S'}}},
                                  &reason),
                  kOk);
        test::write_text("loose.img", "IMG 16 32");
        registry.get_or_create<SurfaceResource>(kWallpaperEntry);
    }
    void TearDown() override { registry.release_all_resources(); }

    HResult wallpaper(const char* path) { return load_wallpaper(blit, registry, loader, path, 640, 480); }
    SurfaceResource* bg() { return static_cast<SurfaceResource*>(registry.find_resource(kWallpaperEntry)); }

    test::ScratchDir scratch;
    std::unique_ptr<test::CurrentDirGuard> cwd;
    test::RecordingDevice device;
    ResourceRegistry registry;
    ImageLoader loader{&device, test::fake_decode_image};
    ImageBlit blit;
};

TEST_F(ImageTest, TextureFromMemberAndFromLooseFile) {
    auto* food = registry.get_or_create<TextureResource>("tex_food");
    TextureRequest request;
    request.path = "texture.pak";
    request.member = "food.dds";
    request.format = kFmtDxt1;
    ASSERT_EQ(load_texture(*food, loader, request), kOk);
    EXPECT_EQ(device.log().texts(), (std::vector<std::string>{"create_texture(8, 4, -1, 0, 0x31545844, 0)"}));
    EXPECT_EQ(test::label_of(food->texture), "texture#1");
    EXPECT_EQ(food->info.width, 8u);
    EXPECT_EQ(food->info.height, 4u);

    auto* loose = registry.get_or_create<TextureResource>("loose");
    request = TextureRequest{"loose.img", nullptr, true, 1, kFmtDxt5};
    ASSERT_EQ(load_texture(*loose, loader, request), kOk);
    EXPECT_EQ(device.log().calls.back().text(), "create_texture(16, 32, 1, 1, 0x35545844, 0)");
    EXPECT_EQ(loose->info.height, 32u);
}

TEST_F(ImageTest, MissingMemberIsFineMissingLooseFileIsNot) {
    auto* t = registry.get_or_create<TextureResource>("t");
    TextureRequest request;
    request.path = "absent.pak";
    request.member = "food.dds";
    EXPECT_EQ(load_texture(*t, loader, request), kOk);
    request.path = "texture.pak";
    request.member = "Food.dds";  // names are exact
    EXPECT_EQ(load_texture(*t, loader, request), kOk);
    EXPECT_EQ(t->texture, nullptr);
    EXPECT_EQ(t->info.width, 0u);
    EXPECT_TRUE(device.log().calls.empty());

    request.path = "absent.img";
    request.member = nullptr;
    EXPECT_EQ(load_texture(*t, loader, request), kD3DXErrInvalidData);
    auto* s = registry.get_or_create<SurfaceResource>("s");
    EXPECT_EQ(load_surface(*s, loader, "absent.img", nullptr, 0), kD3DXErrInvalidData);
    EXPECT_EQ(load_surface(*s, loader, "absent.pak", "x", 0), kOk);
    EXPECT_EQ(s->surface, nullptr);
    EXPECT_TRUE(device.log().calls.empty());
}

TEST_F(ImageTest, DecoderAndDeviceFailuresComeBackUnchanged) {
    auto* t = registry.get_or_create<TextureResource>("t");
    TextureRequest request;
    request.path = "texture.pak";
    request.member = "bad.dds";
    EXPECT_EQ(load_texture(*t, loader, request), kD3DXErrInvalidData);
    request.member = "food.dds";
    device.failures().fail("create_texture", kOutOfMemory);
    EXPECT_EQ(load_texture(*t, loader, request), kOutOfMemory);
    EXPECT_EQ(t->texture, nullptr);
    EXPECT_EQ(t->info.width, 8u);  // the image information is reported even so
}

TEST_F(ImageTest, SurfaceIsCreatedAtTheImageSizeAndLoadedWithTheKey) {
    auto* s = registry.get_or_create<SurfaceResource>("s");
    ASSERT_EQ(load_surface(*s, loader, "loose.img", nullptr, 0xFF000000u), kOk);
    EXPECT_EQ(device.log().texts(), (std::vector<std::string>{"create_offscreen_plain_surface(16, 32, 22, 0)",
                                                              "load_surface(surface#1, 16, 32, 0xFF000000)"}));
    // A surface the device will not create: the load that would follow fails with its code.
    device.log().clear();
    device.failures().fail("create_offscreen_plain_surface", kOutOfMemory);
    EXPECT_EQ(load_surface(*s, loader, "loose.img", nullptr, 0), kD3DErrInvalidCall);
    EXPECT_EQ(device.log().count("load_surface"), 0);
    EXPECT_EQ(device.log().count("release"), 1);  // the surface it held went first
}

TEST_F(ImageTest, WallpaperSizeLimitAndFailedLoads) {
    test::write_text("edge.img", "IMG 1024 1024");
    test::write_text("wide.img", "IMG 1025 10");
    ASSERT_EQ(wallpaper("edge.img"), kOk);
    EXPECT_EQ(blit.image, bg());
    EXPECT_EQ(test::format_rect(&blit.source), "{0 0 1024 1024}");
    EXPECT_EQ(test::format_rect(&blit.destination), "{0 0 640 480}");

    // Too wide: loaded, bound and shown, but reported as a failure.
    EXPECT_EQ(wallpaper("wide.img"), kFail);
    EXPECT_NE(bg()->surface, nullptr);
    EXPECT_EQ(blit.image, bg());
    EXPECT_EQ(test::format_rect(&blit.source), "{0 0 1025 10}");

    // A file that cannot be read: the previous picture is gone, nothing is copied, and the answer
    // is the load's own code even though the entry still describes the too-wide picture.
    device.log().clear();
    EXPECT_EQ(wallpaper("absent.jpg"), kD3DXErrInvalidData);
    EXPECT_EQ(device.log().count("release"), 1);
    EXPECT_EQ(bg()->surface, nullptr);
    Surface* back = device.make_surface("backbuffer", 640, 480);
    device.log().clear();
    draw_wallpaper(blit, device, back, kWallpaperEnlarge, 640, 480);
    EXPECT_EQ(device.log().count("stretch_rect"), 0);

    ResourceRegistry empty;
    EXPECT_EQ(load_wallpaper(blit, empty, loader, "edge.img", 640, 480), kFail);
}

TEST_F(ImageTest, TileLayoutOf100x100On640x480) {
    test::write_text("tile.img", "IMG 100 100");
    ASSERT_EQ(wallpaper("tile.img"), kOk);
    Surface* back = device.make_surface("backbuffer", 640, 480);
    device.log().clear();
    draw_wallpaper(blit, device, back, kWallpaperTile, 640, 480);
    const auto all = device.log().texts();
    ASSERT_EQ(all.size(), 35u);  // 7 columns, 5 rows
    const std::vector<std::string> firstRow = {
        "stretch_rect(surface#1, {0 0 100 100}, backbuffer, {0 0 100 100}, 0)",
        "stretch_rect(surface#1, {0 0 100 100}, backbuffer, {100 0 200 100}, 0)",
        "stretch_rect(surface#1, {0 0 100 100}, backbuffer, {200 0 300 100}, 0)",
        "stretch_rect(surface#1, {0 0 100 100}, backbuffer, {300 0 400 100}, 0)",
        "stretch_rect(surface#1, {0 0 100 100}, backbuffer, {400 0 500 100}, 0)",
        "stretch_rect(surface#1, {0 0 100 100}, backbuffer, {500 0 600 100}, 0)",
        "stretch_rect(surface#1, {0 0 40 100}, backbuffer, {600 0 640 100}, 0)",
    };
    const std::vector<std::string> lastRow = {
        "stretch_rect(surface#1, {0 0 100 80}, backbuffer, {0 400 100 480}, 0)",
        "stretch_rect(surface#1, {0 0 100 80}, backbuffer, {100 400 200 480}, 0)",
        "stretch_rect(surface#1, {0 0 100 80}, backbuffer, {200 400 300 480}, 0)",
        "stretch_rect(surface#1, {0 0 100 80}, backbuffer, {300 400 400 480}, 0)",
        "stretch_rect(surface#1, {0 0 100 80}, backbuffer, {400 400 500 480}, 0)",
        "stretch_rect(surface#1, {0 0 100 80}, backbuffer, {500 400 600 480}, 0)",
        "stretch_rect(surface#1, {0 0 40 80}, backbuffer, {600 400 640 480}, 0)",
    };
    EXPECT_EQ(std::vector<std::string>(all.begin(), all.begin() + 7), firstRow);
    EXPECT_EQ(std::vector<std::string>(all.end() - 7, all.end()), lastRow);
    EXPECT_EQ(all[13], "stretch_rect(surface#1, {0 0 40 100}, backbuffer, {600 100 640 200}, 0)");
    EXPECT_EQ(all[21], "stretch_rect(surface#1, {0 0 100 100}, backbuffer, {0 300 100 400}, 0)");
    // The last tile's rectangles stay in the blit.
    EXPECT_EQ(test::format_rect(&blit.destination), "{600 400 640 480}");
}

TEST_F(ImageTest, EnlargeAndExactFitLayouts) {
    test::write_text("big.img", "IMG 800 600");
    test::write_text("fit.img", "IMG 640 480");
    Surface* back = device.make_surface("backbuffer", 640, 480);
    ASSERT_EQ(wallpaper("big.img"), kOk);
    device.log().clear();
    draw_wallpaper(blit, device, back, kWallpaperEnlarge, 640, 480);
    EXPECT_EQ(device.log().texts(),
              (std::vector<std::string>{"stretch_rect(surface#1, {0 0 800 600}, backbuffer, {0 0 640 480}, 0)"}));
    ASSERT_EQ(wallpaper("fit.img"), kOk);
    device.log().clear();
    draw_wallpaper(blit, device, back, kWallpaperTile, 640, 480);
    EXPECT_EQ(device.log().texts(),
              (std::vector<std::string>{"stretch_rect(surface#2, {0 0 640 480}, backbuffer, {0 0 640 480}, 0)"}));
    device.log().clear();
    draw_wallpaper(blit, device, back, 1006, 640, 480);
    draw_wallpaper(blit, device, nullptr, kWallpaperEnlarge, 640, 480);  // no back buffer: nothing
    EXPECT_TRUE(device.log().calls.empty());
    EXPECT_EQ(tile_count(640, 0), 0u);
    EXPECT_EQ(tile_count(640, 640), 1u);
    EXPECT_EQ(tile_count(641, 640), 2u);
}

}  // namespace
}  // namespace brine
