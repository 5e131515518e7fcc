// Texts of "initialize.pak": four vs.1.1 skinning vertex shaders (one to four blend weights).
// Must not depend on the program's own code.
#pragma once
#include <string>

namespace brine {
namespace fishgen {

// bones: 1..4 blend weights per vertex.
std::string skinning_shader_text(int bones);

}  // namespace fishgen
}  // namespace brine
