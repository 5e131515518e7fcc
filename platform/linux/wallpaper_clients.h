// Which other programs draw the desktop's background in our Wayland session. The layer shell
// tells no client about another's surfaces, so this looks at the user's processes instead: a
// known wallpaper or desktop program whose environment names the same compositor socket as ours.
// Reads a /proc-shaped folder (a test hands in its own). POSIX only; no Wayland, Qt or core.
#pragma once
#include <string>
#include <vector>

#include <sys/types.h>

namespace brine {

// The compositor socket a Wayland client connects to, from its environment's WAYLAND_DISPLAY
// (a name under XDG_RUNTIME_DIR, or an absolute path; "wayland-0" when unset). Empty when it
// cannot be told (no runtime folder for a relative name).
std::string wayland_socket_path(const char* waylandDisplay, const char* runtimeDir);

// Whether a process of this name (its comm, at most 15 characters) and command line (arguments
// joined by spaces) draws a desktop background: wallpaper clients (swaybg and its like) and
// desktop shells with their own desktop surface (Plasma, xfdesktop, pcmanfm-qt --desktop).
bool is_wallpaper_program(const std::string& name, const std::string& commandLine);

// The names of the wallpaper programs among the processes in procRoot that belong to `uid` and
// talk to the compositor at `socketPath`. A process handed its connection (WAYLAND_SOCKET, no
// WAYLAND_DISPLAY) counts, since it cannot be told apart; one whose environment leads to another
// socket belongs to another session, and one whose environment cannot be read is on its way out.
std::vector<std::string> find_wallpaper_clients(const std::string& procRoot, uid_t uid,
                                                const std::string& socketPath);

}  // namespace brine
