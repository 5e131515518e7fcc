#include "data/file_path.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace brine {

namespace fs = std::filesystem;

std::string native_path(const char* path) {
    std::string out = path ? path : "";
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

bool replace_file(const std::string& from, const std::string& to) {
    std::error_code ec;
    fs::rename(fs::path(from), fs::path(to), ec);
    return !ec;
}

namespace {

// Iterative wildcard match with backtracking to the last '*': linear in practice, never recursive.
bool wildcard_match(const char* pattern, const char* name) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name != '\0') {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || *pattern == *name) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

}  // namespace

std::vector<std::string> list_files(const char* pattern) {
    std::vector<std::string> names;
    std::string native = native_path(pattern);
    std::string dir = ".";
    std::string namePattern = native;
    std::size_t slash = native.rfind('/');
    if (slash != std::string::npos) {
        dir = slash == 0 ? "/" : native.substr(0, slash);
        namePattern = native.substr(slash + 1);
    }
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec) return names;
    for (const fs::directory_entry& entry : it) {
        std::error_code typeEc;
        if (!entry.is_regular_file(typeEc)) continue;
        std::string name = entry.path().filename().string();
        if (wildcard_match(namePattern.c_str(), name.c_str())) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

int fish_pack_number(const char* fileName) {
    if (!fileName || std::strncmp(fileName, "fish", 4) != 0) return -1;
    const char* p = fileName + 4;
    if (*p < '1' || *p > '9') return -1;  // numbered from 1, no leading zero: one name per number
    long long n = 0;
    while (*p >= '0' && *p <= '9') {
        n = n * 10 + (*p - '0');
        if (n > 999999999) return -1;  // nine digits are plenty and keep "%d" formatting exact
        ++p;
    }
    if (std::strcmp(p, ".pak") != 0) return -1;
    return static_cast<int>(n);
}

std::vector<FishPackName> list_fish_packs() {
    std::vector<FishPackName> packs;
    for (std::string& name : list_files("object\\fish*.pak")) {
        int n = fish_pack_number(name.c_str());
        if (n > 0) packs.push_back({n, std::move(name)});
    }
    std::sort(packs.begin(), packs.end(),
              [](const FishPackName& a, const FishPackName& b) { return a.number < b.number; });
    return packs;
}

}  // namespace brine
