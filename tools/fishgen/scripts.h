// The program's own text members of a fish pack: the catalog "header.bin" and each kind's
// motion script "<model>.mrc". Shift-JIS, CR LF line ends, in the statement syntax the
// program reads. Must not depend on the program's own code.
#pragma once
#include <string>
#include <vector>

#include "tools/fishgen/fish_kinds.h"
#include "tools/fishgen/fish_model.h"

namespace brine {
namespace fishgen {

std::string write_catalog(const std::vector<const KindSpec*>& kinds);
std::string write_motion_script(const KindSpec& kind, const FishModel& model);

}  // namespace fishgen
}  // namespace brine
