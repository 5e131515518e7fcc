// The core folders must stay portable (no Qt, OpenGL, X11, Windows or libcurl header) and their
// includes must point down the folder order. Both scan the sources as they are in the tree.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <regex>
#include <string>

namespace fs = std::filesystem;

TEST(CoreBoundary, NoPlatformHeaderInTheCore) {
    const std::regex forbidden(
        R"re(^\s*#\s*include\s*[<"](Q[A-Za-z]|qt|GL/|GLES|EGL/|X11/|xcb/|windows\.h|winuser|d3d|D3D|curl/|iconv\.h))re");
    const char* coreDirs[] = {"base", "device", "data", "render", "fish", "feed", "shell", "resources"};
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

// Which core folder may include which: each folder sees itself and the folders listed for it,
// nothing above. device/ is the Direct3D-shaped interface a platform implements, so it sits
// below everything that draws or holds device objects.
TEST(CoreBoundary, IncludesPointDownTheFolderOrder) {
    const std::map<std::string, std::set<std::string>> mayInclude = {
        {"base", {"base"}},
        {"device", {"base", "device"}},
        {"data", {"base", "device", "data"}},
        {"render", {"base", "device", "data", "render"}},
        {"fish", {"base", "device", "data", "render", "fish"}},
        {"feed", {"base", "data", "feed"}},
        {"resources", {"base", "resources"}},
        {"shell", {"base", "device", "data", "render", "fish", "feed", "resources", "shell"}},
    };
    const std::regex projectInclude(R"re(^\s*#\s*include\s*"([a-z_]+)/)re");
    int scanned = 0;
    for (const auto& [dir, allowed] : mayInclude) {
        const fs::path root = fs::path(BRINE_SOURCE_DIR) / dir;
        ASSERT_TRUE(fs::exists(root)) << root;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path());
            std::string line;
            std::smatch m;
            while (std::getline(in, line))
                if (std::regex_search(line, m, projectInclude))
                    EXPECT_TRUE(allowed.count(m[1].str()))
                        << fs::relative(entry.path(), BRINE_SOURCE_DIR).string() << " includes " << line
                        << ": " << dir << "/ may include only folders below it";
            ++scanned;
        }
    }
    EXPECT_GT(scanned, 100);
}
