// Writing a file so that it ends up either whole or untouched: the bytes go to a temporary beside
// it, reach the disk, and only then take its place in one step (FileSystem::replace or
// move_to_new). The roster, the unlock ledgers, installed packs and the tools' packs are written so.
// Must not depend on anything but the standard library, base/ and data/.
#pragma once
#include <cstddef>

#include "base/result.h"

namespace brine {

// path's contents become the given bytes, through "<path>.tmp". kFail, the old file whole and no
// temporary left behind, when any step fails.
HResult replace_file_contents(const char* path, const void* bytes, std::size_t size);

// A copy of source under the new name target, through "<target>.part"; never replaces a file:
// kFail when target exists, or when any step fails (nothing left behind then either).
HResult copy_to_new_file(const char* source, const char* target);

}  // namespace brine
