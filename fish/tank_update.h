// The two updates of the tank from the main loop: the fixed step (hourly satiety clock, one
// behaviour step per fish, the sinking pellets) at most 30 times a second, and the per-pass
// animation (motion loops, animation time, world matrices, back-to-front draw order) on every
// loop pass while time runs. tank_animate allocates nothing.
// Must not depend on anything but fish/ and render/ scene objects and camera.
#pragma once
#include <cstdint>

#include "base/result.h"
#include "fish/fish_world.h"

namespace brine {

constexpr std::uint32_t kSatietyInterval = 3600000;  // ms; strictly more lowers satiety by one

// Always 0.
HResult tank_step(FishWorld& world);
// `stepElapsed`: seconds since the previous loop pass. Always 0.
HResult tank_animate(FishWorld& world, float stepElapsed);
// The draw-order sort alone (part of tank_animate): farthest from `eye` first, by exchange;
// entries naming empty slots never move.
void sort_draw_order(Tank& tank, const Vec3& eye);

}  // namespace brine
