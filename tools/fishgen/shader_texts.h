// Texts of "initialize.pak": four vs.1.1 skinning vertex shaders (one to four blend weights)
// and the skinned-mesh effect. Must not depend on the program's own code.
#pragma once
#include <string>

namespace brine {
namespace fishgen {

// bones: 1..4 blend weights per vertex.
std::string skinning_shader_text(int bones);
std::string skinned_mesh_effect_text();

}  // namespace fishgen
}  // namespace brine
