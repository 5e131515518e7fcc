// Feeding: all 16 pellets dropped in a small cloud above the tank, hungry fish woken into a short
// pause, and the pellet step that sinks them, fans them out, rests them ten minutes on the bottom
// and lets them vanish.
// Must not depend on anything but fish/ records, render/ scene objects and the base services.
#pragma once
#include <cstdint>

#include "fish/fish_world.h"

namespace brine {

namespace feeding {
constexpr float kDropCentreY = 100.0f;  // the drop centre is (0, 100, 0)
constexpr float kDrift = 0.05f;
constexpr float kBottom = -75.0f;
constexpr std::uint32_t kRestDuration = 600000;  // ten minutes on the bottom
constexpr int kWakePauseSpread = 500;            // ms
}  // namespace feeding

// The "drop food" command; works whether or not time runs. rand order: for each pellet its sink
// speed, then x, y, z; then for each hungry fish in slot order its wake-up pause.
void feed_fish(FishWorld& world);
// One fixed step of one active pellet (inactive ones and those without a board are left alone).
void step_pellet(FishWorld& world, int index);

}  // namespace brine
