#include "platform/linux/x11_shape.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <algorithm>

namespace brine {

static_assert(sizeof(ShapeRect) == sizeof(XRectangle), "ShapeRect stands in for XRectangle");

namespace {

// Appends the runs [x0, x1) of frame row `row` (window columns) to runs; gives their count.
std::size_t row_runs(const FrameAlpha& frame, std::uint32_t row, std::uint32_t windowWidth,
                     std::vector<std::int32_t>* runs) {
    const std::uint32_t* p = frame.pixels + static_cast<std::size_t>(row) * frame.width;
    const std::uint32_t threshold = frame.threshold << 24;
    const std::uint64_t w = frame.width, W = windowWidth;
    std::size_t count = 0;
    std::uint32_t x = 0;
    while (x < frame.width) {
        while (x < frame.width && (p[x] & 0xFF000000u) < threshold) ++x;
        if (x == frame.width) break;
        const std::uint32_t start = x;
        while (x < frame.width && (p[x] & 0xFF000000u) >= threshold) ++x;
        const auto left = static_cast<std::int32_t>(start * W / w);
        const auto right = std::max(static_cast<std::int32_t>(x * W / w), left + 1);
        runs->push_back(left);
        runs->push_back(right);
        ++count;
    }
    return count;
}

}  // namespace

void build_frame_shape(const FrameAlpha& frame, std::uint32_t windowWidth, std::uint32_t windowHeight,
                       std::vector<ShapeRect>* rects, std::vector<std::int32_t>* runs) {
    rects->clear();
    if (!frame.pixels || frame.width == 0 || frame.height == 0 || windowWidth == 0 || windowHeight == 0) return;
    // `runs` holds the current band's runs first; a new row's runs are appended after them and
    // either dropped (the same as the band's) or moved to the front as the new band's.
    runs->clear();
    std::size_t bandCount = 0, bandRect = 0;
    std::uint32_t bandTop = 0;
    std::uint32_t lastRow = ~0u;
    bool haveBand = false;
    for (std::uint32_t y = 0; y < windowHeight; ++y) {
        std::uint32_t row = static_cast<std::uint32_t>(static_cast<std::uint64_t>(y) * frame.height / windowHeight);
        if (frame.bottomUp) row = frame.height - 1 - row;
        if (row == lastRow && haveBand) {
            for (std::size_t i = bandRect; i < rects->size(); ++i) ++(*rects)[i].height;
            continue;
        }
        lastRow = row;
        const std::size_t start = runs->size();
        const std::size_t count = row_runs(frame, row, windowWidth, runs);
        if (haveBand && count == bandCount &&
            std::equal(runs->begin() + static_cast<std::ptrdiff_t>(start), runs->end(),
                       runs->begin())) {
            runs->resize(start);
            for (std::size_t i = bandRect; i < rects->size(); ++i) ++(*rects)[i].height;
            continue;
        }
        std::copy(runs->begin() + static_cast<std::ptrdiff_t>(start), runs->end(), runs->begin());
        runs->resize(count * 2);
        bandCount = count;
        bandTop = y;
        bandRect = rects->size();
        haveBand = true;
        for (std::size_t i = 0; i < count; ++i) {
            const std::int32_t left = (*runs)[i * 2], right = (*runs)[i * 2 + 1];
            rects->push_back({static_cast<std::int16_t>(left), static_cast<std::int16_t>(bandTop),
                              static_cast<std::uint16_t>(right - left), 1});
        }
    }
}

void set_bounding_shape(Display* display, unsigned long window, const std::vector<ShapeRect>& rects) {
    // XShapeCombineRectangles does not write through its rectangle pointer.
    XShapeCombineRectangles(display, window, ShapeBounding, 0, 0,
                            reinterpret_cast<XRectangle*>(const_cast<ShapeRect*>(rects.data())),
                            static_cast<int>(rects.size()), ShapeSet, YXBanded);
}

void clear_input_shape(Display* display, unsigned long window) {
    XShapeCombineRectangles(display, window, ShapeInput, 0, 0, nullptr, 0, ShapeSet, YXBanded);
}

}  // namespace brine
