// Temporary, then one-step replacement: both writers share the temporary's life and cleanup.
#include "data/file_commit.h"

#include <string>
#include <vector>

#include "data/file_system.h"

namespace brine {

namespace {

// Makes temp anew and lets fill write it; true only when every byte reached the disk. A failed
// temporary is removed.
template <class Fill>
bool write_temporary(const std::string& temp, Fill fill) {
    FileSystem& files = file_system();
    files.remove(temp.c_str());  // a leftover of an interrupted run
    std::unique_ptr<FileStream> out = files.open(temp.c_str(), OpenMode::kCreateNew, nullptr);
    if (!out) return false;
    const bool written = fill(*out);
    const bool finished = out->finish();
    if (written && finished) return true;
    files.remove(temp.c_str());
    return false;
}

}  // namespace

HResult replace_file_contents(const char* path, const void* bytes, std::size_t size) {
    if (!path || !*path || (!bytes && size > 0)) return kFail;
    const std::string temp = std::string(path) + ".tmp";
    if (!write_temporary(temp, [&](FileStream& out) { return size == 0 || out.write(bytes, size); })) return kFail;
    if (file_system().replace(temp.c_str(), path)) return kOk;
    file_system().remove(temp.c_str());
    return kFail;
}

HResult copy_to_new_file(const char* source, const char* target) {
    if (!source || !*source || !target || !*target) return kFail;
    std::unique_ptr<FileStream> in = file_system().open(source, OpenMode::kRead, nullptr);
    if (!in) return kFail;
    const std::string temp = std::string(target) + ".part";
    const bool copied = write_temporary(temp, [&](FileStream& out) {
        std::vector<unsigned char> block(1 << 16);
        for (;;) {
            std::size_t got = 0;
            const bool ok = in->read(block.data(), block.size(), &got);
            if (got > 0 && !out.write(block.data(), got)) return false;
            if (!ok) return false;
            if (got < block.size()) return true;
        }
    });
    in.reset();
    if (!copied) return kFail;
    if (file_system().move_to_new(temp.c_str(), target)) return kOk;
    file_system().remove(temp.c_str());
    return kFail;
}

}  // namespace brine
