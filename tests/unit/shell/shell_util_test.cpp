// Bounded Shift-JIS copies and the current-directory keeper.
#include <gtest/gtest.h>

#include <filesystem>

#include "shell/shell_util.h"

namespace brine {

TEST(ShellUtil, CopiesAreCutBetweenCharacters) {
    char out[6];
    EXPECT_EQ(copy_text(out, sizeof out, "ab\x8B\x9B\x8B\x9B"), 4u);  // ab金: the second 金 would not fit
    EXPECT_STREQ(out, "ab\x8B\x9B");
    EXPECT_EQ(copy_text(out, sizeof out, "abcdefgh"), 5u);
    EXPECT_STREQ(out, "abcde");
    EXPECT_EQ(copy_text(out, sizeof out, nullptr), 0u);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(sjis_fit_length("\x95\\", 1), 0u);  // 表 is two bytes: none of it fits in one
    EXPECT_EQ(sjis_fit_length("a\x95", 5), 2u);    // a lone lead byte at the end counts as one byte
}

TEST(ShellUtil, CurrentDirectoryComesBack) {
    const auto here = std::filesystem::current_path();
    {
        CurrentDirectoryKeeper keeper;
        std::filesystem::current_path(std::filesystem::temp_directory_path());
    }
    EXPECT_EQ(std::filesystem::current_path(), here);
}

}  // namespace brine
