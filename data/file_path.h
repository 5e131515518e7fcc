// The folder listings the catalog and the extension install need, in the program's spelling
// ("object\fish*.pak"), through the file seam.
// Must not depend on anything but the standard library and data/.
#pragma once
#include <string>
#include <vector>

namespace brine {

// Names (no directory) of the regular files matching a FindFirstFile-style pattern such as
// "object\fish*.pak": '*' matches any run of bytes, '?' one byte, compared exactly (case
// matters). Sorted by byte order, so the listing does not depend on the file system's order.
// Empty when the directory is missing.
std::vector<std::string> list_files(const char* pattern);
// Every name in a folder, files or not, sorted: the names that are taken. A missing folder takes
// none; false when the folder cannot be read, so nothing can be known to be free.
bool list_names(const char* folder, std::vector<std::string>* names);

struct FishPackName {
    int number;            // N of "fish<N>.pak"
    std::string fileName;  // "fish<N>.pak"
};

// The installed fish packs, "object\fish<N>.pak" with N a decimal number from 1 without leading
// zeros, in ascending N. Other names matching "fish*.pak" are not packs of this program and are
// left out, so each pack's number is the one in its name whatever gaps the numbering has.
std::vector<FishPackName> list_fish_packs();

// The N of a "fish<N>.pak" name, or -1 when the name is not of that form.
int fish_pack_number(const char* fileName);

}  // namespace brine
