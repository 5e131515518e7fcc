// Paths as the program spells them ("object\fish1.pak", relative to the program's directory) and
// the directory listings the catalog and the extension install need. The only place where the
// program's spelling meets the host file system's.
// Must not depend on anything but the standard library.
#pragma once
#include <string>
#include <vector>

namespace brine {

// The host's spelling of a program path: every backslash becomes '/'. On POSIX hosts the path
// bytes go to the file system unchanged otherwise; the program's own paths are ASCII, and host
// names are UTF-8, where a 0x5C byte is always a real backslash (a Shift-JIS-aware scan would
// misread UTF-8 bytes as lead bytes and leave separators unmapped).
std::string native_path(const char* path);

// Moves the file `from` over `to` in one step, replacing a file already there; host spellings
// (after native_path). std::rename refuses an existing target on Windows, std::filesystem's
// rename replaces it on every host.
bool replace_file(const std::string& from, const std::string& to);

// Names (no directory) of the regular files matching a FindFirstFile-style pattern such as
// "object\fish*.pak": '*' matches any run of bytes, '?' one byte, compared exactly (case
// matters). Sorted by byte order, so the listing does not depend on the file system's order.
// Empty when the directory is missing.
std::vector<std::string> list_files(const char* pattern);

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
