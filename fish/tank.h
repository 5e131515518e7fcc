// The tank: the one record of everything that lives in the aquarium (16 fish slots, 16 food
// pellets, the draw order), owned by the program and handed to every operation that needs it.
// A slot is in use exactly when its body is set; creation only ever fills slots 0..9.
// Must not depend on anything but base/, render/ scene objects and fish/mesh_resource.h.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "fish/mesh_resource.h"
#include "device/d3d_types.h"
#include "render/scene_object.h"

namespace brine {

constexpr std::int32_t kMaxSatiety = 10;
constexpr std::int32_t kMaxOverfedCount = 100;
constexpr std::size_t kFishNameMax = 24;  // bytes: 12 full-width characters

enum class FishState : std::int32_t { Idle = 0, Cruise = 1, Dash = 2, Eating = 3 };
constexpr int kBehaviourStateCount = 4;  // a kind needs a motion record for each

enum class PitchMode : std::int32_t { Level = 0, Climb = 2, Dive = 3 };

// A target with this bit set is a pellet whose index is in the low bits; 0 is a random point.
constexpr std::uint32_t kPelletTargetBit = 0x80000000u;
constexpr bool is_pellet_target(std::uint32_t target) { return (target & kPelletTargetBit) != 0; }
constexpr int pellet_of_target(std::uint32_t target) { return static_cast<int>(target & 0x7FFFFFFFu); }

// The stretch of animation one behaviour state loops over (frame f plays at f / fps seconds).
struct MotionRecord {
    std::int32_t animationSet = 0;
    std::int32_t startFrame = 0;
    std::int32_t endFrame = 0;
};

// A kind's motion values, filled from its motion script at creation and kept for the fish's life.
struct MotionParams {
    std::int32_t fps = 0;
    std::int32_t motionNum = 0;  // entries of trackRecords; the behaviour uses 0..3
    float scale = 0;             // applied only when above 0
    std::int32_t wait = 0;       // base idle pause in ms (also its random spread)
    float slowSpeed = 0, slowRotateH = 0, slowRotateV = 0;  // per step; degrees per step
    float fastSpeed = 0, fastRotateH = 0, fastRotateV = 0;
    float gravity = 0;  // above 0 keeps the fish low, below 0 high
    std::unique_ptr<MotionRecord[]> trackRecords;
};

struct FishRecord {
    std::int32_t kindIndex = 0;
    FishState state = FishState::Idle;  // also the index of the motion record it plays
    std::int32_t satiety = 0;           // 0..10
    std::int32_t overfedCount = 0;      // 0..100
    std::uint32_t satietyClock = 0;     // tick count of the last hourly decrease
    std::uint32_t target = 0;           // 0, or kPelletTargetBit | pellet index
    Vec3 targetPos{0, 0, 0};
    float swimSpeed = 0;
    float turnRate = 0;  // signed degrees per step
    PitchMode pitchMode = PitchMode::Level;
    float pitchRate = 0;  // degrees per step
    std::uint32_t stateStart = 0;
    std::uint32_t stateDuration = 0;
    std::unique_ptr<SceneObject> body;  // set exactly while the slot is in use
    std::unique_ptr<MeshResource> mesh;
    char name[kFishNameMax + 1] = {};  // zero-terminated Shift-JIS
    MotionParams motion;

    bool in_use() const { return body != nullptr; }
};

struct FoodPellet {
    std::int32_t active = 0;  // sinking or lying on the bottom
    float sinkSpeed = 0;
    std::uint32_t restStart = 0;
    std::uint32_t restDuration = 0;
    std::unique_ptr<SceneObject> board;  // made by the scene; its position is the pellet's
};

struct Tank {
    static constexpr int kSlots = 16;
    static constexpr int kCreatableSlots = 10;  // slots 10..15 are visited by every loop, never filled
    static constexpr int kPellets = 16;

    Tank();  // every slot free, drawOrder 0..15, pellets inactive and without boards

    FishRecord fish[kSlots];
    FoodPellet pellets[kPellets];
    std::int32_t drawOrder[kSlots];
    // Set by the shell once a display rebuild failed: the emptied table is then no roster, and
    // save_roster refuses to write it over the saved one.
    bool rosterSaveBlocked = false;
};

// Scene start: every slot released and zeroed, drawOrder 0..15. Pellets are left to the scene.
void reset_fish_slots(Tank& tank);
// Scene start: pellet 0..15 becomes inactive and owns `board` (which may be null when memory ran
// out: such a pellet is skipped by every pellet operation); the board of an earlier scene is freed.
void set_pellet_board(Tank& tank, int pellet, std::unique_ptr<SceneObject> board);

// Number of in-use slots among all 16.
int count_fish(const Tank& tank);
// Lowest in-use slot whose name equals `name` byte for byte, or -1 (also for a null name).
int find_fish_by_name(const Tank& tank, const char* name);
// Releases body, mesh, name and motion records and zeroes the slot, which then reads as free.
// Out-of-range slots are ignored.
void clear_fish_slot(Tank& tank, int slot);

// True when the tank keeps every invariant the fish life relies on; otherwise false with the
// first violation described in `why` (when given). For tests and debugging.
bool check_tank_invariants(const Tank& tank, std::string* why = nullptr);

}  // namespace brine
