// Shared pieces of the OpenGL device tests: a fixture with an offscreen device, read-back of
// back-buffer pixels, colour comparison and a few Direct3D-style matrices.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/linux/gl_graphics.h"

namespace brine::test {

inline PresentParams present_params(std::uint32_t width, std::uint32_t height, WindowHandle window = nullptr) {
    PresentParams p{};
    p.backBufferWidth = width;
    p.backBufferHeight = height;
    p.backBufferFormat = kFmtX8R8G8B8;
    p.backBufferCount = 1;
    p.swapEffect = 1;
    p.deviceWindow = window;
    p.windowed = 1;
    p.enableAutoDepthStencil = 1;
    p.autoDepthStencilFormat = kFmtD24S8;
    p.presentationInterval = 0x80000000u;  // no vertical sync in tests
    return p;
}

inline Matrix identity() {
    Matrix m{};
    for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
    return m;
}

inline Matrix translation(float x, float y, float z) {
    Matrix m = identity();
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    return m;
}

inline Matrix scaling(float x, float y, float z) {
    Matrix m{};
    m.m[0][0] = x;
    m.m[1][1] = y;
    m.m[2][2] = z;
    m.m[3][3] = 1.0f;
    return m;
}

inline Matrix rotation_y(float a) {  // D3DXMatrixRotationY
    Matrix m = identity();
    m.m[0][0] = std::cos(a);
    m.m[0][2] = -std::sin(a);
    m.m[2][0] = std::sin(a);
    m.m[2][2] = std::cos(a);
    return m;
}

inline int channel(std::uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

// Colours equal within tolerance per channel (alpha ignored: the back buffer is X8R8G8B8).
inline ::testing::AssertionResult rgb_near(std::uint32_t actual, std::uint32_t expected, int tolerance = 2) {
    for (int shift : {16, 8, 0})
        if (std::abs(channel(actual, shift) - channel(expected, shift)) > tolerance)
            return ::testing::AssertionFailure() << std::hex << "colour 0x" << (actual & 0xFFFFFF) << ", expected 0x"
                                                 << (expected & 0xFFFFFF);
    return ::testing::AssertionSuccess();
}

inline std::uint32_t rgb(float r, float g, float b) {
    auto c = [](float v) { return static_cast<std::uint32_t>(std::lround(std::fmin(std::fmax(v, 0.0f), 1.0f) * 255.0f)); };
    return (c(r) << 16) | (c(g) << 8) | c(b);
}

class GlDeviceTest : public ::testing::Test {
protected:
    static constexpr std::uint32_t kWidth = 64, kHeight = 64;

    void SetUp() override {
        system_ = platform_.create_graphics_system(kD3DSdkVersion);
        ASSERT_NE(system_, nullptr) << "no OpenGL 3.3 core context";
        GraphicsDevice* device = nullptr;
        ASSERT_EQ(system_->create_device(0, kDevTypeHal, nullptr, kCreateHardwareVertexProcessing,
                                         present_params(kWidth, kHeight), &device),
                  kOk);
        device_ = static_cast<GlGraphicsDevice*>(device);
    }
    void TearDown() override {
        if (device_) device_->release();
        if (system_) system_->release();
    }

    // The back buffer read back, top row first.
    void read() {
        pixels_.assign(kWidth * kHeight, 0);
        ASSERT_EQ(device_->read_back_buffer(kWidth, kHeight, pixels_.data()), kOk);
    }
    std::uint32_t at(std::uint32_t x, std::uint32_t y) const { return pixels_[y * kWidth + x] & 0xFFFFFF; }

    // Identity view and projection, lighting, depth test and culling off: positions are clip
    // coordinates.
    void flat_setup(std::uint32_t fvf) {
        device_->set_render_state(kRsZEnable, kZbFalse);
        device_->set_transform(kTsView, identity());
        device_->set_transform(kTsProjection, identity());
        device_->set_transform(world_matrix(0), identity());
        device_->set_render_state(kRsLighting, 0);
        device_->set_render_state(kRsCullMode, kCullNone);
        device_->set_fvf(fvf);
    }

    GlGraphicsPlatform platform_;
    GraphicsSystem* system_ = nullptr;
    GlGraphicsDevice* device_ = nullptr;
    std::vector<std::uint32_t> pixels_;
};

}  // namespace brine::test
