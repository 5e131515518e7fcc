// Linked whole into the Windows build's test executables: they start with the host's files,
// relative names taken from the current directory, as the program in a build tree has them.
// Must not depend on anything but platform/windows and data/.
#include "data/layered_file_system.h"
#include "platform/windows/win_file_system.h"

namespace brine {
namespace {

struct DefaultFiles {
    WinFileSystem host;
    LayeredFileSystem files{host, ""};
    DefaultFiles() { set_file_system(&files); }
};

DefaultFiles defaultFiles;

}  // namespace
}  // namespace brine
