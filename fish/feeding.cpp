// Dropping and sinking the food pellets.
#include "fish/feeding.h"

#include "fish/behaviour.h"
#include "fish/tank.h"
#include "render/d3dx_math.h"

namespace brine {

using namespace feeding;

void feed_fish(FishWorld& world) {
    Tank& tank = *world.tank;
    for (FoodPellet& pellet : tank.pellets) {
        // A pellet without a board cannot be placed or drawn; it draws no numbers either.
        if (!pellet.board) continue;
        pellet.active = 1;  // also re-drops one still sinking or lying on the bottom
        // Computed in double and stored as float, as the unsuffixed constants always were.
        pellet.sinkSpeed = static_cast<float>((world.random() % 10) * 0.005 + 0.05);
        float x = static_cast<float>((world.random() % 500 - 250) * 0.1);
        float y = static_cast<float>(100 - (world.random() % 200) * 0.1);
        float z = static_cast<float>((world.random() % 500 - 250) * 0.1);
        pellet.board->set_position(x, y, z);
    }
    for (int slot = 0; slot < kTankSlots; ++slot) {
        FishRecord& f = tank.fish[slot];
        if (!f.in_use() || f.satiety >= kMaxSatiety) continue;
        f.state = FishState::Idle;
        start_state_motion(world, f, 0);
        f.stateStart = world.now();
        f.stateDuration = static_cast<std::uint32_t>(world.random() % kWakePauseSpread);
    }
}

void step_pellet(FishWorld& world, int index) {
    if (index < 0 || index >= kTankPellets) return;
    FoodPellet& pellet = world.tank->pellets[index];
    if (!pellet.active || !pellet.board) return;
    SceneObject& board = *pellet.board;
    if (board.position.y > kBottom) {
        // Outward from the vertical through the drop centre; a pellet exactly on the centre has
        // no direction and drifts not at all (vec3_normalize gives the zero vector there).
        Vec3 v = vec3_normalize({board.position.x, board.position.y - kDropCentreY, board.position.z});
        board.move_by({kDrift * v.x, -pellet.sinkSpeed, kDrift * v.z});
        if (board.position.y <= kBottom) {
            board.position.y = kBottom;
            pellet.restStart = world.now();
            pellet.restDuration = kRestDuration;
        }
    } else if (ticks_since(world.now(), pellet.restStart) >= pellet.restDuration) {
        pellet.active = 0;
    }
}

}  // namespace brine
