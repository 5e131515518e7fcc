// The life of a fish: a state machine per slot that pauses, swims to random points slowly or
// fast, chases and eats pellets when hungry, steers a few degrees per step and shies away from
// fish ahead of it. Everything is counted in fixed steps; rand calls happen in a fixed order so a
// seeded run replays exactly. The float constants are the values the program has always used.
// Must not depend on anything but fish/ records, render/ scene objects and the base services.
#pragma once
#include <cstdint>

#include "fish/fish_world.h"
#include "fish/tank.h"

namespace brine {

namespace behaviour {
constexpr float kDegToRad = 0.017453289f;
constexpr float kRadToDeg = 57.29579f;
constexpr float kHalfTurn = 3.141592f;
constexpr float kArrivalDistance = 3.0f;        // strictly less arrives
constexpr std::uint32_t kSwimTimeLimit = 30000;  // ms; reaching it arrives
constexpr std::uint32_t kEatingPause = 3000;     // ms
constexpr float kPelletNearest = 30.0f;          // a pellet must be strictly farther
constexpr float kPelletSearchStart = 1000.0f;
constexpr float kGoalMinHorizontal = 8.0f;
constexpr float kClimbDiveThreshold = 20.0f;
constexpr float kProbeDistance = 15.0f;
constexpr float kAlignedWindow = 2.0f;       // degrees either side
constexpr float kTurnInPlaceRadius = 30.0f;  // turning at most this far away only rises or sinks
constexpr float kSlowDownRadius = 50.0f;
constexpr float kSlowDownFactor = 0.02f;
constexpr float kSlowDownFloor = 0.1f;
constexpr float kClimbLow = 0.50614536f, kClimbHigh = 0.541052f;   // 29..31 degrees
constexpr float kDiveLow = 5.742132f, kDiveHigh = 5.7770386f;      // 329..331 degrees
constexpr float kLevelSnapLow = 0.008726644f, kLevelSnapHigh = 6.2570043f;
constexpr float kLevelSplit = 5.7595854f;  // 330 degrees
}  // namespace behaviour

// One behaviour step of an in-use slot (others are ignored).
void run_behaviour(FishWorld& world, int slot);
// Puts the fish into a state: restarts the state's motion and timer; the swimming states also
// choose a goal and the steering values.
void enter_state(FishWorld& world, int slot, FishState state);
// Goal of a swim: the nearest suitable active pellet when hungry, else a random point.
void choose_target(FishWorld& world, int slot);
// +1 when the fish turns to the positive yaw side to face targetPos, -1 otherwise.
int turn_side(const FishWorld& world, int slot);
// One step of Cruise or Dash.
void swim_step(FishWorld& world, int slot);

// Starts motion record `record` of the fish: its animation set on track 0 (only when the mesh
// has more than one) and the time at its start frame.
void start_state_motion(FishWorld& world, FishRecord& fish, int record);
// A height pulled by Gravity: above 0 toward the bottom (-75) by that fraction, below 0 toward
// +150 by the negated fraction.
float apply_gravity(float y, float gravity);
// The direction the nose points at for a yaw: (0, 0, -1) turned about Y.
Vec3 facing_direction(float yaw);

}  // namespace brine
