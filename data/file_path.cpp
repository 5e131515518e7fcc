#include "data/file_path.h"

#include <algorithm>
#include <cstring>

#include "data/file_system.h"

namespace brine {

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
    const std::string text = pattern ? pattern : "";
    const std::size_t cut = text.find_last_of("\\/");
    const std::string folder = cut == std::string::npos ? "." : cut == 0 ? text.substr(0, 1) : text.substr(0, cut);
    const std::string namePattern = cut == std::string::npos ? text : text.substr(cut + 1);
    std::vector<FolderEntry> entries;
    file_system().list_folder(folder.c_str(), &entries);  // what could be read, even after a refusal
    for (FolderEntry& entry : entries)
        if (entry.regularFile && wildcard_match(namePattern.c_str(), entry.name.c_str()))
            names.push_back(std::move(entry.name));
    std::sort(names.begin(), names.end());
    return names;
}

bool list_names(const char* folder, std::vector<std::string>* names) {
    names->clear();
    std::vector<FolderEntry> entries;
    if (file_system().list_folder(folder, &entries) == FileError::kRefused) return false;
    for (FolderEntry& entry : entries) names->push_back(std::move(entry.name));
    std::sort(names->begin(), names->end());
    return true;
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
