#include "platform/linux/wallpaper_clients.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <fstream>
#include <iterator>

namespace brine {

namespace {

// Programs that put a surface of their own under every window; a tank surface on the background
// layer could end up beneath theirs.
const char* const kWallpaperPrograms[] = {
    "swaybg", "wbg", "swww-daemon", "hyprpaper", "wpaperd", "mpvpaper", "oguri", "glpaper",
    "gslapper", "wf-background", "cosmic-bg", "plasmashell", "xfdesktop",
};

std::string read_whole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A NUL-separated block's value for `key`, or null when absent.
const char* find_entry(const std::string& block, const std::string& key, std::string* value) {
    std::size_t pos = 0;
    while (pos < block.size()) {
        std::size_t end = block.find('\0', pos);
        if (end == std::string::npos) end = block.size();
        if (block.compare(pos, key.size(), key) == 0 && pos + key.size() < end && block[pos + key.size()] == '=') {
            *value = block.substr(pos + key.size() + 1, end - pos - key.size() - 1);
            return value->c_str();
        }
        pos = end + 1;
    }
    return nullptr;
}

}  // namespace

std::string wayland_socket_path(const char* waylandDisplay, const char* runtimeDir) {
    const std::string name = waylandDisplay && waylandDisplay[0] ? waylandDisplay : "wayland-0";
    if (name[0] == '/') return name;
    if (!runtimeDir || runtimeDir[0] != '/') return std::string();
    std::string dir = runtimeDir;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir + "/" + name;
}

bool is_wallpaper_program(const std::string& name, const std::string& commandLine) {
    for (const char* known : kWallpaperPrograms)
        if (name == known) return true;
    // pcmanfm-qt is a file manager too; only its desktop mode draws a background.
    if (name == "pcmanfm-qt") return commandLine.find("--desktop") != std::string::npos;
    return false;
}

std::vector<std::string> find_wallpaper_clients(const std::string& procRoot, uid_t uid,
                                                const std::string& socketPath) {
    std::vector<std::string> found;
    DIR* dir = opendir(procRoot.c_str());
    if (!dir) return found;
    while (const dirent* entry = readdir(dir)) {
        const char* pid = entry->d_name;
        bool numeric = pid[0] != '\0';
        for (const char* c = pid; *c; ++c) numeric = numeric && std::isdigit(static_cast<unsigned char>(*c));
        if (!numeric) continue;
        const std::string folder = procRoot + "/" + pid;
        struct stat st {};
        if (stat(folder.c_str(), &st) != 0 || st.st_uid != uid) continue;
        std::string name = read_whole(folder + "/comm");
        while (!name.empty() && (name.back() == '\n' || name.back() == '\0')) name.pop_back();
        std::string commandLine = read_whole(folder + "/cmdline");
        for (char& c : commandLine)
            if (c == '\0') c = ' ';
        if (!is_wallpaper_program(name, commandLine)) continue;
        const std::string environment = read_whole(folder + "/environ");
        std::string display, runtime, inherited;
        const char* d = find_entry(environment, "WAYLAND_DISPLAY", &display);
        const char* r = find_entry(environment, "XDG_RUNTIME_DIR", &runtime);
        const bool handedSocket = find_entry(environment, "WAYLAND_SOCKET", &inherited) != nullptr;
        // Empty for a process on its way out (or a zombie): it draws nothing any more.
        if (environment.empty()) continue;
        if (d || !handedSocket) {
            const std::string theirs = wayland_socket_path(d, r);
            if (theirs.empty() || theirs != socketPath) continue;
        }
        found.push_back(name);
    }
    closedir(dir);
    return found;
}

}  // namespace brine
