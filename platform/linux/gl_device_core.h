// What the OpenGL device, its resources and its fonts share: one Qt OpenGL 3.3 core context on
// a child window embedded in the X11 device window, a Wayland desktop's own window, or an
// offscreen surface, a cache of the GL state so that nothing is set twice, a streaming vertex
// buffer, the back-buffer framebuffer, the loss flag, and how frames are shown in the desktop's
// window (opaque, shaped or see-through). Lives as long as the device or any of its objects.
// Linux platform layer only.
#pragma once
#include <QOpenGLFunctions_3_3_Core>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/result.h"
#include "device/graphics_device.h"
#include "platform/linux/desktop_surface.h"
#include "platform/linux/gl_graphics.h"
#include "platform/linux/x11_shape.h"

class QOpenGLContext;
class QOffscreenSurface;
class QSurface;
class QWindow;

namespace brine {

using GlFunctions = QOpenGLFunctions_3_3_Core;

// Every GL binding and switch the device touches, mirrored so that a draw only issues the calls
// whose value changes. Anything that sets GL state behind its back must call invalidate().
class GlStateCache {
public:
    void attach(GlFunctions* gl) { gl_ = gl; invalidate(); }
    void invalidate();

    void depth_test(bool on) { toggle(GL_DEPTH_TEST, on, &depthTest_); }
    void cull(bool on) { toggle(GL_CULL_FACE, on, &cullFace_); }
    void blend(bool on) { toggle(GL_BLEND, on, &blend_); }
    void scissor_test(bool on) { toggle(GL_SCISSOR_TEST, on, &scissorTest_); }
    void blend_func(GLenum src, GLenum dst);
    // On a see-through window the back buffer holds premultiplied colour, so blending composes
    // alpha as "over" (one, one minus source alpha) whatever the colour factors are.
    void set_alpha_over(bool on) { alphaOver_ = on; blendSrc_ = blendDst_ = 0; }
    void depth_mask(bool on);
    void depth_func(GLenum func);
    void cull_face(GLenum face);
    void polygon_mode(GLenum mode);
    void point_size(float size);
    void viewport(GLint x, GLint y, GLsizei w, GLsizei h);
    void scissor(GLint x, GLint y, GLsizei w, GLsizei h);
    void depth_range(float nearZ, float farZ);
    void use_program(GLuint program);
    void bind_vertex_array(GLuint vao);
    void bind_array_buffer(GLuint buffer);
    void bind_texture(GLuint texture);  // unit 0, 2D
    void bind_draw_framebuffer(GLuint fbo);
    void bind_read_framebuffer(GLuint fbo);

private:
    void toggle(GLenum cap, bool on, int* cached);

    GlFunctions* gl_ = nullptr;
    bool alphaOver_ = false;
    int depthTest_ = -1, cullFace_ = -1, blend_ = -1, scissorTest_ = -1, depthMask_ = -1;
    GLenum blendSrc_ = 0, blendDst_ = 0, depthFunc_ = 0, cullFaceMode_ = 0, polygonMode_ = 0;
    float pointSize_ = -1.0f, depthNear_ = -1.0f, depthFar_ = -1.0f;
    GLint viewport_[4] = {-1, -1, -1, -1}, scissor_[4] = {-1, -1, -1, -1};
    GLuint program_ = ~0u, vao_ = ~0u, arrayBuffer_ = ~0u, texture_ = ~0u, drawFbo_ = ~0u, readFbo_ = ~0u;
};

class GlTexture;
class GlVertexBuffer;
class GlIndexBuffer;
struct TextProgram;

class GlDeviceCore {
public:
    struct Options {
        WindowHandle window = nullptr;  // X11 window id or a Wayland desktop's window; null: offscreen
        bool vsync = true;
    };
    // Creates the context and makes it current; null with *result set when it cannot.
    static std::shared_ptr<GlDeviceCore> create(const Options& options, HResult* result);
    ~GlDeviceCore();
    GlDeviceCore(const GlDeviceCore&) = delete;
    GlDeviceCore& operator=(const GlDeviceCore&) = delete;

    // Makes the context current; false once it is lost (then no GL call may be made).
    bool ensure_current();
    bool lost() const { return lost_; }
    // Asks the driver whether the context was reset; marks it lost if so.
    bool check_reset();
    QOpenGLContext* context() const { return context_; }

    GlFunctions* gl = nullptr;
    GlStateCache state;
    bool clipControl = false;  // depth in [0,1] natively; else the shaders remap it

    // --- the back buffer (colour + depth/stencil framebuffer of the presentation size) ---
    bool create_back_buffer(std::uint32_t width, std::uint32_t height, bool depth16);
    void destroy_back_buffer();
    GLuint backBufferFbo = 0;
    std::uint32_t backBufferWidth = 0, backBufferHeight = 0;

    // --- stretches replayed as copies ---
    // A stretch runs a shader over every pixel it writes on a software renderer, and the
    // wallpaper repeats the same one every frame. The last stretch into the back buffer is kept
    // in a texture of its size; an identical one then is a plain copy (ARB_copy_image). A
    // surface's content id changes whenever its pixels do, so a kept stretch never goes stale.
    struct StretchKey {
        std::uint64_t content = 0;
        std::int32_t source[4] = {}, dest[4] = {};  // left, top, right, bottom
        std::uint32_t filter = 0;
        bool operator==(const StretchKey& o) const;
    };
    // Copies the kept stretch of this key into the back buffer; false when there is none.
    bool replay_stretch(const StretchKey& key);
    // Keeps what a stretch of this key has just drawn into the back buffer.
    void keep_stretch(const StretchKey& key);
    std::uint64_t new_content_id() { return ++contentIds_; }

    // --- the device window ---
    bool has_window() const { return window_ != nullptr; }
    // How frames are shown in the window (the desktop's word for it; offscreen: the own desktop).
    SurfaceWay way() const { return way_; }
    bool see_through() const { return ::brine::see_through(way_); }
    // The desktop retired the window: the way of attaching changed and the display is rebuilt.
    bool retired() const;
    // Cuts the window to the back buffer's covered pixels (frames without an alpha visual over
    // another desktop); no-op otherwise.
    void shape_window_to_frame();
    // The window's size in pixels, followed as it changes; false without a window.
    bool window_size(std::uint32_t* width, std::uint32_t* height);
    // Swaps the window's buffers; false when the window is not (yet) shown.
    bool swap_window();

    // --- streaming vertices (DrawPrimitiveUP, text) ---
    // Copies size bytes into the stream buffer at an offset that is a multiple of align and gives
    // that offset; the buffer is left bound to GL_ARRAY_BUFFER. -1 when size is unreasonable.
    long long stream_write(const void* data, std::size_t size, std::size_t align);
    GLuint streamBuffer = 0;

    // The Direct3D viewport (top-left origin), which text drawing follows as D3DX sprites do.
    Viewport viewport{};
    // The program every font draws with, built by the first font and freed with the last.
    std::weak_ptr<TextProgram> textProgram;

    // --- objects currently bound by the device, cleared when they are released first ---
    GlTexture* boundTextures[4] = {};
    // Counts deleted GL objects: a name can be handed out again, so whatever caches names (the
    // state cache, vertex-array layouts) starts over when this moves.
    std::uint32_t deletions = 0;
    void object_deleted() { ++deletions; state.invalidate(); }
    GlVertexBuffer* boundVertexBuffer = nullptr;
    GlIndexBuffer* boundIndexBuffer = nullptr;

private:
    GlDeviceCore() = default;
    bool init(const Options& options, HResult* result);
    void layer_window_size(std::uint32_t* width, std::uint32_t* height) const;

    QOpenGLContext* context_ = nullptr;
    SurfaceWay way_ = SurfaceWay::kOwnDesktop;
    bool holdsSurface_ = false, shapesFrames_ = false;
    std::vector<std::uint32_t> shapePixels_;
    std::vector<ShapeRect> shapeRects_, shapeShown_;
    std::vector<std::int32_t> shapeRuns_;
    QSurface* surface_ = nullptr;
    QOffscreenSurface* offscreen_ = nullptr;
    QWindow* foreign_ = nullptr;  // the device window as Qt sees it
    QWindow* window_ = nullptr;   // our GL child covering it, or the Wayland desktop's window
    bool ownsWindow_ = true;
    unsigned long windowId_ = 0;
    std::uint32_t windowWidth_ = 0, windowHeight_ = 0;
    bool lost_ = false;
    GLenum (*getGraphicsResetStatus_)() = nullptr;
    GLuint colorBuffer_ = 0, depthBuffer_ = 0;
    void forget_stretch();
    using CopyImage = void(QOPENGLF_APIENTRYP)(GLuint, GLenum, GLint, GLint, GLint, GLint, GLuint, GLenum, GLint,
                                               GLint, GLint, GLint, GLsizei, GLsizei, GLsizei);
    CopyImage copyImage_ = nullptr;
    GLuint stretchTexture_ = 0;
    StretchKey stretchKey_;
    bool stretchKept_ = false;
    std::uint64_t contentIds_ = 0;
    std::size_t streamCapacity_ = 0, streamOffset_ = 0;
};

}  // namespace brine
