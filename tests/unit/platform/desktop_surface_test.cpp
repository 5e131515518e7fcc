// The pieces of the X11 desktop that need no X server: the shape cut from a frame's alpha (scaled
// from the back buffer to the window, banded as the SHAPE extension wants it) and the windows'
// ledger between the desktop and the device (retired windows go only when no device holds them).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/linux/desktop_surface.h"
#include "platform/linux/x11_shape.h"

namespace brine {
namespace {

// A frame from rows of characters, top row first: '#' opaque, '+' alpha 0x20, '.' alpha 0x1F,
// ' ' transparent.
struct AsciiFrame {
    explicit AsciiFrame(const std::vector<std::string>& rows, bool bottomUp = false) {
        width = static_cast<std::uint32_t>(rows[0].size());
        height = static_cast<std::uint32_t>(rows.size());
        for (std::uint32_t r = 0; r < height; ++r) {
            const std::string& row = rows[bottomUp ? height - 1 - r : r];
            for (char c : row)
                pixels.push_back(c == '#' ? 0xFF102030u : c == '+' ? 0x20000000u : c == '.' ? 0x1F000000u : 0u);
        }
        frame.pixels = pixels.data();
        frame.width = width;
        frame.height = height;
        frame.bottomUp = bottomUp;
    }
    std::vector<std::uint32_t> pixels;
    std::uint32_t width = 0, height = 0;
    FrameAlpha frame;
};

std::vector<std::string> rects_text(const std::vector<ShapeRect>& rects) {
    std::vector<std::string> out;
    for (const ShapeRect& r : rects)
        out.push_back(std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) + "x" +
                      std::to_string(r.height));
    return out;
}

// YX-banded: sorted by y then x; a band's rectangles share y and height and do not overlap.
bool yx_banded(const std::vector<ShapeRect>& rects) {
    for (std::size_t i = 1; i < rects.size(); ++i) {
        const ShapeRect &a = rects[i - 1], &b = rects[i];
        if (a.y == b.y) {
            if (a.height != b.height || a.x + a.width > b.x) return false;
        } else if (b.y < a.y + a.height) {
            return false;
        }
    }
    return true;
}

TEST(FrameShape, CoversThePixelsAtTheThresholdAndJoinsEqualRowsIntoBands) {
    AsciiFrame f({"  ##  ##",
                  "  ##  ##",
                  "+.      ",
                  "########",
                  "        "});
    std::vector<ShapeRect> rects;
    std::vector<std::int32_t> runs;
    build_frame_shape(f.frame, 8, 5, &rects, &runs);
    EXPECT_EQ(rects_text(rects),
              (std::vector<std::string>{"2,0 2x2", "6,0 2x2", "0,2 1x1", "0,3 8x1"}));
    EXPECT_TRUE(yx_banded(rects));

    // The same frame as OpenGL reads it, bottom row first, gives the same shape.
    AsciiFrame up({"  ##  ##", "  ##  ##", "+.      ", "########", "        "}, true);
    std::vector<ShapeRect> again;
    build_frame_shape(up.frame, 8, 5, &again, &runs);
    EXPECT_EQ(rects_text(again), rects_text(rects));

    // Nothing covered: an empty shape, which shows nothing of the window.
    AsciiFrame empty({"    ", ". . "});
    build_frame_shape(empty.frame, 4, 2, &rects, &runs);
    EXPECT_TRUE(rects.empty());
}

TEST(FrameShape, ScalesToTheWindowAsPresentStretchesTheFrame) {
    AsciiFrame f({"#  #",
                  " ## "});
    std::vector<ShapeRect> rects;
    std::vector<std::int32_t> runs;
    // 4 x 2 over 10 x 5: columns [a, b) become [a * 10 / 4, b * 10 / 4); rows 0-2 show frame
    // row 0 and rows 3-4 frame row 1 (window row Y samples frame row Y * 2 / 5).
    build_frame_shape(f.frame, 10, 5, &rects, &runs);
    EXPECT_EQ(rects_text(rects), (std::vector<std::string>{"0,0 2x3", "7,0 3x3", "2,3 5x2"}));
    EXPECT_TRUE(yx_banded(rects));

    // Smaller than the frame: a single covered pixel still covers one window pixel.
    AsciiFrame thin({"   #    "});
    build_frame_shape(thin.frame, 2, 1, &rects, &runs);
    EXPECT_EQ(rects_text(rects), (std::vector<std::string>{"0,0 1x1"}));
}

TEST(DesktopSurface, ARetiredWindowGoesWhenTheLastDeviceLetsGo) {
    constexpr unsigned long kWindow = 0x4400001, kOther = 0x4400002;
    EXPECT_EQ(desktop_surface_way(kWindow), SurfaceWay::kOwnDesktop) << "an unknown window is the own desktop";
    EXPECT_FALSE(desktop_surface_retired(kWindow));

    publish_desktop_surface(kWindow, SurfaceWay::kOverShaped);
    EXPECT_EQ(desktop_surface_way(kWindow), SurfaceWay::kOverShaped);
    hold_desktop_surface(kWindow);
    hold_desktop_surface(kWindow);  // a second device before the first let go (start-up fallback)
    int destroyed = 0;
    retire_desktop_surface(kWindow, [&] { ++destroyed; });
    EXPECT_TRUE(desktop_surface_retired(kWindow));
    let_go_desktop_surface(kWindow);
    EXPECT_EQ(destroyed, 0);
    let_go_desktop_surface(kWindow);
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(desktop_surface_retired(kWindow)) << "forgotten once destroyed";
    let_go_desktop_surface(kWindow);
    EXPECT_EQ(destroyed, 1);

    // Nobody holds it: retired and destroyed at once. Forgotten: never destroyed by the ledger.
    publish_desktop_surface(kOther, SurfaceWay::kOverTranslucent);
    retire_desktop_surface(kOther, [&] { ++destroyed; });
    EXPECT_EQ(destroyed, 2);
    publish_desktop_surface(kOther, SurfaceWay::kOverTranslucent);
    hold_desktop_surface(kOther);
    forget_desktop_surface(kOther);
    let_go_desktop_surface(kOther);
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(desktop_surface_way(kOther), SurfaceWay::kOwnDesktop);
}

}  // namespace
}  // namespace brine
