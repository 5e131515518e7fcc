// Frame composition: one complete frame (wallpaper, fish, pellets, captions, copyright line,
// topics ticker) drawn into the back buffer and presented. Everything it reads comes in
// explicitly: the scene, the frame's flags and ticker through FrameInputs, the tank through
// TankView. Allocates nothing. Must not depend on fish/, feed/, shell/ or any platform header.
#pragma once
#include <cstdint>

#include "base/result.h"
#include "render/scene.h"

namespace brine {

// Read access to the tank for drawing, implemented by the tank's owner. Slots and pellets are
// numbered 0..15; a slot is in use exactly when fish_body gives non-null.
class TankView {
public:
    virtual ~TankView() = default;
    // Entry 0..15 of drawOrder, farthest fish first; a number outside 0..15 is skipped.
    virtual std::int32_t draw_order(int entry) const = 0;
    // The fish's body (its drawable is its mesh); render_frame sets its culling, lighting and
    // wireframe flags before drawing it.
    virtual SceneObject* fish_body(int slot) const = 0;
    virtual const char* fish_name(int slot) const = 0;  // Shift-JIS, zero-terminated; null = none
    virtual std::int32_t fish_satiety(int slot) const = 0;
    virtual bool pellet_active(int pellet) const = 0;
    virtual SceneObject* pellet_board(int pellet) const = 0;
};

// The topic table of the ticker, implemented by its owner.
class TopicSource {
public:
    virtual ~TopicSource() = default;
    // Text of entry index (Shift-JIS); null when the entry has none.
    virtual const char* topic_text(std::int32_t index) const = 0;
};

// The frame's inputs, held by reference: the owner sets them up once and render_frame reads
// their current values every frame.
struct FrameInputs {
    const std::int32_t& backBufferWidth;
    const std::int32_t& backBufferHeight;
    const std::int32_t& wallpaperMode;
    const std::int32_t& showNames;
    const std::int32_t& showSatiety;
    const std::int32_t& showTopics;
    const std::int32_t& fishDrawModeFlag;
    const std::int32_t& topicIndex;
    const std::int32_t& topicScroll;
    const TopicSource* topics;  // null: the ticker has nothing to show
    // Zero while the tank is drawn over another program's desktop (its own background and icons):
    // the wallpaper is then left out and the clear colour's alpha 0 lets the platform show that
    // desktop through. Null or non-zero: the wallpaper is drawn as wallpaperMode says.
    const std::int32_t* drawWallpaper = nullptr;
};

constexpr D3DColor kCopyrightColor = 0xFF00FF00u;
constexpr D3DColor kCaptionColor = 0xFFFFFFFFu;
constexpr D3DColor kTickerColor = 0xFF00FFFFu;
constexpr D3DColor kShadowColor = 0xFF000000u;
constexpr D3DColor kSceneAmbient = 0x00555555u;
constexpr const char* kCopyrightLine = "Brinelight Vespera 0.44 (C) Orvane";
// "満腹度(%d)" (satiety (n))
constexpr const char* kSatietyFormat = "\x96\x9E\x95\xA0\x93\x78(%d)";

// Draws and presents one frame: 0 when presented; E_FAIL when Present failed, after one Reset
// with the presentation parameters (whose result is not looked at). Results of every other
// call are ignored; a failed BeginScene skips the drawing but still presents.
HResult render_frame(Scene& scene, const FrameInputs& inputs, const TankView& tank);

}  // namespace brine
