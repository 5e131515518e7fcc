// Fixed step and per-pass update of the tank.
#include "fish/tank_update.h"

#include "fish/behaviour.h"
#include "fish/feeding.h"
#include "fish/tank.h"
#include "render/camera.h"

namespace brine {

namespace {

const Vec3 kDefaultEye{0.0f, 0.0f, -300.0f};  // where the scene's camera always stands

bool slot_in_use(const Tank& tank, std::int32_t slot) {
    return slot >= 0 && slot < kTankSlots && tank.fish[slot].in_use();
}

void loop_motion(FishWorld& world, FishRecord& f) {
    const MotionParams& m = f.motion;
    const int state = static_cast<int>(f.state);
    if (!f.mesh || !m.trackRecords || m.fps <= 0 || state < 0 || state >= m.motionNum) return;
    const MotionRecord& r = m.trackRecords[state];
    const double fps = static_cast<double>(m.fps);
    if (world.meshes->get_time(*f.mesh) > static_cast<double>(r.endFrame) / fps)
        world.meshes->set_time(*f.mesh, static_cast<double>(r.startFrame) / fps);
}

}  // namespace

HResult tank_step(FishWorld& world) {
    Tank& tank = *world.tank;
    for (int slot = 0; slot < kTankSlots; ++slot) {
        FishRecord& f = tank.fish[slot];
        if (!f.in_use()) continue;
        // One decrease per step at most: after a long stop the clock restarts from now.
        if (ticks_since(world.now(), f.satietyClock) > kSatietyInterval) {
            f.satietyClock = world.now();
            if (f.satiety > 0) f.satiety -= 1;
        }
        run_behaviour(world, slot);
    }
    for (int i = 0; i < kTankPellets; ++i) step_pellet(world, i);
    return kOk;
}

HResult tank_animate(FishWorld& world, float stepElapsed) {
    Tank& tank = *world.tank;
    for (FishRecord& f : tank.fish) {
        if (!f.in_use()) continue;
        loop_motion(world, f);
        f.body->advance_object(stepElapsed, nullptr, world.meshes);
    }
    for (FoodPellet& pellet : tank.pellets)
        if (pellet.active && pellet.board) pellet.board->advance_object(stepElapsed, world.camera, world.meshes);
    sort_draw_order(tank, world.camera ? world.camera->eye : kDefaultEye);
    return kOk;
}

void sort_draw_order(Tank& tank, const Vec3& eye) {
    // Each fish's distance once, not once per comparison: nothing moves during the sort.
    float distance[kTankSlots];
    for (int s = 0; s < kTankSlots; ++s)
        distance[s] = tank.fish[s].in_use() ? distance3(eye, tank.fish[s].body->position) : 0.0f;
    for (int i = 0; i < kTankSlots - 1; ++i) {
        for (int j = i; j < kTankSlots; ++j) {
            std::int32_t a = tank.drawOrder[i], b = tank.drawOrder[j];
            if (!slot_in_use(tank, a) || !slot_in_use(tank, b)) continue;
            if (distance[a] < distance[b]) {
                tank.drawOrder[i] = b;
                tank.drawOrder[j] = a;
            }
        }
    }
}

}  // namespace brine
