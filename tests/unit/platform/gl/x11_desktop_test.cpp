// The desktop window on X11 and the device presenting into it: the window's type, states and size
// as a window manager reads them, a presented frame stretched over it, read from the screen, and
// whether the desktop counts as seen.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/linux/x11_desktop.h"
#include "tests/unit/platform/gl/gl_test_support.h"

namespace brine::test {

namespace {

std::vector<unsigned long> property(Display* d, ::Window w, const char* name, Atom type) {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> values;
    if (XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 64, False, type, &actualType, &format, &count, &after,
                           &data) == Success &&
        data) {
        const long* longs = reinterpret_cast<const long*>(data);  // 32-bit items come as longs
        for (unsigned long i = 0; i < count; ++i) values.push_back(static_cast<unsigned long>(longs[i]));
        XFree(data);
    }
    return values;
}

::Window window_of(WindowHandle handle) { return static_cast<::Window>(reinterpret_cast<std::uintptr_t>(handle)); }

// The screen's pixel at (x, y), as the X server shows it.
std::uint32_t screen_pixel(Display* d, int x, int y) {
    XImage* image = XGetImage(d, DefaultRootWindow(d), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0xDEADBEEF;
    const std::uint32_t p = static_cast<std::uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFF;
    XDestroyImage(image);
    return p;
}

}  // namespace

TEST(X11Desktop, WindowIsABelowEverythingDesktopOnAllWorkspaces) {
    X11Desktop desktop;
    ASSERT_TRUE(desktop.check_active_desktop());
    const WindowHandle handle = desktop.find_web_view_window();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(desktop.find_web_view_window(), handle);  // found once, the same afterwards

    Display* d = XOpenDisplay(nullptr);
    ASSERT_NE(d, nullptr);
    const ::Window w = window_of(handle);
    auto atom = [d](const char* name) { return static_cast<unsigned long>(XInternAtom(d, name, False)); };
    const auto type = property(d, w, "_NET_WM_WINDOW_TYPE", XA_ATOM);
    ASSERT_EQ(type.size(), 1u);
    EXPECT_EQ(type[0], atom("_NET_WM_WINDOW_TYPE_DESKTOP"));
    const auto states = property(d, w, "_NET_WM_STATE", XA_ATOM);
    for (const char* state : {"_NET_WM_STATE_BELOW", "_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR",
                              "_NET_WM_STATE_SKIP_PAGER"})
        EXPECT_NE(std::find(states.begin(), states.end(), atom(state)), states.end()) << state;
    const auto desktops = property(d, w, "_NET_WM_DESKTOP", XA_CARDINAL);
    ASSERT_EQ(desktops.size(), 1u);
    EXPECT_EQ(desktops[0] & 0xFFFFFFFFu, 0xFFFFFFFFu);
    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(d, w, &attributes));
    EXPECT_EQ(attributes.width, 1280);
    EXPECT_EQ(attributes.height, 1024);
    EXPECT_EQ(attributes.map_state, IsViewable);
    XCloseDisplay(d);
}

TEST(X11Desktop, NoDisplayNoDesktop) {
    const std::string display = std::getenv("DISPLAY");
    unsetenv("DISPLAY");
    X11Desktop desktop;
    EXPECT_FALSE(desktop.check_active_desktop());
    EXPECT_EQ(desktop.find_web_view_window(), nullptr);
    setenv("DISPLAY", display.c_str(), 1);
}

TEST(X11Desktop, PresentStretchesTheBackBufferOverTheWindow) {
    X11Desktop desktop;
    ASSERT_TRUE(desktop.check_active_desktop());
    const WindowHandle window = desktop.find_web_view_window();
    ASSERT_NE(window, nullptr);
    GlGraphicsPlatform platform;
    GraphicsSystem* system = platform.create_graphics_system(kD3DSdkVersion);
    ASSERT_NE(system, nullptr);
    GraphicsDevice* device = nullptr;
    // The desktop window is both focus and device window, as the program passes it.
    ASSERT_EQ(system->create_device(0, kDevTypeHal, window, kCreateHardwareVertexProcessing,
                                    present_params(320, 240, window), &device),
              kOk);
    const Rect left{0, 0, 160, 240}, right{160, 0, 320, 240};
    Display* d = XOpenDisplay(nullptr);
    ASSERT_NE(d, nullptr);
    bool shown = false;
    QElapsedTimer timer;
    timer.start();
    while (!shown && timer.elapsed() < 5000) {
        QCoreApplication::processEvents();  // the GL child window must be exposed first
        device->clear(1, &left, kClearTarget, 0xFFFF0000, 1.0f, 0);
        device->clear(1, &right, kClearTarget, 0xFF0000FF, 1.0f, 0);
        ASSERT_EQ(device->present(), kOk);
        shown = screen_pixel(d, 100, 500) == 0xFF0000u;
    }
    ASSERT_TRUE(shown) << "nothing presented";
    // 320 x 240 over 1280 x 1024: the left half red, the right half blue, edge to edge.
    EXPECT_EQ(screen_pixel(d, 0, 0), 0xFF0000u);
    EXPECT_EQ(screen_pixel(d, 600, 1023), 0xFF0000u);
    EXPECT_EQ(screen_pixel(d, 680, 10), 0x0000FFu);
    EXPECT_EQ(screen_pixel(d, 1279, 1023), 0x0000FFu);
    XCloseDisplay(d);
    device->release();
    system->release();
}

TEST(X11Visibility, SeenUnlessCoveredBlankedOrOff) {
    const ScreenRect screen{0, 0, 1280, 1024};
    EXPECT_TRUE(rect_covers(screen, screen));
    EXPECT_TRUE(rect_covers(ScreenRect{-10, -10, 1300, 1050}, screen));
    EXPECT_FALSE(rect_covers(ScreenRect{0, 0, 1280, 1000}, screen)) << "a maximised window leaves the panel";
    EXPECT_FALSE(rect_covers(ScreenRect{1, 0, 1280, 1024}, screen));
    EXPECT_FALSE(rect_covers(screen, ScreenRect{0, 0, 0, 0}));

    EXPECT_TRUE(desktop_visible(VisibilityFacts{}));
    VisibilityFacts f;
    f.fullyObscured = true;
    EXPECT_FALSE(desktop_visible(f));
    f.compositor = true;  // a compositor redirects windows: obscured says nothing then
    EXPECT_TRUE(desktop_visible(f));
    f.fullScreenCover = true;
    EXPECT_FALSE(desktop_visible(f));
    for (bool VisibilityFacts::*fact : {&VisibilityFacts::screenSaverOn, &VisibilityFacts::displayOff}) {
        VisibilityFacts g;
        g.*fact = true;
        EXPECT_FALSE(desktop_visible(g));
    }
    VisibilityFacts unmapped;
    unmapped.mapped = false;
    EXPECT_FALSE(desktop_visible(unmapped));
}

TEST(X11Desktop, AWindowOverTheWholeScreenHidesTheDesktopUntilItCloses) {
    X11Desktop desktop;
    ASSERT_TRUE(desktop.check_active_desktop());
    EXPECT_TRUE(desktop.desktop_visible()) << "no window yet: seen";
    ASSERT_NE(desktop.find_web_view_window(), nullptr);
    auto settles_to = [&](bool wanted) {
        QElapsedTimer timer;
        timer.start();
        while (desktop.desktop_visible() != wanted && timer.elapsed() < 5000) {
            QCoreApplication::processEvents();  // the connection's notifier reads the events too
            usleep(10000);
        }
        return desktop.desktop_visible() == wanted;
    };
    ASSERT_TRUE(settles_to(true));

    Display* d = XOpenDisplay(nullptr);
    ASSERT_NE(d, nullptr);
    const ::Window root = DefaultRootWindow(d);
    const ::Window partial = XCreateSimpleWindow(d, root, 0, 0, 1280, 900, 0, 0, 0xFFFFFF);
    XMapRaised(d, partial);
    XSync(d, False);
    usleep(200000);
    EXPECT_TRUE(settles_to(true)) << "a window that leaves part of the desktop free hides nothing";
    const ::Window cover = XCreateSimpleWindow(d, root, 0, 0, 1280, 1024, 0, 0, 0xFFFFFF);
    XMapRaised(d, cover);
    XSync(d, False);
    EXPECT_TRUE(settles_to(false));
    XDestroyWindow(d, cover);
    XSync(d, False);
    EXPECT_TRUE(settles_to(true));
    XDestroyWindow(d, partial);
    XCloseDisplay(d);
}

}  // namespace brine::test
