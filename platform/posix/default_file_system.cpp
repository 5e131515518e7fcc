// Linked whole into the tools, tests, fuzzers and benchmarks (not the program, which installs its
// own two-folder view at start-up): they start with the host's files, relative names taken from
// the current directory, as the program in a build tree has them.
// Must not depend on anything but platform/posix and data/.
#include "data/layered_file_system.h"
#include "platform/posix/posix_file_system.h"

namespace brine {
namespace {

struct DefaultFiles {
    PosixFileSystem host;
    LayeredFileSystem files{host, ""};
    DefaultFiles() { set_file_system(&files); }
};

DefaultFiles defaultFiles;

}  // namespace
}  // namespace brine
