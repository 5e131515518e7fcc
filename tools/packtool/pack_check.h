// packtool check: loads a fish pack with the program's own readers (catalog, meshes, motion
// scripts, textures) and reports what a content maker must fix.
// Must not depend on any platform header.
#pragma once
#include <cstdio>

namespace brine::packtool {

// Writes the report to `out`; 0 when the pack is sound, 1 when anything is wrong.
int check_pack(const char* packPath, std::FILE* out);

}  // namespace brine::packtool
