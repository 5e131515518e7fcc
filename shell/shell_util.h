// Small helpers of the shell: bounded Shift-JIS copies and keeping the current directory across
// a dialog. Must not depend on anything but the standard library and base/.
#pragma once
#include <cstddef>
#include <filesystem>

namespace brine {

// The number of bytes of `text` that fit in `room` bytes without cutting a double-byte
// character in two (a lead byte whose partner would not fit is left out too).
std::size_t sjis_fit_length(const char* text, std::size_t room);

// Copies a zero-terminated text into a buffer of outSize bytes, cut to fit as above; the output
// is always terminated (outSize 0 writes nothing). Answers the bytes copied.
std::size_t copy_text(char* out, std::size_t outSize, const char* text);

// Remembers the current directory and puts it back on restore() and on destruction, so that a
// dialog that browses elsewhere cannot move the program away from its data files.
class CurrentDirectoryKeeper {
public:
    CurrentDirectoryKeeper();
    ~CurrentDirectoryKeeper() { restore(); }
    CurrentDirectoryKeeper(const CurrentDirectoryKeeper&) = delete;
    CurrentDirectoryKeeper& operator=(const CurrentDirectoryKeeper&) = delete;

    void restore();
    const std::filesystem::path& remembered() const { return saved_; }

private:
    std::filesystem::path saved_;
    bool known_ = false;
};

}  // namespace brine
