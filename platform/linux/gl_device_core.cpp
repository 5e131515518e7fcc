#include "platform/linux/gl_device_core.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLVersionFunctionsFactory>
#include <QWindow>
#include <X11/Xlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/linux/wayland_desktop.h"

namespace brine {

// --- GlStateCache ---

void GlStateCache::invalidate() {
    depthTest_ = cullFace_ = blend_ = scissorTest_ = depthMask_ = -1;
    blendSrc_ = blendDst_ = depthFunc_ = cullFaceMode_ = polygonMode_ = 0;
    pointSize_ = depthNear_ = depthFar_ = -1.0f;
    for (int i = 0; i < 4; ++i) viewport_[i] = scissor_[i] = -1;
    program_ = vao_ = arrayBuffer_ = texture_ = drawFbo_ = readFbo_ = ~0u;
}

void GlStateCache::toggle(GLenum cap, bool on, int* cached) {
    if (*cached == static_cast<int>(on)) return;
    *cached = on;
    if (on) gl_->glEnable(cap);
    else gl_->glDisable(cap);
}

void GlStateCache::blend_func(GLenum src, GLenum dst) {
    if (src == blendSrc_ && dst == blendDst_) return;
    blendSrc_ = src;
    blendDst_ = dst;
    if (alphaOver_) gl_->glBlendFuncSeparate(src, dst, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    else gl_->glBlendFunc(src, dst);
}

void GlStateCache::depth_mask(bool on) {
    if (depthMask_ == static_cast<int>(on)) return;
    depthMask_ = on;
    gl_->glDepthMask(on ? GL_TRUE : GL_FALSE);
}

void GlStateCache::depth_func(GLenum func) {
    if (func == depthFunc_) return;
    depthFunc_ = func;
    gl_->glDepthFunc(func);
}

void GlStateCache::cull_face(GLenum face) {
    if (face == cullFaceMode_) return;
    cullFaceMode_ = face;
    gl_->glCullFace(face);
}

void GlStateCache::polygon_mode(GLenum mode) {
    if (mode == polygonMode_) return;
    polygonMode_ = mode;
    gl_->glPolygonMode(GL_FRONT_AND_BACK, mode);
}

void GlStateCache::point_size(float size) {
    if (size == pointSize_) return;
    pointSize_ = size;
    gl_->glPointSize(size);
}

void GlStateCache::viewport(GLint x, GLint y, GLsizei w, GLsizei h) {
    if (viewport_[0] == x && viewport_[1] == y && viewport_[2] == w && viewport_[3] == h) return;
    viewport_[0] = x; viewport_[1] = y; viewport_[2] = w; viewport_[3] = h;
    gl_->glViewport(x, y, w, h);
}

void GlStateCache::scissor(GLint x, GLint y, GLsizei w, GLsizei h) {
    if (scissor_[0] == x && scissor_[1] == y && scissor_[2] == w && scissor_[3] == h) return;
    scissor_[0] = x; scissor_[1] = y; scissor_[2] = w; scissor_[3] = h;
    gl_->glScissor(x, y, w, h);
}

void GlStateCache::depth_range(float nearZ, float farZ) {
    if (nearZ == depthNear_ && farZ == depthFar_) return;
    depthNear_ = nearZ;
    depthFar_ = farZ;
    gl_->glDepthRange(nearZ, farZ);
}

void GlStateCache::use_program(GLuint program) {
    if (program == program_) return;
    program_ = program;
    gl_->glUseProgram(program);
}

void GlStateCache::bind_vertex_array(GLuint vao) {
    if (vao == vao_) return;
    vao_ = vao;
    gl_->glBindVertexArray(vao);
}

void GlStateCache::bind_array_buffer(GLuint buffer) {
    if (buffer == arrayBuffer_) return;
    arrayBuffer_ = buffer;
    gl_->glBindBuffer(GL_ARRAY_BUFFER, buffer);
}

void GlStateCache::bind_texture(GLuint texture) {
    if (texture == texture_) return;
    texture_ = texture;
    gl_->glBindTexture(GL_TEXTURE_2D, texture);
}

void GlStateCache::bind_draw_framebuffer(GLuint fbo) {
    if (fbo == drawFbo_) return;
    drawFbo_ = fbo;
    gl_->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo);
}

void GlStateCache::bind_read_framebuffer(GLuint fbo) {
    if (fbo == readFbo_) return;
    readFbo_ = fbo;
    gl_->glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
}

// --- GlDeviceCore ---

namespace {

QSurfaceFormat device_format(bool vsync, bool robust, bool alpha) {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setAlphaBufferSize(alpha ? 8 : 0);  // with alpha Qt gives the window a 32-bit ARGB visual
    format.setDepthBufferSize(0);  // depth lives in the back-buffer framebuffer
    format.setStencilBufferSize(0);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setSwapInterval(vsync ? 1 : 0);
    if (robust) format.setOption(QSurfaceFormat::ResetNotification);
    return format;
}

Display* x11_display() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

int ignore_x_error(Display*, XErrorEvent*) { return 0; }

// The window's size, or false when the id names no window. Xlib's own handler would end the
// process over the BadDrawable a stale id provokes, so a quiet one stands in for the call.
bool query_window_size(unsigned long id, std::uint32_t* width, std::uint32_t* height) {
    Display* display = x11_display();
    if (!display) return false;
    ::Window root = 0;
    int x = 0, y = 0;
    unsigned int w = 0, h = 0, border = 0, depth = 0;
    const XErrorHandler previous = XSetErrorHandler(ignore_x_error);
    const Status found = XGetGeometry(display, id, &root, &x, &y, &w, &h, &border, &depth);
    XSetErrorHandler(previous);
    if (!found) return false;
    *width = w;
    *height = h;
    return true;
}

}  // namespace

std::shared_ptr<GlDeviceCore> GlDeviceCore::create(const Options& options, HResult* result) {
    std::shared_ptr<GlDeviceCore> core(new GlDeviceCore());
    if (!core->init(options, result)) return nullptr;
    *result = kOk;
    return core;
}

bool GlDeviceCore::init(const Options& options, HResult* result) {
    *result = kD3dErrNotAvailable;
    if (!qGuiApp) return false;
    // A Wayland desktop's window is ours already: drawn into as it is, its format chosen by the
    // desktop to match the way it publishes.
    QWindow* layerWindow = wayland_tank_window(options.window);
    if (options.window) {
        windowId_ = static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(options.window));
        if (!layerWindow && !query_window_size(windowId_, &windowWidth_, &windowHeight_)) {
            *result = kD3dErrInvalidCall;
            return false;
        }
    }
    way_ = options.window ? desktop_surface_way(windowId_) : SurfaceWay::kOwnDesktop;
    const bool alpha = way_ == SurfaceWay::kOverTranslucent;
    context_ = new QOpenGLContext();
    context_->setFormat(device_format(options.vsync, true, alpha));
    if (!context_->create()) {  // drivers without robustness refuse the reset option
        context_->setFormat(device_format(options.vsync, false, alpha));
        if (!context_->create()) return false;
    }
    if (layerWindow) {
        window_ = layerWindow;
        ownsWindow_ = false;
        surface_ = window_;
        layer_window_size(&windowWidth_, &windowHeight_);
        hold_desktop_surface(windowId_);
        holdsSurface_ = true;
    } else if (options.window) {
        // Drawing goes to a child window of our own: Qt then picks its visual to suit the context,
        // sees it exposed and passes input through to the window beneath.
        foreign_ = QWindow::fromWinId(static_cast<WId>(windowId_));
        if (!foreign_) return false;
        window_ = new QWindow(foreign_);
        window_->setSurfaceType(QSurface::OpenGLSurface);
        window_->setFormat(context_->format());
        window_->setFlag(Qt::WindowTransparentForInput);
        const qreal ratio = window_->devicePixelRatio();
        window_->setGeometry(0, 0, static_cast<int>(windowWidth_ / ratio), static_cast<int>(windowHeight_ / ratio));
        window_->create();
        window_->show();
        surface_ = window_;
        hold_desktop_surface(windowId_);
        holdsSurface_ = true;
        // Without an alpha channel in the window's visual, see-through falls back to the shape.
        shapesFrames_ = way_ == SurfaceWay::kOverShaped ||
                        (way_ == SurfaceWay::kOverTranslucent && window_->format().alphaBufferSize() < 8);
    } else {
        offscreen_ = new QOffscreenSurface();
        offscreen_->setFormat(context_->format());
        offscreen_->create();
        if (!offscreen_->isValid()) return false;
        surface_ = offscreen_;
    }
    if (!context_->makeCurrent(surface_)) return false;
    gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(context_);
    if (!gl || !gl->initializeOpenGLFunctions()) {
        gl = nullptr;
        return false;
    }
    QObject::connect(context_, &QOpenGLContext::aboutToBeDestroyed, [this] { lost_ = true; });
    const QSurfaceFormat format = context_->format();
    const bool gl45 = format.version() >= qMakePair(4, 5);
    if (gl45 || context_->hasExtension("GL_ARB_clip_control")) {
        auto clip = reinterpret_cast<void(QOPENGLF_APIENTRYP)(GLenum, GLenum)>(context_->getProcAddress("glClipControl"));
        if (clip) {
            clip(GL_LOWER_LEFT, 0x935F /* GL_ZERO_TO_ONE */);
            clipControl = true;
        }
    }
    if (format.version() >= qMakePair(4, 3) || context_->hasExtension("GL_ARB_copy_image"))
        copyImage_ = reinterpret_cast<CopyImage>(context_->getProcAddress("glCopyImageSubData"));
    if (format.testOption(QSurfaceFormat::ResetNotification)) {
        const char* name = gl45 ? "glGetGraphicsResetStatus" : "glGetGraphicsResetStatusARB";
        getGraphicsResetStatus_ = reinterpret_cast<GLenum(QOPENGLF_APIENTRYP)()>(context_->getProcAddress(name));
    }
    state.attach(gl);
    state.set_alpha_over(see_through());
    gl->glFrontFace(GL_CW);  // Direct3D's front faces are clockwise on screen
    gl->glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);  // flat shading takes a face's first vertex
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    gl->glGenBuffers(1, &streamBuffer);
    state.bind_array_buffer(streamBuffer);
    streamCapacity_ = 1u << 20;
    gl->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(streamCapacity_), nullptr, GL_STREAM_DRAW);
    return gl->glGetError() == GL_NO_ERROR;
}

GlDeviceCore::~GlDeviceCore() {
    if (gl && ensure_current()) {
        destroy_back_buffer();
        if (streamBuffer) gl->glDeleteBuffers(1, &streamBuffer);
    }
    if (context_) {
        if (QOpenGLContext::currentContext() == context_) context_->doneCurrent();
        delete context_;
    }
    if (ownsWindow_) delete window_;
    delete foreign_;
    delete offscreen_;
    if (holdsSurface_) let_go_desktop_surface(windowId_);  // a retired window may go now
}

bool GlDeviceCore::retired() const { return holdsSurface_ && desktop_surface_retired(windowId_); }

void GlDeviceCore::shape_window_to_frame() {
    Display* display = x11_display();
    if (!shapesFrames_ || !display || !ensure_current()) return;
    std::uint32_t width = 0, height = 0;
    if (!window_size(&width, &height)) return;
    const std::size_t count = static_cast<std::size_t>(backBufferWidth) * backBufferHeight;
    if (shapePixels_.size() != count) shapePixels_.resize(count);
    state.bind_read_framebuffer(backBufferFbo);
    gl->glReadPixels(0, 0, static_cast<GLsizei>(backBufferWidth), static_cast<GLsizei>(backBufferHeight), GL_BGRA,
                     GL_UNSIGNED_INT_8_8_8_8_REV, shapePixels_.data());
    FrameAlpha frame;
    frame.pixels = shapePixels_.data();
    frame.width = backBufferWidth;
    frame.height = backBufferHeight;
    frame.bottomUp = true;
    build_frame_shape(frame, width, height, &shapeRects_, &shapeRuns_);
    const auto same = [](const ShapeRect& a, const ShapeRect& b) {
        return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
    };
    if (shapeRects_.size() == shapeShown_.size() &&
        std::equal(shapeRects_.begin(), shapeRects_.end(), shapeShown_.begin(), same))
        return;  // time stopped, or nothing moved: the server keeps the shape it has
    set_bounding_shape(display, windowId_, shapeRects_);
    XFlush(display);
    shapeShown_.swap(shapeRects_);
}

bool GlDeviceCore::ensure_current() {
    if (lost_) return false;
    if (!context_ || !context_->isValid()) {
        lost_ = true;
        return false;
    }
    if (QOpenGLContext::currentContext() != context_) {
        if (!context_->makeCurrent(surface_)) {
            lost_ = !context_->isValid();
            return false;
        }
        state.invalidate();  // whoever had the thread may have rebound anything
    }
    return true;
}

bool GlDeviceCore::check_reset() {
    if (!ensure_current()) return false;
    if (getGraphicsResetStatus_ && getGraphicsResetStatus_() != GL_NO_ERROR) {
        lost_ = true;
        return false;
    }
    return true;
}

bool GlDeviceCore::StretchKey::operator==(const StretchKey& o) const {
    return content == o.content && filter == o.filter && std::equal(source, source + 4, o.source) &&
           std::equal(dest, dest + 4, o.dest);
}

bool GlDeviceCore::replay_stretch(const StretchKey& key) {
    if (!copyImage_ || !stretchKept_ || !(key == stretchKey_)) return false;
    const GLint x = key.dest[0], y = static_cast<GLint>(backBufferHeight) - key.dest[3];
    copyImage_(stretchTexture_, GL_TEXTURE_2D, 0, x, y, 0, colorBuffer_, GL_RENDERBUFFER, 0, x, y, 0,
               key.dest[2] - key.dest[0], key.dest[3] - key.dest[1], 1);
    return true;
}

void GlDeviceCore::keep_stretch(const StretchKey& key) {
    if (!copyImage_) return;
    if (!stretchTexture_) {
        gl->glGenTextures(1, &stretchTexture_);
        state.bind_texture(stretchTexture_);
        gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(backBufferWidth),
                         static_cast<GLsizei>(backBufferHeight), 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    }
    const GLint x = key.dest[0], y = static_cast<GLint>(backBufferHeight) - key.dest[3];
    copyImage_(colorBuffer_, GL_RENDERBUFFER, 0, x, y, 0, stretchTexture_, GL_TEXTURE_2D, 0, x, y, 0,
               key.dest[2] - key.dest[0], key.dest[3] - key.dest[1], 1);
    stretchKey_ = key;
    stretchKept_ = gl->glGetError() == GL_NO_ERROR;
}

void GlDeviceCore::forget_stretch() {
    if (stretchTexture_) gl->glDeleteTextures(1, &stretchTexture_);
    stretchTexture_ = 0;
    stretchKept_ = false;
}

bool GlDeviceCore::create_back_buffer(std::uint32_t width, std::uint32_t height, bool depth16) {
    destroy_back_buffer();
    gl->glGenRenderbuffers(1, &colorBuffer_);
    gl->glBindRenderbuffer(GL_RENDERBUFFER, colorBuffer_);
    gl->glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    gl->glGenRenderbuffers(1, &depthBuffer_);
    gl->glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
    gl->glRenderbufferStorage(GL_RENDERBUFFER, depth16 ? GL_DEPTH_COMPONENT16 : GL_DEPTH24_STENCIL8,
                              static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    gl->glGenFramebuffers(1, &backBufferFbo);
    state.bind_draw_framebuffer(backBufferFbo);
    gl->glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorBuffer_);
    gl->glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, depth16 ? GL_DEPTH_ATTACHMENT : GL_DEPTH_STENCIL_ATTACHMENT,
                                  GL_RENDERBUFFER, depthBuffer_);
    const bool complete = gl->glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    backBufferWidth = width;
    backBufferHeight = height;
    if (!complete) {
        destroy_back_buffer();
        return false;
    }
    // Direct3D leaves a new back buffer undefined; black with the far depth is the kind choice.
    state.scissor_test(false);
    state.depth_mask(true);
    gl->glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    gl->glClearDepth(1.0);
    gl->glClearStencil(0);
    gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | (depth16 ? 0 : GL_STENCIL_BUFFER_BIT));
    return true;
}

void GlDeviceCore::destroy_back_buffer() {
    forget_stretch();  // sized for this back buffer
    if (backBufferFbo) {
        state.bind_draw_framebuffer(0);
        state.bind_read_framebuffer(0);
        gl->glDeleteFramebuffers(1, &backBufferFbo);
    }
    if (colorBuffer_) gl->glDeleteRenderbuffers(1, &colorBuffer_);
    if (depthBuffer_) gl->glDeleteRenderbuffers(1, &depthBuffer_);
    backBufferFbo = colorBuffer_ = depthBuffer_ = 0;
    backBufferWidth = backBufferHeight = 0;
}

void GlDeviceCore::layer_window_size(std::uint32_t* width, std::uint32_t* height) const {
    const qreal ratio = window_->devicePixelRatio();
    *width = static_cast<std::uint32_t>(std::lround(window_->width() * ratio));
    *height = static_cast<std::uint32_t>(std::lround(window_->height() * ratio));
}

bool GlDeviceCore::window_size(std::uint32_t* width, std::uint32_t* height) {
    if (!window_) return false;
    if (!ownsWindow_) {  // the desktop sizes it as the compositor says
        layer_window_size(&windowWidth_, &windowHeight_);
        *width = windowWidth_;
        *height = windowHeight_;
        return true;
    }
    std::uint32_t w = 0, h = 0;
    if (query_window_size(windowId_, &w, &h) && (w != windowWidth_ || h != windowHeight_)) {
        windowWidth_ = w;
        windowHeight_ = h;
        const qreal ratio = window_->devicePixelRatio();
        window_->setGeometry(0, 0, static_cast<int>(w / ratio), static_cast<int>(h / ratio));
    }
    *width = windowWidth_;
    *height = windowHeight_;
    return true;
}

bool GlDeviceCore::swap_window() {
    if (!window_ || !window_->isExposed()) return false;
    context_->swapBuffers(window_);
    return true;
}

long long GlDeviceCore::stream_write(const void* data, std::size_t size, std::size_t align) {
    constexpr std::size_t kMaxStream = 64u << 20;
    if (size == 0 || size > kMaxStream || align == 0) return -1;
    state.bind_array_buffer(streamBuffer);
    std::size_t offset = (streamOffset_ + align - 1) / align * align;
    if (size > streamCapacity_) {
        while (streamCapacity_ < size) streamCapacity_ *= 2;
        gl->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(streamCapacity_), nullptr, GL_STREAM_DRAW);
        offset = 0;
    } else if (offset + size > streamCapacity_) {
        // Orphan the storage: the driver keeps the old one for draws in flight.
        gl->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(streamCapacity_), nullptr, GL_STREAM_DRAW);
        offset = 0;
    }
    gl->glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(size), data);
    streamOffset_ = offset + size;
    return static_cast<long long>(offset);
}

}  // namespace brine
