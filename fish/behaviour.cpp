// Fish behaviour: states, goals and steering.
#include "fish/behaviour.h"

#include <algorithm>
#include <cmath>

#include "render/d3dx_math.h"

namespace brine {

using namespace behaviour;

namespace {

FishRecord* live_fish(FishWorld& world, int slot) {
    if (slot < 0 || slot >= kTankSlots) return nullptr;
    FishRecord& f = world.tank->fish[slot];
    return f.in_use() ? &f : nullptr;
}

// The slow set only for a Cruise to a random point; a Dash or any chase of food swims fast.
struct SteeringSet {
    float speed, rotateH, rotateV;
};

SteeringSet steering_for(const FishRecord& f, FishState state) {
    const MotionParams& m = f.motion;
    if (state == FishState::Cruise && !is_pellet_target(f.target)) return {m.slowSpeed, m.slowRotateH, m.slowRotateV};
    return {m.fastSpeed, m.fastRotateH, m.fastRotateV};
}

void eat_or_idle(FishWorld& world, int slot) {
    FishRecord& f = world.tank->fish[slot];
    if (is_pellet_target(f.target) && pellet_of_target(f.target) < kTankPellets) {
        FoodPellet& pellet = world.tank->pellets[pellet_of_target(f.target)];
        if (pellet.active) {
            pellet.active = 0;
            f.satiety += 1;
            if (f.satiety >= kMaxSatiety) {
                f.satiety = kMaxSatiety;
                if (f.overfedCount < kMaxOverfedCount) f.overfedCount += 1;
            }
            enter_state(world, slot, FishState::Eating);
            return;
        }
    }
    enter_state(world, slot, FishState::Idle);
}

}  // namespace

float apply_gravity(float y, float gravity) {
    if (gravity > 0.0f) return y - gravity * (y + 75.0f);
    if (gravity < 0.0f) return y - gravity * (150.0f - y);  // toward +150, not the top at 75
    return y;
}

Vec3 facing_direction(float yaw) { return {-std::sin(yaw), 0.0f, -std::cos(yaw)}; }

void start_state_motion(FishWorld& world, FishRecord& fish, int record) {
    if (!fish.mesh || !fish.motion.trackRecords || record < 0 || record >= fish.motion.motionNum) return;
    const MotionRecord& r = fish.motion.trackRecords[record];
    MeshResource& mesh = *fish.mesh;
    if (world.meshes->animation_set_count(mesh) > 1) world.meshes->select_motion(mesh, r.animationSet);
    if (fish.motion.fps > 0)
        world.meshes->set_time(mesh, static_cast<double>(r.startFrame) / static_cast<double>(fish.motion.fps));
}

void run_behaviour(FishWorld& world, int slot) {
    FishRecord* f = live_fish(world, slot);
    if (!f) return;
    switch (f->state) {
        case FishState::Idle:
            if (ticks_since(world.now(), f->stateStart) < f->stateDuration) return;
            enter_state(world, slot, (world.random() % 2 == 0) ? FishState::Cruise : FishState::Dash);
            return;
        case FishState::Cruise:
        case FishState::Dash:
            swim_step(world, slot);
            return;
        case FishState::Eating:
            if (ticks_since(world.now(), f->stateStart) >= f->stateDuration)
                enter_state(world, slot, FishState::Idle);
            return;
    }
}

void enter_state(FishWorld& world, int slot, FishState state) {
    FishRecord* f = live_fish(world, slot);
    if (!f) return;
    f->state = state;
    start_state_motion(world, *f, static_cast<int>(state));
    switch (state) {
        case FishState::Idle: {
            f->stateStart = world.now();
            std::int32_t wait = f->motion.wait;
            // Wait is refused at creation when not above 0; a hand-made fish without it just idles 0 ms.
            f->stateDuration = wait > 0 ? static_cast<std::uint32_t>(wait) +
                                              static_cast<std::uint32_t>(world.random() % wait)
                                        : 0u;
            return;
        }
        case FishState::Cruise:
        case FishState::Dash: {
            choose_target(world, slot);
            SteeringSet set = steering_for(*f, state);
            f->swimSpeed = set.speed;
            f->turnRate = turn_side(world, slot) < 0 ? -set.rotateH : set.rotateH;
            float dy = f->targetPos.y - f->body->position.y;
            if (dy <= -kClimbDiveThreshold)
                f->pitchMode = PitchMode::Dive;
            else if (dy >= kClimbDiveThreshold)
                f->pitchMode = PitchMode::Climb;
            else
                f->pitchMode = PitchMode::Level;
            f->pitchRate = set.rotateV;
            f->stateStart = world.now();
            f->stateDuration = kSwimTimeLimit;
            return;
        }
        case FishState::Eating:
            f->stateStart = world.now();
            f->stateDuration = kEatingPause;
            return;
    }
}

void choose_target(FishWorld& world, int slot) {
    FishRecord* f = live_fish(world, slot);
    if (!f) return;
    const Vec3 pos = f->body->position;
    f->target = 0;
    if (f->satiety < kMaxSatiety) {
        float best = kPelletSearchStart;
        const float window = 150.0f - 150.0f * f->motion.gravity;
        for (int i = 0; i < kTankPellets; ++i) {
            const FoodPellet& pellet = world.tank->pellets[i];
            if (!pellet.active || !pellet.board) continue;
            const Vec3 at = pellet.board->position;
            if (!(std::fabs(at.y - pos.y) < window)) continue;
            float d = distance3(at, pos);
            if (d < best && d > kPelletNearest) {  // ties keep the lower index
                f->target = kPelletTargetBit | static_cast<std::uint32_t>(i);
                best = d;
                f->targetPos = at;
            }
        }
    }
    if (f->target != 0) return;
    Vec3 goal;
    do {
        goal.x = static_cast<float>(world.random() % 150 - 75);
        goal.y = static_cast<float>(world.random() % 150 - 75);
        goal.z = static_cast<float>(world.random() % 150 - 75);
        // Written as "while nearer", so a fish at a non-finite place cannot loop for ever.
    } while (distance3({goal.x, 0.0f, goal.z}, {pos.x, 0.0f, pos.z}) < kGoalMinHorizontal);
    goal.y = apply_gravity(goal.y, f->motion.gravity);
    f->targetPos = goal;
}

int turn_side(const FishWorld& world, int slot) {
    if (slot < 0 || slot >= kTankSlots || !world.tank->fish[slot].in_use()) return 1;
    const FishRecord& f = world.tank->fish[slot];
    const Vec3 pos = f.body->position;
    const Vec3 face = facing_direction(f.body->rotation.y);
    float x = ((std::atan2(f.targetPos.x - pos.x, f.targetPos.z - pos.z) + kHalfTurn) -
               (std::atan2(face.x, face.z) + kHalfTurn)) *
              kRadToDeg;
    if ((x > 0.0f && x < 180.0f) || x <= -180.0f) return 1;
    return -1;
}

void swim_step(FishWorld& world, int slot) {
    FishRecord* f = live_fish(world, slot);
    if (!f) return;
    SceneObject& body = *f->body;
    Vec3 face = facing_direction(body.rotation.y);

    if (is_pellet_target(f->target) && pellet_of_target(f->target) < kTankPellets) {
        const FoodPellet& pellet = world.tank->pellets[pellet_of_target(f->target)];
        if (pellet.board) f->targetPos = pellet.board->position;  // also once it is gone
    }
    Vec3 d = vec3_subtract(f->targetPos, body.position);
    const float dist = vec3_length(d);
    if (dist < kArrivalDistance || ticks_since(world.now(), f->stateStart) >= f->stateDuration) {
        eat_or_idle(world, slot);
        return;
    }
    d = vec3_normalize(d);

    const Vec3 probe = vec3_add(body.position, vec3_scale(d, kProbeDistance));
    for (int other = 0; other < kTankSlots; ++other) {
        const FishRecord& o = world.tank->fish[other];
        if (other == slot || !o.in_use()) continue;
        if (distance3(probe, o.body->position) < kProbeDistance) {
            // Always the slow rate and always this way, whatever the state.
            body.rotate_by(0.0f, f->motion.slowRotateH * kDegToRad, 0.0f);
            enter_state(world, slot, FishState::Idle);
            return;
        }
    }

    const float heading = std::atan2(d.x, d.z);
    const float error = (heading - std::atan2(face.x, face.z)) * kRadToDeg;  // not wrapped
    const bool turning = error < -kAlignedWindow || error > kAlignedWindow;
    if (turning) {
        body.rotate_by(0.0f, f->turnRate * kDegToRad, 0.0f);
        face = facing_direction(body.rotation.y);
        d = {face.x, d.y, face.z};
    } else {
        body.rotation.y = heading - kHalfTurn;  // set directly, left unwrapped
        body.build_world_matrix();
    }

    const float pitch = body.rotation.x;
    const float pitchStep = f->pitchRate * kDegToRad;
    switch (f->pitchMode) {
        case PitchMode::Climb:
            if (pitch <= kClimbLow || pitch >= kClimbHigh) body.rotate_by(pitchStep, 0.0f, 0.0f);
            break;
        case PitchMode::Dive:
            if (pitch <= kDiveLow || pitch >= kDiveHigh) body.rotate_by(-pitchStep, 0.0f, 0.0f);
            break;
        case PitchMode::Level:
            if (pitch == 0.0f) break;
            if (pitch >= kLevelSnapHigh || pitch <= kLevelSnapLow) {
                body.rotation.x = 0.0f;
                body.build_world_matrix();
            } else if (pitch > kLevelSplit) {
                body.rotate_by(pitchStep, 0.0f, 0.0f);  // nose down: on toward a full turn
            } else {
                body.rotate_by(-pitchStep, 0.0f, 0.0f);  // nose up: back toward 0
            }
            break;
    }

    Vec3 move;
    if (turning && dist <= kTurnInPlaceRadius) {
        move = {0.0f, d.y, 0.0f};
    } else {
        float w = f->swimSpeed;
        if (f->target == 0 && dist < kSlowDownRadius) w = f->swimSpeed * std::max(kSlowDownFactor * dist, kSlowDownFloor);
        move = vec3_scale(d, w);
    }
    body.move_by(move);
}

}  // namespace brine
