// Slot bookkeeping of the tank: reset, pellet boards, counting, lookup by name, release, and the
// invariant check the tests lean on.
#include "fish/tank.h"

#include <cstring>
#include <utility>

namespace brine {

Tank::Tank() {
    for (int i = 0; i < kTankSlots; ++i) drawOrder[i] = i;
}

void reset_fish_slots(Tank& tank) {
    for (int i = 0; i < kTankSlots; ++i) {
        clear_fish_slot(tank, i);
        tank.drawOrder[i] = i;
    }
}

void set_pellet_board(Tank& tank, int pellet, std::unique_ptr<SceneObject> board) {
    if (pellet < 0 || pellet >= kTankPellets) return;
    tank.pellets[pellet].active = 0;
    tank.pellets[pellet].board = std::move(board);
}

int count_fish(const Tank& tank) {
    int n = 0;
    for (const FishRecord& f : tank.fish)
        if (f.in_use()) ++n;
    return n;
}

int find_fish_by_name(const Tank& tank, const char* name) {
    if (!name) return -1;
    for (int i = 0; i < kTankSlots; ++i)
        if (tank.fish[i].in_use() && std::strcmp(tank.fish[i].name, name) == 0) return i;
    return -1;
}

void clear_fish_slot(Tank& tank, int slot) {
    if (slot < 0 || slot >= kTankSlots) return;
    FishRecord& f = tank.fish[slot];
    // The body points at the mesh, so it goes first.
    f.body.reset();
    f.mesh.reset();
    f = FishRecord{};
}

namespace {

bool fail(std::string* why, int slot, const char* what) {
    if (why) *why = (slot >= 0 ? "slot " + std::to_string(slot) + ": " : std::string()) + what;
    return false;
}

}  // namespace

bool check_tank_invariants(const Tank& tank, std::string* why) {
    for (int i = 0; i < kTankSlots; ++i) {
        const FishRecord& f = tank.fish[i];
        if (!f.in_use()) {
            if (f.mesh || f.motion.trackRecords || f.name[0] != '\0')
                return fail(why, i, "free slot still holds parts");
            continue;
        }
        if (i >= kCreatableSlotCount) return fail(why, i, "fish beyond slot 9");
        if (!f.mesh) return fail(why, i, "no mesh");
        if (f.body->drawableKind != kDrawMesh || f.body->drawable != f.mesh.get())
            return fail(why, i, "body does not draw the slot's mesh");
        const void* end = std::memchr(f.name, 0, sizeof f.name);
        std::size_t nameLength = end ? static_cast<const char*>(end) - f.name : sizeof f.name;
        if (nameLength == 0 || nameLength > kFishNameMax) return fail(why, i, "name empty or too long");
        if (!f.motion.trackRecords) return fail(why, i, "no motion records");
        if (f.motion.fps <= 0) return fail(why, i, "FPS not above 0");
        if (f.motion.motionNum < kBehaviourStateCount) return fail(why, i, "fewer than four motion records");
        if (f.motion.wait <= 0) return fail(why, i, "Wait not above 0");
        int state = static_cast<int>(f.state);
        if (state < 0 || state >= kBehaviourStateCount) return fail(why, i, "state outside 0..3");
        if (f.satiety < 0 || f.satiety > kMaxSatiety) return fail(why, i, "satiety outside 0..10");
        if (f.overfedCount < 0 || f.overfedCount > kMaxOverfedCount)
            return fail(why, i, "overfed count outside 0..100");
        if (is_pellet_target(f.target) && pellet_of_target(f.target) >= kTankPellets)
            return fail(why, i, "pellet target outside 0..15");
        if (!is_pellet_target(f.target) && f.target != 0) return fail(why, i, "target neither 0 nor a pellet");
        for (int j = 0; j < i; ++j)
            if (tank.fish[j].in_use() && std::strcmp(tank.fish[j].name, f.name) == 0)
                return fail(why, i, "name not unique");
    }
    bool seen[kTankSlots] = {};
    for (int i = 0; i < kTankSlots; ++i) {
        std::int32_t s = tank.drawOrder[i];
        if (s < 0 || s >= kTankSlots || seen[s]) return fail(why, -1, "drawOrder is not a permutation of 0..15");
        seen[s] = true;
    }
    for (int i = 0; i < kTankPellets; ++i) {
        const FoodPellet& p = tank.pellets[i];
        if (p.active != 0 && p.active != 1) return fail(why, -1, "pellet active flag neither 0 nor 1");
        if (p.active && !p.board) return fail(why, -1, "active pellet without a board");
        if (p.active && p.board->position.y < -75.0f) return fail(why, -1, "pellet below the bottom");
    }
    return true;
}

}  // namespace brine
