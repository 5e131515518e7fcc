// Frame composition's view of the tank.
#include "fish/tank_view.h"

namespace brine {

static_assert(kTankSlots == kFishSlotCount && kTankPellets == kPelletCount,
              "the scene and the tank must agree on the number of slots and pellets");

namespace {
bool valid_slot(int slot) { return slot >= 0 && slot < kTankSlots; }
bool valid_pellet(int pellet) { return pellet >= 0 && pellet < kTankPellets; }
}  // namespace

std::int32_t TankDrawView::draw_order(int entry) const { return valid_slot(entry) ? tank_.drawOrder[entry] : -1; }

SceneObject* TankDrawView::fish_body(int slot) const { return valid_slot(slot) ? tank_.fish[slot].body.get() : nullptr; }

const char* TankDrawView::fish_name(int slot) const {
    return valid_slot(slot) && tank_.fish[slot].in_use() ? tank_.fish[slot].name : nullptr;
}

std::int32_t TankDrawView::fish_satiety(int slot) const { return valid_slot(slot) ? tank_.fish[slot].satiety : 0; }

bool TankDrawView::pellet_active(int pellet) const {
    return valid_pellet(pellet) && tank_.pellets[pellet].active != 0 && tank_.pellets[pellet].board;
}

SceneObject* TankDrawView::pellet_board(int pellet) const {
    return valid_pellet(pellet) ? tank_.pellets[pellet].board.get() : nullptr;
}

}  // namespace brine
