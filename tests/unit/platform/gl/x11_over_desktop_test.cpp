// The desktop window over another client's desktop window, on a private X server without a window
// manager: a stand-in desktop (a mapped full-screen window of type _NET_WM_WINDOW_TYPE_DESKTOP)
// and a stand-in compositing manager (an owner of _NET_WM_CM_S0) made by the test. Checks the
// window's kind, place in the stack and shapes, the device's see-through frames, and the switch
// of the way of attaching when either comes or goes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "platform/linux/x11_desktop.h"
#include "tests/unit/platform/gl/gl_test_support.h"

namespace brine::test {

namespace {

::Window window_of(WindowHandle handle) { return static_cast<::Window>(reinterpret_cast<std::uintptr_t>(handle)); }

int ignore_errors(Display*, XErrorEvent*) { return 0; }

// Another client on the same display: a desktop window of its own, a compositor selection, and
// the questions a test asks about the program's windows.
class OtherClient {
public:
    OtherClient() : d(XOpenDisplay(nullptr)) {}
    ~OtherClient() {
        if (d) XCloseDisplay(d);
    }

    // A viewable full-screen window of type _NET_WM_WINDOW_TYPE_DESKTOP in `colour`.
    ::Window map_desktop(unsigned long colour = 0x336699) {
        XSetWindowAttributes a{};
        a.background_pixel = colour;
        const ::Window w = XCreateWindow(d, DefaultRootWindow(d), 0, 0, 1280, 1024, 0, CopyFromParent, InputOutput,
                                         CopyFromParent, CWBackPixel, &a);
        const Atom type = XInternAtom(d, "_NET_WM_WINDOW_TYPE_DESKTOP", False);
        XChangeProperty(d, w, XInternAtom(d, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&type), 1);
        XMapWindow(d, w);
        XSync(d, False);
        return w;
    }
    void own_compositor_selection() {
        selectionOwner = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
        XSetSelectionOwner(d, XInternAtom(d, "_NET_WM_CM_S0", False), selectionOwner, CurrentTime);
        XSync(d, False);
    }

    std::vector<::Window> stack() {  // bottom first
        ::Window root = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        std::vector<::Window> list;
        if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count) && children) {
            list.assign(children, children + count);
            XFree(children);
        }
        return list;
    }
    bool directly_above(::Window upper, ::Window lower) {
        const auto s = stack();
        const auto at = std::find(s.begin(), s.end(), lower);
        return at != s.end() && at + 1 != s.end() && *(at + 1) == upper;
    }
    bool exists(::Window w) {
        const XErrorHandler previous = XSetErrorHandler(ignore_errors);
        XWindowAttributes attributes{};
        const Status ok = XGetWindowAttributes(d, w, &attributes);
        XSetErrorHandler(previous);
        return ok != 0;
    }
    XWindowAttributes attributes(::Window w) {
        XWindowAttributes a{};
        XGetWindowAttributes(d, w, &a);
        return a;
    }
    std::vector<XRectangle> shape(::Window w, int kind) {
        int count = 0, ordering = 0;
        XRectangle* rects = XShapeGetRectangles(d, w, kind, &count, &ordering);
        std::vector<XRectangle> list(rects, rects + (rects ? count : 0));
        if (rects) XFree(rects);
        return list;
    }
    std::uint32_t screen_pixel(int x, int y) {
        XImage* image = XGetImage(d, DefaultRootWindow(d), x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image) return 0xDEADBEEF;
        const auto p = static_cast<std::uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFF;
        XDestroyImage(image);
        return p;
    }

    Display* d;
    ::Window selectionOwner = 0;
};

// Reads the desktop's events until `done` holds, for at most five seconds.
bool settle_until(X11Desktop& desktop, const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 5000) {
        desktop.read_events();
        if (done()) return true;
        QCoreApplication::processEvents();
    }
    return false;
}

// A back buffer with alpha lets the read-back show what the compositor is handed; the device
// keeps the same alpha for the program's X8R8G8B8 buffer, it only reads that one back opaque.
GraphicsDevice* device_on(GraphicsSystem* system, WindowHandle window, std::uint32_t format = kFmtX8R8G8B8) {
    GraphicsDevice* device = nullptr;
    PresentParams params = present_params(320, 240, window);
    params.backBufferFormat = format;
    EXPECT_EQ(system->create_device(0, kDevTypeHal, window, kCreateHardwareVertexProcessing, params, &device), kOk);
    return device;
}

struct PosColour { float x, y, z; std::uint32_t colour; };

// A strip over x0..x1 / y0..y1 in clip coordinates, positions taken as they are.
void draw_quad(GraphicsDevice* device, std::uint32_t colour, float x0, float y0, float x1, float y1) {
    device->set_render_state(kRsZEnable, kZbFalse);
    device->set_render_state(kRsLighting, 0);
    device->set_render_state(kRsCullMode, kCullNone);
    device->set_transform(kTsView, identity());
    device->set_transform(kTsProjection, identity());
    device->set_transform(world_matrix(0), identity());
    device->set_fvf(kFvfXyz | kFvfDiffuse);
    device->set_texture_stage_state(0, kTssColorOp, kTopDisable);  // the vertex colour alone
    const PosColour strip[4] = {{x0, y1, 0.5f, colour}, {x1, y1, 0.5f, colour}, {x0, y0, 0.5f, colour},
                                {x1, y0, 0.5f, colour}};
    device->draw_primitive_up(kPtTriangleStrip, 2, strip, sizeof(PosColour));
}

class OverDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        system_ = platform_.create_graphics_system(kD3DSdkVersion);
        ASSERT_NE(system_, nullptr);
        ASSERT_NE(other_.d, nullptr);
        ASSERT_TRUE(desktop_.check_active_desktop());
    }
    void TearDown() override {
        if (device_) device_->release();
        desktop_.release();
        if (system_) system_->release();
    }

    OtherClient other_;
    X11Desktop desktop_;
    GlGraphicsPlatform platform_;
    GraphicsSystem* system_ = nullptr;
    GraphicsDevice* device_ = nullptr;
};

}  // namespace

TEST_F(OverDesktop, TheWindowLiesUnmanagedDirectlyAboveTheOtherDesktopAndTakesNoInput) {
    const ::Window theirs = other_.map_desktop();
    const ::Window ours = window_of(desktop_.find_web_view_window());
    ASSERT_NE(ours, 0u);
    EXPECT_EQ(desktop_.way(), SurfaceWay::kOverShaped) << "no compositor: cut by a shape";
    const XWindowAttributes a = other_.attributes(ours);
    EXPECT_TRUE(a.override_redirect) << "no window manager frames, lists or hides it";
    EXPECT_EQ(a.map_state, IsViewable);
    EXPECT_EQ(a.width, 1280);
    EXPECT_TRUE(other_.directly_above(ours, theirs));
    EXPECT_TRUE(other_.shape(ours, ShapeInput).empty()) << "every click goes to the desktop beneath";
    EXPECT_TRUE(other_.shape(ours, ShapeBounding).empty()) << "nothing covered before the first frame";

    // Whoever restacks, the window comes back directly above the other desktop.
    XRaiseWindow(other_.d, theirs);
    XSync(other_.d, False);
    EXPECT_TRUE(settle_until(desktop_, [&] { return other_.directly_above(ours, theirs); })) << "after a raise";
    XLowerWindow(other_.d, ours);
    XSync(other_.d, False);
    EXPECT_TRUE(settle_until(desktop_, [&] { return other_.directly_above(ours, theirs); })) << "after a lower";
    EXPECT_FALSE(desktop_.attachment_changed());
}

TEST_F(OverDesktop, EachFrameCutsTheWindowToWhatItCovers) {
    const ::Window theirs = other_.map_desktop(0x336699);
    const WindowHandle window = desktop_.find_web_view_window();
    ASSERT_EQ(desktop_.way(), SurfaceWay::kOverShaped);
    device_ = device_on(system_, window);
    ASSERT_NE(device_, nullptr);
    const Rect topLeft{0, 0, 160, 120};
    bool shown = false;
    QElapsedTimer timer;
    timer.start();
    while (!shown && timer.elapsed() < 5000) {
        QCoreApplication::processEvents();  // the GL child is exposed once the shape shows it
        device_->clear(0, nullptr, kClearTarget, 0x004F4FFF, 1.0f, 0);  // the program's clear colour
        device_->clear(1, &topLeft, kClearTarget, 0xFFFF0000, 1.0f, 0);
        ASSERT_EQ(device_->present(), kOk);
        shown = other_.screen_pixel(100, 100) == 0xFF0000u;
    }
    ASSERT_TRUE(shown) << "the covered quarter never showed";
    // 320 x 240 over 1280 x 1024: the frame's top-left quarter is the window's.
    const auto shape = other_.shape(window_of(window), ShapeBounding);
    ASSERT_EQ(shape.size(), 1u);
    EXPECT_EQ(shape[0].x, 0);
    EXPECT_EQ(shape[0].y, 0);
    EXPECT_EQ(shape[0].width, 640);
    EXPECT_EQ(shape[0].height, 512);
    EXPECT_EQ(other_.screen_pixel(630, 500), 0xFF0000u);
    EXPECT_EQ(other_.screen_pixel(700, 600), 0x336699u) << "the other desktop shows where the frame is clear";
    EXPECT_EQ(other_.screen_pixel(1279, 1023), 0x336699u);
    EXPECT_TRUE(other_.directly_above(window_of(window), theirs));
}

TEST_F(OverDesktop, UnderACompositorFramesAreSeeThroughByAlphaAndPremultiplied) {
    other_.own_compositor_selection();
    other_.map_desktop();
    const WindowHandle window = desktop_.find_web_view_window();
    ASSERT_EQ(desktop_.way(), SurfaceWay::kOverTranslucent);
    EXPECT_EQ(other_.attributes(window_of(window)).depth, 32);
    EXPECT_TRUE(other_.shape(window_of(window), ShapeInput).empty());
    device_ = device_on(system_, window, kFmtA8R8G8B8);
    ASSERT_NE(device_, nullptr);
    auto* gl = static_cast<GlGraphicsDevice*>(device_);

    device_->clear(0, nullptr, kClearTarget, 0x004F4FFF, 1.0f, 0);
    draw_quad(device_, 0x80FF0000, -1.0f, -1.0f, 0.0f, 1.0f);  // left half, unblended, alpha 0x80
    device_->set_render_state(kRsAlphaBlendEnable, 1);
    device_->set_render_state(kRsSrcBlend, kBlendSrcAlpha);
    device_->set_render_state(kRsDestBlend, kBlendInvSrcAlpha);
    draw_quad(device_, 0x8000FF00, 0.0f, -1.0f, 1.0f, 0.0f);  // bottom right, blended, alpha 0x80
    Surface* back = nullptr;
    ASSERT_EQ(gl->get_back_buffer(0, 0, &back), kOk);
    const std::uint32_t w = back->width(), h = back->height();
    back->release();
    std::vector<std::uint32_t> pixels(std::size_t{w} * h);
    ASSERT_EQ(gl->read_back_buffer(w, h, pixels.data()), kOk);
    auto at = [&](std::uint32_t x, std::uint32_t y) { return pixels[y * w + x]; };
    EXPECT_EQ(at(300, 20), 0x00000000u) << "the clear colour's alpha 0 is nothing at all";
    EXPECT_EQ(at(20, 20), 0xFFFF0000u) << "what is drawn without blending covers fully";
    const std::uint32_t blended = at(300, 200);
    EXPECT_NEAR(static_cast<int>(blended >> 24), 0x80, 1) << std::hex << blended;
    EXPECT_NEAR(static_cast<int>((blended >> 8) & 0xFF), 0x80, 1) << "green premultiplied by its alpha";
    EXPECT_EQ(blended & 0xFF00FF, 0u);
    EXPECT_EQ(device_->present(), kOk);
    // The GL child drawing into the window got an ARGB visual too, so nothing cuts the window.
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    ASSERT_TRUE(XQueryTree(other_.d, window_of(window), &root, &parent, &children, &count));
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(other_.attributes(children[0]).depth, 32);
    XFree(children);
    const auto shape = other_.shape(window_of(window), ShapeBounding);
    ASSERT_EQ(shape.size(), 1u);
    EXPECT_EQ(shape[0].width, 1280);
    EXPECT_EQ(shape[0].height, 1024);
}

TEST_F(OverDesktop, TheWayFollowsTheDesktopThroughALossAndANewWindow) {
    const WindowHandle own = desktop_.find_web_view_window();
    ASSERT_EQ(desktop_.way(), SurfaceWay::kOwnDesktop);
    EXPECT_FALSE(other_.attributes(window_of(own)).override_redirect);
    device_ = device_on(system_, own);
    ASSERT_NE(device_, nullptr);
    ASSERT_EQ(device_->present(), kOk);

    // Another client's desktop appears: the own window is retired, the device lost.
    const ::Window theirs = other_.map_desktop();
    ASSERT_TRUE(settle_until(desktop_, [&] { return desktop_.attachment_changed(); }));
    EXPECT_EQ(device_->present(), kD3dErrDeviceLost);
    EXPECT_EQ(device_->reset(present_params(320, 240, own)), kD3dErrDeviceLost);
    EXPECT_EQ(desktop_.way(), SurfaceWay::kOwnDesktop) << "the frame follows the window given out";
    const WindowHandle over = desktop_.find_web_view_window();
    EXPECT_NE(over, own);
    EXPECT_FALSE(desktop_.attachment_changed());
    EXPECT_EQ(desktop_.way(), SurfaceWay::kOverShaped);
    EXPECT_TRUE(other_.directly_above(window_of(over), theirs));
    EXPECT_TRUE(other_.exists(window_of(own))) << "kept while the old device draws into it";
    device_->release();
    device_ = nullptr;
    EXPECT_FALSE(other_.exists(window_of(own))) << "gone once the device let go";

    // A compositor starts: a new window again, now with an alpha channel.
    device_ = device_on(system_, over);
    other_.own_compositor_selection();
    ASSERT_TRUE(settle_until(desktop_, [&] { return desktop_.attachment_changed(); }));
    EXPECT_EQ(device_->present(), kD3dErrDeviceLost);
    device_->release();
    device_ = nullptr;
    const WindowHandle translucent = desktop_.find_web_view_window();
    EXPECT_EQ(desktop_.way(), SurfaceWay::kOverTranslucent);
    EXPECT_FALSE(other_.exists(window_of(over))) << "nobody held it: destroyed when retired";

    // The other desktop goes: back to a desktop of our own.
    XUnmapWindow(other_.d, theirs);
    XSync(other_.d, False);
    ASSERT_TRUE(settle_until(desktop_, [&] { return desktop_.attachment_changed(); }));
    desktop_.find_web_view_window();
    EXPECT_EQ(desktop_.way(), SurfaceWay::kOwnDesktop);
    EXPECT_FALSE(other_.exists(window_of(translucent)));
}

TEST_F(OverDesktop, TheOtherDesktopIsNeverTakenForACover) {
    auto settles_to = [&](bool wanted) {
        return settle_until(desktop_, [&] { return desktop_.desktop_visible() == wanted; });
    };
    // The other desktop maps over the own one and hides it completely: frames must go on all the
    // same, since the next Present reports the loss that moves the tank over it.
    desktop_.find_web_view_window();
    ASSERT_EQ(desktop_.way(), SurfaceWay::kOwnDesktop);
    const ::Window theirs = other_.map_desktop();
    ASSERT_TRUE(settle_until(desktop_, [&] { return desktop_.attachment_changed(); }));
    EXPECT_TRUE(desktop_.desktop_visible());

    // Over it, listed as a window manager lists its clients: still seen, though it covers the
    // screen and the shaped window shows nothing before its first frame. A real cover hides it.
    desktop_.find_web_view_window();
    ASSERT_EQ(desktop_.way(), SurfaceWay::kOverShaped);
    const Atom stacking = XInternAtom(other_.d, "_NET_CLIENT_LIST_STACKING", False);
    auto list = [&](std::vector<::Window> clients) {
        std::vector<long> items(clients.begin(), clients.end());
        XChangeProperty(other_.d, DefaultRootWindow(other_.d), stacking, XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(items.data()), static_cast<int>(items.size()));
        XSync(other_.d, False);
    };
    list({theirs});
    EXPECT_TRUE(settles_to(true));
    const ::Window cover = XCreateSimpleWindow(other_.d, DefaultRootWindow(other_.d), 0, 0, 1280, 1024, 0, 0, 0);
    XMapRaised(other_.d, cover);
    list({theirs, cover});
    EXPECT_TRUE(settles_to(false));
    XDestroyWindow(other_.d, cover);
    list({theirs});
    EXPECT_TRUE(settles_to(true));
}

}  // namespace brine::test
