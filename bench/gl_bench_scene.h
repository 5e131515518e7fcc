// One aquarium-like frame on the OpenGL device (Mesa llvmpipe on a private Xvfb) for the benchmarks:
// wallpaper blit, ten skinned meshes with four blend matrices, sixteen pellet boards, captions, a
// ticker drawn glyph by glyph, and Present into the desktop window that an X11Desktop picks.
// Benchmark code only.
#pragma once
#include <QGuiApplication>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "device/decoded_image.h"
#include "platform/linux/gl_graphics.h"
#include "platform/linux/x11_desktop.h"
#include "tests/support/xvfb_server.h"

namespace brine::bench {

struct BenchDisplay {
    test::XvfbServer server;
    std::unique_ptr<QGuiApplication> app;
    int argc = 1;
    char name[16] = "gl_frame_bench";
    char* argv[2] = {name, nullptr};
    BenchDisplay() {
        if (!server.start()) std::abort();
        setenv("DISPLAY", server.display_name().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        setenv("LP_NUM_THREADS", "0", 0);
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    ~BenchDisplay() { app.reset(); }
};

inline BenchDisplay& display() {
    static BenchDisplay d;
    return d;
}

struct Scene {
    X11Desktop desktop;
    GraphicsSystem* system = nullptr;
    GraphicsDevice* device = nullptr;
    Surface* wallpaper = nullptr;
    Texture* texture = nullptr;
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
    Font* font = nullptr;
    std::uint32_t triangles = 0;

    struct BlendVertex { float x, y, z, w[3], nx, ny, nz, u, v; };
    static constexpr std::uint32_t kMeshFvf = kFvfXyzB4 | kFvfNormal | kFvfTex1;

    explicit Scene(std::uint32_t width, std::uint32_t height) {
        display();
        desktop.check_active_desktop();
        WindowHandle window = desktop.find_web_view_window();
        GlGraphicsPlatform platform;
        system = platform.create_graphics_system(kD3DSdkVersion);
        PresentParams p{};
        p.backBufferWidth = width;
        p.backBufferHeight = height;
        p.backBufferCount = 1;
        p.deviceWindow = window;
        p.windowed = 1;
        p.enableAutoDepthStencil = 1;
        p.autoDepthStencilFormat = kFmtD24S8;
        p.presentationInterval = 0x80000000u;
        if (!system || system->create_device(0, kDevTypeHal, window, kCreateHardwareVertexProcessing, p, &device) < 0)
            std::abort();
        DecodedImage image;
        image.width = image.height = 256;
        image.pixels.assign(256 * 256, 0xFF3080C0);
        device->create_offscreen_plain_surface(256, 256, kFmtX8R8G8B8, kPoolDefault, &wallpaper);
        device->load_surface(wallpaper, image, 0xFF000000);
        device->create_texture(image, kD3DXDefault, 0, kFmtDxt1, kPoolManaged, &texture);
        // A 40 x 25 grid, two triangles per cell: 2000 triangles per fish.
        std::vector<BlendVertex> vertices;
        std::vector<std::uint16_t> indices;
        const int cols = 41, rows = 26;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c) {
                const float t = c / float(cols - 1);
                vertices.push_back({t * 40 - 20, r * 0.6f - 7.5f, 0, {1 - t, t * 0.5f, t * 0.25f}, 0, 0, -1, t, r / 25.0f});
            }
        for (int r = 0; r + 1 < rows; ++r)
            for (int c = 0; c + 1 < cols; ++c) {
                const std::uint16_t i = static_cast<std::uint16_t>(r * cols + c);
                indices.insert(indices.end(), {i, static_cast<std::uint16_t>(i + 1), static_cast<std::uint16_t>(i + cols),
                                               static_cast<std::uint16_t>(i + cols), static_cast<std::uint16_t>(i + 1),
                                               static_cast<std::uint16_t>(i + cols + 1)});
            }
        triangles = static_cast<std::uint32_t>(indices.size() / 3);
        device->create_vertex_buffer(vertices.data(), std::uint32_t(vertices.size() * sizeof(BlendVertex)), kMeshFvf, &vb);
        device->create_index_buffer(indices.data(), std::uint32_t(indices.size() * 2), false, &ib);
        LogFont f{};
        f.height = 12;
        f.weight = 400;
        f.charSet = kShiftJisCharset;
        f.quality = kAntialiasedQuality;
        std::strcpy(f.faceName, "\x82l\x82r \x83S\x83V\x83" "b\x83N");
        device->create_font(f, &font);
        frame(0, true);  // shaders compiled, glyphs rasterised, strings laid out
        frame(1, true);
    }
    ~Scene() {
        font->release();
        ib->release();
        vb->release();
        texture->release();
        wallpaper->release();
        device->release();
        system->release();
    }

    static Matrix matrix(float tx, float ty, float tz, float angle) {
        Matrix m{};
        m.m[0][0] = std::cos(angle); m.m[0][2] = -std::sin(angle);
        m.m[1][1] = 1;
        m.m[2][0] = std::sin(angle); m.m[2][2] = std::cos(angle);
        m.m[3][0] = tx; m.m[3][1] = ty; m.m[3][2] = tz; m.m[3][3] = 1;
        return m;
    }

    // Without the wallpaper, as over another program's desktop.
    void frame(int n, bool present, bool wallpaperToo = true) {
        GraphicsDevice* d = device;
        d->set_render_state(kRsZEnable, kZbTrue);
        d->set_render_state(kRsFillMode, kFillSolid);
        d->set_render_state(kRsCullMode, kCullCcw);
        d->set_render_state(kRsLighting, 1);
        d->set_render_state(kRsAmbient, 0x00555555);
        d->clear(0, nullptr, kClearTarget | kClearZBuffer, 0x004F4FFF, 1.0f, 0);
        d->begin_scene();
        Surface* back = nullptr;
        d->get_back_buffer(0, 0, &back);
        if (wallpaperToo) d->stretch_rect(wallpaper, nullptr, back, nullptr, kTexfNone);
        back->release();
        Matrix view = matrix(0, 0, 300, 0), projection{};
        projection.m[0][0] = 1.8f; projection.m[1][1] = 2.4f;
        projection.m[2][2] = 1000.0f / 999.0f; projection.m[2][3] = 1; projection.m[3][2] = -1000.0f / 999.0f;
        d->set_transform(kTsView, view);
        d->set_transform(kTsProjection, projection);
        Light light{};
        light.type = kLightDirectional;
        light.diffuse = {1, 1, 1, 1};
        light.direction = {0.3f, -0.5f, 1};
        d->set_light(0, light);
        d->light_enable(0, true);
        Material material{};
        material.diffuse = material.ambient = {1, 0.6f, 0.2f, 1};
        d->set_material(material);
        d->set_texture_stage_state(0, kTssColorOp, kTopModulate);
        d->set_texture_stage_state(0, kTssColorArg1, kTaTexture);
        d->set_texture_stage_state(0, kTssColorArg2, kTaDiffuse);
        d->set_texture(0, texture);
        d->set_fvf(kMeshFvf);
        d->set_stream_source(vb, sizeof(BlendVertex));
        d->set_indices(ib);
        d->set_render_state(kRsVertexBlend, 3);
        for (int fish = 0; fish < 10; ++fish)
            for (int group = 0; group < 2; ++group) {
                for (std::uint32_t k = 0; k < 4; ++k)
                    d->set_transform(world_matrix(k), matrix(fish * 12.0f - 54, group * 5.0f, 0, 0.1f * k + 0.01f * n));
                d->draw_indexed_primitive(kPtTriangleList, 0, 0, 41 * 26, 0, triangles);
            }
        d->set_render_state(kRsVertexBlend, 0);
        struct Board { float x, y, z, u, v; };
        const Board board[4] = {{-0.5f, -0.5f, 0, 0, 1}, {-0.5f, 0.5f, 0, 0, 0}, {0.5f, -0.5f, 0, 1, 1}, {0.5f, 0.5f, 0, 1, 0}};
        d->set_render_state(kRsAlphaBlendEnable, 1);
        d->set_render_state(kRsSrcBlend, kBlendSrcAlpha);
        d->set_render_state(kRsDestBlend, kBlendInvSrcAlpha);
        d->set_fvf(kFvfXyz | kFvfTex1);
        for (int pellet = 0; pellet < 16; ++pellet) {
            Matrix world = matrix(pellet * 8.0f - 60, 40, 0, 0);
            world.m[0][0] = world.m[1][1] = 3;
            d->set_transform(world_matrix(0), world);
            d->draw_primitive_up(kPtTriangleStrip, 2, board, sizeof(Board));
        }
        d->set_render_state(kRsAlphaBlendEnable, 0);
        font->begin();
        for (int caption = 0; caption < 20; ++caption) {
            Rect r{20 + caption * 30, 100 + caption * 10, 600, 112 + caption * 10};
            font->draw_text("\x96\x9E\x95\xA0\x93x(7)", -1, &r, kDtNoClip | kDtNoPrefix, 0xFF000000);
            r.left -= 1; r.top -= 1;
            font->draw_text("\x96\x9E\x95\xA0\x93x(7)", -1, &r, kDtNoClip | kDtNoPrefix, 0xFFFFFFFF);
        }
        const char ticker[] = "Brinelight topics: new fish are swimming in";
        Rect cursor{600 - (n % 600), 700, 0, 718};
        for (const char* c = ticker; *c; ++c, cursor.left += 9) font->draw_text(c, 1, &cursor, kDtNoClip | kDtNoPrefix, 0xFF00FFFF);
        font->end();
        d->end_scene();
        if (present) d->present();
    }
};

}  // namespace brine::bench
