// The Direct3D 9 device under wine, through the program's own interface and read back pixel by
// pixel: clears, the fixed-function light and material, textures and surfaces from decoded
// images, the colour key, StretchRect, indexed drawing from buffers, D3DX text in Japanese, the
// shaders and the effect through D3DX, and a reset.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include "data/pack_file.h"
#include "device/decoded_image.h"
#include "platform/windows/d3d9_graphics.h"
#include "platform/windows/d3dx_library.h"

namespace brine {
namespace {

constexpr std::uint32_t kSize = 64;
constexpr D3DColor kClear = 0x004F4FFF;

Matrix identity() {
    Matrix m{};
    for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
    return m;
}

// One device for the suite: making one on the software rasteriser takes seconds. Each test sets
// the states it draws with.
class D3d9Device : public ::testing::Test {
protected:
    static void SetUpTestSuite() { rig_ = new Rig; }
    static void TearDownTestSuite() {
        delete rig_;
        rig_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(rig_->d3dx_.loaded()) << "no d3dx9_43.dll";
        ASSERT_NE(rig_->device_, nullptr) << "no Direct3D 9 device (is DISPLAY set?)";
        device_ = rig_->device_;
        system_ = rig_->system_;
        params_ = rig_->params_;
    }

    std::vector<std::uint32_t> pixels() {
        std::vector<std::uint32_t> out(kSize * kSize);
        EXPECT_EQ(device_->read_back_buffer(kSize, kSize, out.data()), kOk);
        return out;
    }
    std::uint32_t at(const std::vector<std::uint32_t>& p, int x, int y) { return p[y * kSize + x] & 0xFFFFFF; }

    // Untransformed drawing in the unit square [-1, 1]: identity world, view and projection.
    void plain_transforms() {
        for (std::uint32_t t : {kTsView, kTsProjection, kTsWorld}) device_->set_transform(t, identity());
        device_->set_render_state(kRsCullMode, kCullNone);
        device_->set_render_state(kRsZEnable, kZbFalse);
    }

    GraphicsSystem* system_ = nullptr;
    GraphicsDevice* device_ = nullptr;
    PresentParams params_{};

private:
    struct Rig {
        Rig();
        ~Rig();
        D3dxLibrary d3dx_;
        D3d9GraphicsPlatform platform_{d3dx_};
        HWND window_ = nullptr;
        GraphicsSystem* system_ = nullptr;
        GraphicsDevice* device_ = nullptr;
        PresentParams params_{};
    };
    static Rig* rig_;
};

D3d9Device::Rig* D3d9Device::rig_ = nullptr;

D3d9Device::Rig::Rig() {
    if (!d3dx_.load()) return;
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"BrineD3d9DeviceTest";
    RegisterClassW(&wc);
    window_ = CreateWindowW(L"BrineD3d9DeviceTest", L"device", WS_POPUP, 0, 0, kSize, kSize, nullptr, nullptr,
                            wc.hInstance, nullptr);
    system_ = platform_.create_graphics_system(kD3DSdkVersion);
    if (!window_ || !system_) return;
    params_.backBufferWidth = kSize;
    params_.backBufferHeight = kSize;
    params_.backBufferFormat = kFmtX8R8G8B8;
    params_.backBufferCount = 1;
    params_.swapEffect = 1;  // discard
    params_.deviceWindow = window_;
    params_.windowed = 1;
    params_.enableAutoDepthStencil = 1;
    params_.autoDepthStencilFormat = kFmtD24S8;
    if (failed(system_->create_device(0, kDevTypeHal, window_, kCreateSoftwareVertexProcessing, params_, &device_)))
        device_ = nullptr;
}

D3d9Device::Rig::~Rig() {
    if (device_) device_->release();
    if (system_) system_->release();
    if (window_) DestroyWindow(window_);
}

TEST_F(D3d9Device, CapsClearAndReadBack) {
    DeviceCaps caps{};
    ASSERT_EQ(system_->get_device_caps(0, kDevTypeHal, &caps), kOk);
    EXPECT_GE(caps.maxVertexBlendMatrices, 1u);
    EXPECT_GE(caps.vertexShaderVersion, 0xFFFE0101u);
    EXPECT_EQ(system_->check_device_format(0, kDevTypeHal, kFmtX8R8G8B8, kUsageDepthStencil, kRtypeSurface, kFmtD16),
              kOk);

    ASSERT_EQ(device_->clear(0, nullptr, kClearTarget | kClearZBuffer, kClear, 1.0f, 0), kOk);
    const auto p = pixels();
    for (std::uint32_t v : p) ASSERT_EQ(v, 0xFF4F4FFFu) << "opaque clear colour everywhere";
    // Only the rectangle given is cleared.
    const Rect corner{0, 0, 8, 8};
    device_->clear(1, &corner, kClearTarget, 0x00FF0000, 1.0f, 0);
    const auto q = pixels();
    EXPECT_EQ(at(q, 2, 2), 0xFF0000u);
    EXPECT_EQ(at(q, 20, 20), 0x4F4FFFu);
    std::vector<std::uint32_t> small(4);
    EXPECT_NE(device_->read_back_buffer(2, 2, small.data()), kOk) << "the back buffer's own size only";
    EXPECT_EQ(device_->present(), kOk);
}

TEST_F(D3d9Device, ALitTriangleTakesTheMaterialAndTheLight) {
    plain_transforms();
    struct Vertex { float x, y, z, nx, ny, nz; };
    const Vertex triangle[] = {{-0.8f, -0.8f, 0.5f, 0, 0, -1}, {0.0f, 0.8f, 0.5f, 0, 0, -1}, {0.8f, -0.8f, 0.5f, 0, 0, -1}};
    Light light{};
    light.type = kLightDirectional;
    light.diffuse = {1, 1, 1, 1};
    light.direction = {0, 0, 1};  // towards the triangle's front
    Material material{};
    material.diffuse = {1, 0, 0, 1};
    ASSERT_EQ(device_->set_light(0, light), kOk);
    ASSERT_EQ(device_->light_enable(0, true), kOk);
    ASSERT_EQ(device_->set_material(material), kOk);
    device_->set_render_state(kRsLighting, 1);
    device_->set_render_state(kRsAmbient, 0);
    ASSERT_EQ(device_->set_fvf(kFvfXyz | kFvfNormal), kOk);
    device_->clear(0, nullptr, kClearTarget, kClear, 1.0f, 0);
    ASSERT_EQ(device_->begin_scene(), kOk);
    ASSERT_EQ(device_->draw_primitive_up(kPtTriangleList, 1, triangle, sizeof(Vertex)), kOk);
    ASSERT_EQ(device_->end_scene(), kOk);
    const auto p = pixels();
    EXPECT_EQ(at(p, kSize / 2, kSize / 2), 0xFF0000u) << "lit full red from the front";
    EXPECT_EQ(at(p, 1, 1), 0x4F4FFFu);

    // Turned away from the light: only the (black) ambient is left.
    light.direction = {0, 0, -1};
    device_->set_light(0, light);
    device_->clear(0, nullptr, kClearTarget, kClear, 1.0f, 0);
    device_->begin_scene();
    device_->draw_primitive_up(kPtTriangleList, 1, triangle, sizeof(Vertex));
    device_->end_scene();
    EXPECT_EQ(at(pixels(), kSize / 2, kSize / 2), 0x000000u);
}

DecodedImage quadrants() {
    DecodedImage image;
    image.width = image.height = 2;
    image.info.width = image.info.height = 2;
    image.pixels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    return image;
}

TEST_F(D3d9Device, TexturesFromDecodedImagesAndIndexedBuffers) {
    Texture* texture = nullptr;
    ASSERT_EQ(device_->create_texture(quadrants(), kD3DXDefault, 0, kFmtA8R8G8B8, kPoolManaged, &texture), kOk);
    EXPECT_EQ(texture->level_count(), 2u) << "the full chain down to 1 x 1";
    plain_transforms();
    device_->set_render_state(kRsLighting, 0);
    device_->set_texture_stage_state(0, kTssColorOp, kTopSelectArg1);
    device_->set_texture_stage_state(0, kTssColorArg1, kTaTexture);
    ASSERT_EQ(device_->set_texture(0, texture), kOk);

    struct Vertex { float x, y, z, u, v; };
    const Vertex quad[] = {{-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0}, {-1, -1, 0.5f, 0, 1}, {1, -1, 0.5f, 1, 1}};
    const std::uint16_t indices[] = {0, 1, 2, 2, 1, 3};
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
    ASSERT_EQ(device_->create_vertex_buffer(quad, sizeof quad, kFvfXyz | kFvfTex1, &vb), kOk);
    ASSERT_EQ(device_->create_index_buffer(indices, sizeof indices, false, &ib), kOk);
    device_->set_fvf(kFvfXyz | kFvfTex1);
    ASSERT_EQ(device_->set_stream_source(vb, sizeof(Vertex)), kOk);
    ASSERT_EQ(device_->set_indices(ib), kOk);
    device_->clear(0, nullptr, kClearTarget, kClear, 1.0f, 0);
    device_->begin_scene();
    ASSERT_EQ(device_->draw_indexed_primitive(kPtTriangleList, 0, 0, 4, 0, 2), kOk);
    device_->end_scene();
    const auto p = pixels();
    // Point sampling, Direct3D's default: each quarter of the picture shows one texel.
    EXPECT_EQ(at(p, 8, 8), 0xFF0000u);
    EXPECT_EQ(at(p, kSize - 8, 8), 0x00FF00u);
    EXPECT_EQ(at(p, 8, kSize - 8), 0x0000FFu);
    EXPECT_EQ(at(p, kSize - 8, kSize - 8), 0xFFFFFFu);
    device_->set_texture(0, nullptr);
    device_->set_stream_source(nullptr, 0);
    device_->set_indices(nullptr);
    texture->release();
    vb->release();
    ib->release();
}

TEST_F(D3d9Device, SurfacesLoadWithTheColourKeyAndStretchOntoTheBackBuffer) {
    Surface* surface = nullptr;
    ASSERT_EQ(device_->create_offscreen_plain_surface(2, 2, kFmtX8R8G8B8, kPoolDefault, &surface), kOk);
    DecodedImage image = quadrants();
    image.pixels[3] = 0xFF000000;  // the wallpaper's key colour
    ASSERT_EQ(device_->load_surface(surface, image, 0xFF000000), kOk);
    Surface* back = nullptr;
    ASSERT_EQ(device_->get_back_buffer(0, 0, &back), kOk);
    EXPECT_EQ(back->width(), kSize);
    device_->clear(0, nullptr, kClearTarget, kClear, 1.0f, 0);
    const Rect source{0, 0, 2, 2};
    const Rect target{0, 0, 32, 32};
    ASSERT_EQ(device_->stretch_rect(surface, &source, back, &target, kTexfNone), kOk);
    back->release();
    const auto p = pixels();
    EXPECT_EQ(at(p, 4, 4), 0xFF0000u);
    EXPECT_EQ(at(p, 20, 4), 0x00FF00u);
    EXPECT_EQ(at(p, 4, 20), 0x0000FFu);
    EXPECT_EQ(at(p, 20, 20), 0x000000u) << "the keyed texel is transparent black";
    EXPECT_EQ(at(p, 40, 40), 0x4F4FFFu) << "outside the target rectangle";
    EXPECT_NE(device_->load_surface(back, image, 0), kOk) << "the back buffer is not loaded from files";
    surface->release();
}

TEST_F(D3d9Device, JapaneseTextThroughTheFontAndItsBatch) {
    LogFont description{};
    description.height = 18;
    description.weight = 700;
    description.charSet = kShiftJisCharset;
    description.quality = kAntialiasedQuality;
    std::strcpy(description.faceName, "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E");  // ＭＳ ゴシック
    Font* font = nullptr;
    ASSERT_EQ(device_->create_font(description, &font), kOk);
    device_->clear(0, nullptr, kClearTarget, 0, 1.0f, 0);
    device_->begin_scene();
    ASSERT_EQ(font->begin(), kOk);
    Rect rect{2, 2, 60, 20};
    const char goldfish[] = "\x8B\xE0\x8B\x9B";  // 金魚
    EXPECT_GT(font->draw_text(goldfish, -1, &rect, kDtNoClip | kDtNoPrefix, 0xFFFFFFFF), 0);
    Rect second{2, 30, 60, 48};
    EXPECT_GT(font->draw_text(goldfish, 2, &second, kDtNoClip | kDtNoPrefix, 0xFFFFFFFF), 0) << "one glyph";
    ASSERT_EQ(font->end(), kOk);
    device_->end_scene();
    const auto p = pixels();
    auto bright = [&](int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += (at(p, x, y) & 0xFF) > 0x80;
        return n;
    };
    const int both = bright(0, 0, kSize, 24), one = bright(0, 28, kSize, kSize);
    EXPECT_GT(both, 20) << "two glyphs drawn";
    EXPECT_GT(one, 10) << "one glyph drawn";
    EXPECT_LT(one, both) << "a count of two bytes draws one glyph of the two";
    font->release();
}

TEST_F(D3d9Device, ShadersAndTheEffectThroughD3dxAndAReset) {
    const char shader[] = "vs.1.1\ndcl_position v0\nm4x4 oPos, v0, c0\nmov oD0, c4\n";
    VertexShader* vs = nullptr;
    ASSERT_EQ(device_->create_vertex_shader({shader, sizeof shader - 1, nullptr, 0}, &vs), kOk);
    vs->release();
    const char broken[] = "vs.1.1\nfrobnicate r0, v0\n";
    const HResult refused = device_->create_vertex_shader({broken, sizeof broken - 1, nullptr, 0}, &vs);
    EXPECT_LT(refused, 0) << "D3DX's own refusal";
    EXPECT_EQ(vs, nullptr);

    MemoryBlock compiled;
    ASSERT_EQ(load_into_memory((std::string(BRINE_PROGRAM_DIR) + "/initialize.pak").c_str(), "SkinnedMesh.fx",
                               &compiled),
              kOk);
    Effect* effect = nullptr;
    ASSERT_EQ(device_->create_effect(compiled.text(), static_cast<std::uint32_t>(compiled.size()), 1, &effect), kOk);
    effect->release();
    // Broken compiled effects never get here (D3DX would read past them: the core's check refuses
    // them first); text D3DX cannot compile comes back as its failure.
    const char text[] = "this is no effect";
    EXPECT_LT(device_->create_effect(text, sizeof text - 1, 1, &effect), 0);

    // A reset with the back buffer handed out and given back; drawing goes on after it.
    Surface* back = nullptr;
    ASSERT_EQ(device_->get_back_buffer(0, 0, &back), kOk);
    back->release();
    ASSERT_EQ(device_->reset(params_), kOk);
    ASSERT_EQ(device_->get_back_buffer(0, 0, &back), kOk);
    EXPECT_EQ(back->height(), kSize);
    back->release();
    device_->clear(0, nullptr, kClearTarget, 0x00123456, 1.0f, 0);
    EXPECT_EQ(at(pixels(), 10, 10), 0x123456u);
}

}  // namespace
}  // namespace brine
