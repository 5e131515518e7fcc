// Shapes of the desktop window over another program's desktop: the bounding shape that cuts the
// window down to the pixels a frame covers (built from the frame's alpha and scaled from the back
// buffer to the window, as Present stretches it) and the empty input shape that lets every click
// through to the desktop beneath. Xlib and its SHAPE extension; no Qt or GL.
#pragma once
#include <cstdint>
#include <vector>

typedef struct _XDisplay Display;

namespace brine {

// One rectangle of a shape, laid out as XRectangle.
struct ShapeRect {
    std::int16_t x, y;
    std::uint16_t width, height;
};

struct FrameAlpha {
    const std::uint32_t* pixels = nullptr;  // 0xAARRGGBB, `width` a row
    std::uint32_t width = 0, height = 0;
    bool bottomUp = false;                  // rows as OpenGL reads them: the bottom row first
    std::uint32_t threshold = 0x20;         // a pixel belongs to the shape from this alpha on
};

// The YX-banded rectangles that cover every pixel of `frame` whose alpha reaches the threshold,
// scaled to a windowWidth x windowHeight window: window row Y samples frame row Y * height /
// windowHeight, and a run of frame columns [a, b) covers window columns [a * W / w, b * W / w),
// at least one. Rows with the same runs as the row above join its band. `runs` is scratch kept
// between calls so that a frame allocates nothing once the sizes are known.
void build_frame_shape(const FrameAlpha& frame, std::uint32_t windowWidth, std::uint32_t windowHeight,
                       std::vector<ShapeRect>* rects, std::vector<std::int32_t>* runs);

// ShapeSet of the window's bounding shape to `rects` (YX-banded); empty rects: nothing shown.
void set_bounding_shape(Display* display, unsigned long window, const std::vector<ShapeRect>& rects);
// An empty input shape: pointer events go to whatever lies beneath.
void clear_input_shape(Display* display, unsigned long window);

}  // namespace brine
