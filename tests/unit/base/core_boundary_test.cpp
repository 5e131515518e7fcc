// The core folders must stay portable: no Qt, OpenGL, X11, Windows or libcurl header may be
// included from them. This scans the sources as they are in the tree.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

namespace fs = std::filesystem;

TEST(CoreBoundary, NoPlatformHeaderInTheCore) {
    const std::regex forbidden(
        R"re(^\s*#\s*include\s*[<"](Q[A-Za-z]|qt|GL/|GLES|EGL/|X11/|xcb/|windows\.h|winuser|d3d|D3D|curl/|iconv\.h))re");
    const char* coreDirs[] = {"base", "data", "render", "fish", "feed", "shell", "resources"};
    int scanned = 0;
    for (const char* dir : coreDirs) {
        fs::path root = fs::path(BRINE_SOURCE_DIR) / dir;
        if (!fs::exists(root)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path());
            std::string line;
            int lineNo = 0;
            while (std::getline(in, line)) {
                ++lineNo;
                EXPECT_FALSE(std::regex_search(line, forbidden))
                    << entry.path() << ":" << lineNo << ": " << line;
            }
            ++scanned;
        }
    }
    EXPECT_GT(scanned, 0);
}
