// The tank as frame composition reads it (render/frame.h's TankView): draw order, bodies, names,
// satiety and pellet boards, straight from the tank's slots. Reading only; allocates nothing.
// Must not depend on any platform header.
#pragma once
#include "fish/tank.h"
#include "render/frame.h"

namespace brine {

class TankDrawView final : public TankView {
public:
    explicit TankDrawView(const Tank& tank) : tank_(tank) {}

    std::int32_t draw_order(int entry) const override;
    SceneObject* fish_body(int slot) const override;
    const char* fish_name(int slot) const override;
    std::int32_t fish_satiety(int slot) const override;
    bool pellet_active(int pellet) const override;
    SceneObject* pellet_board(int pellet) const override;

private:
    const Tank& tank_;
};

}  // namespace brine
