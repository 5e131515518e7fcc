// create_fish.
#include "fish/fish_creation.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "data/fish_catalog.h"
#include "data/script_text.h"
#include "fish/behaviour.h"
#include "fish/motion_script.h"
#include "fish/tank.h"

namespace brine {

std::string fish_pack_path(std::int32_t packNumber) { return "object\\fish" + std::to_string(packNumber) + ".pak"; }
std::string fish_mesh_member(const std::string& modelName) { return modelName + ".x"; }
std::string fish_motion_member(const std::string& modelName) { return modelName + ".mrc"; }

namespace {

int first_free_slot(const Tank& tank) {
    for (int i = 0; i < kCreatableSlotCount; ++i)
        if (!tank.fish[i].in_use()) return i;
    return -1;
}

// Everything the creation attached goes again, so no half-made fish is ever stepped or drawn.
HResult give_up(Tank& tank, int slot) {
    clear_fish_slot(tank, slot);
    return kFail;
}

}  // namespace

HResult create_fish(FishWorld& world, std::int32_t catalogIndex, std::int32_t satiety,
                    std::int32_t overfedCount, const char* name) {
    Tank& tank = *world.tank;
    const int slot = first_free_slot(tank);
    if (slot < 0) return kFail;
    if (!world.catalog || catalogIndex < 0 || catalogIndex >= world.catalog->count) return kFail;
    if (!name || name[0] == '\0' || std::strlen(name) > kFishNameMax) return kFail;
    const CatalogEntry& row = world.catalog->rows[catalogIndex];
    const std::string pack = fish_pack_path(row.packNumber);
    FishRecord& f = tank.fish[slot];

    f.mesh.reset(new (std::nothrow) MeshResource());
    if (!f.mesh) return give_up(tank, slot);
    if (failed(world.meshes->load_mesh(*f.mesh, pack.c_str(), fish_mesh_member(row.modelName).c_str())))
        return give_up(tank, slot);

    f.body.reset(new (std::nothrow) SceneObject());
    if (!f.body) return give_up(tank, slot);
    SceneObject& body = *f.body;
    body.attach_mesh(f.mesh.get(), world.meshes);
    body.set_blend_mode(kBlendAlpha);
    body.set_lighting(true);
    body.set_depth_test(true);
    body.set_culling(false);

    float x = static_cast<float>(world.random() % 150 - 75);
    float y = static_cast<float>(world.random() % 150 - 75);
    float z = static_cast<float>(world.random() % 150 - 75);
    body.set_position(x, y, z);
    body.set_rotation(0.0f, static_cast<float>(world.random() % 360) * behaviour::kDegToRad, 0.0f);
    body.set_ambient(0.5f, 0.5f, 0.5f, 1.0f);
    body.set_diffuse(1.0f, 1.0f, 1.0f, 1.0f);
    std::memcpy(f.name, name, std::strlen(name) + 1);

    // A kind without a readable, usable motion script cannot swim, eat or loop its motion: it is
    // refused rather than given motion values nobody chose.
    ScriptText script;
    script.set_registry(world.registry);
    if (failed(script.load(pack.c_str(), fish_motion_member(row.modelName).c_str()))) return give_up(tank, slot);
    if (!parse_motion_script(script, &f.motion)) return give_up(tank, slot);
    if (!motion_params_usable(f.motion, world.meshes->animation_set_count(*f.mesh))) return give_up(tank, slot);

    if (f.motion.scale > 0.0f) body.set_scale(f.motion.scale, f.motion.scale, f.motion.scale);
    body.position.y = apply_gravity(body.position.y, f.motion.gravity);

    f.kindIndex = catalogIndex;
    f.state = FishState::Idle;
    f.satiety = std::clamp(satiety, 0, kMaxSatiety);
    f.overfedCount = std::clamp(overfedCount, 0, kMaxOverfedCount);
    f.satietyClock = world.now();
    start_state_motion(world, f, 0);
    f.stateStart = world.now();
    f.stateDuration = 500u + static_cast<std::uint32_t>(world.random() % 500);
    return kOk;
}

}  // namespace brine
