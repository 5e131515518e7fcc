// Making a live fish from a catalog row: its own mesh from "object\fish<N>.pak" member
// "<model>.x", a body at a random place and heading, its name, and the motion values of the
// member "<model>.mrc"; then the idle motion and a short first pause.
// Must not depend on any platform header; meshes are loaded through FishWorld::meshes.
#pragma once
#include <cstdint>
#include <string>

#include "base/result.h"
#include "fish/fish_world.h"

namespace brine {

// Fish pack path and member names of a catalog row.
std::string fish_pack_path(std::int32_t packNumber);
std::string fish_mesh_member(const std::string& modelName);
std::string fish_motion_member(const std::string& modelName);

// The first free slot among 0..9 gets the fish; kFail when there is none, the row is not in the
// catalog, the name is empty or longer than 24 bytes, the mesh does not load, or the motion
// script is missing, does not parse or is unusable (motion_params_usable). A failed creation
// leaves the slot free with nothing attached. Satiety and overfed count are kept within 0..10
// and 0..100. rand order: x, y, z, heading, then (after the script) the first pause.
HResult create_fish(FishWorld& world, std::int32_t catalogIndex, std::int32_t satiety,
                    std::int32_t overfedCount, const char* name);

}  // namespace brine
