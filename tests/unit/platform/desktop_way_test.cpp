// The choice of the way to the desktop from what the session offers, the wallpaper programs
// found among a user's processes (a /proc-shaped folder of the test's own), and the notice's text.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/linux/desktop_way.h"
#include "platform/linux/linux_texts.h"
#include "platform/linux/wayland_desktop.h"
#include "platform/linux/text_codec.h"
#include "platform/linux/wallpaper_clients.h"

namespace brine {
namespace {

SessionFacts facts(bool wayland, bool layerShell, bool x11, bool honoured) {
    SessionFacts f;
    f.wayland = wayland;
    f.layerShell = layerShell;
    f.x11 = x11;
    f.desktopTypeHonoured = honoured;
    return f;
}

TEST(DesktopWay, FollowsWhatTheSessionOffers) {
    // The layer shell wins wherever a compositor offers it, X display or not.
    EXPECT_EQ(choose_desktop_way(facts(true, true, true, false)), DesktopWay::kLayerShell);
    EXPECT_EQ(choose_desktop_way(facts(true, true, false, false)), DesktopWay::kLayerShell);
    // Without it: XWayland, said to be unsuited where the desktop type is not honoured.
    EXPECT_EQ(choose_desktop_way(facts(true, false, true, true)), DesktopWay::kXWayland);
    EXPECT_EQ(choose_desktop_way(facts(true, false, true, false)), DesktopWay::kXWaylandUnsuited);
    EXPECT_EQ(choose_desktop_way(facts(true, false, false, true)), DesktopWay::kNone);
    // An X11 session uses its desktop window whatever its window manager says.
    EXPECT_EQ(choose_desktop_way(facts(false, false, true, false)), DesktopWay::kX11);
    EXPECT_EQ(choose_desktop_way(facts(false, false, false, false)), DesktopWay::kNone);
    EXPECT_TRUE(on_wayland(DesktopWay::kLayerShell));
    EXPECT_FALSE(on_wayland(DesktopWay::kXWayland));
    EXPECT_FALSE(on_wayland(DesktopWay::kXWaylandUnsuited));
}

TEST(DesktopWay, NoticeReadsAsJapanese) {
    EXPECT_EQ(sjis_to_utf8(kMsgNoDesktopLayer),
              "このデスクトップでは魚をウィンドウの後ろに表示できません\n通常のウィンドウで表示します");
}

TEST(LayerFollower, AWallpaperClientIsFollowedAtOnceItsGoingOnlyWhenItStaysAway) {
    LayerFollower follower;
    follower.start(ShellLayer::kBackground);
    EXPECT_FALSE(follower.look(false));
    EXPECT_TRUE(follower.look(true)) << "a wallpaper client that appears hides a background surface";

    follower.start(ShellLayer::kBottom);
    EXPECT_FALSE(follower.look(false));
    EXPECT_FALSE(follower.look(false));
    EXPECT_FALSE(follower.look(true)) << "back again (a restart): the count starts over";
    EXPECT_FALSE(follower.look(false));
    EXPECT_FALSE(follower.look(false));
    EXPECT_TRUE(follower.look(false));
    EXPECT_EQ(follower.layer(), ShellLayer::kBottom) << "the desktop starts the follower again on the new window";
}

TEST(WallpaperClients, SocketPathFromTheEnvironment) {
    EXPECT_EQ(wayland_socket_path("wayland-1", "/run/user/1000"), "/run/user/1000/wayland-1");
    EXPECT_EQ(wayland_socket_path(nullptr, "/run/user/1000/"), "/run/user/1000/wayland-0");
    EXPECT_EQ(wayland_socket_path("", "/run/user/1000"), "/run/user/1000/wayland-0");
    EXPECT_EQ(wayland_socket_path("/tmp/elsewhere", nullptr), "/tmp/elsewhere");
    EXPECT_EQ(wayland_socket_path("wayland-1", nullptr), "");
    EXPECT_EQ(wayland_socket_path("wayland-1", "relative"), "");
}

TEST(WallpaperClients, KnownProgramsOnly) {
    EXPECT_TRUE(is_wallpaper_program("swaybg", "swaybg -c #000000"));
    EXPECT_TRUE(is_wallpaper_program("plasmashell", "/usr/bin/plasmashell"));
    EXPECT_TRUE(is_wallpaper_program("pcmanfm-qt", "pcmanfm-qt --desktop --profile=lxqt"));
    EXPECT_FALSE(is_wallpaper_program("pcmanfm-qt", "pcmanfm-qt /home/user"));
    EXPECT_FALSE(is_wallpaper_program("swaybgx", "swaybgx"));
    EXPECT_FALSE(is_wallpaper_program("sway", "sway"));
    EXPECT_FALSE(is_wallpaper_program("", ""));
}

class WallpaperProcesses : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = std::filesystem::temp_directory_path() /
                ("brine-proc-" + std::to_string(getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
    }
    void TearDown() override { std::filesystem::remove_all(root_); }

    // A process entry: comm as the kernel writes it (with a newline), arguments and environment
    // NUL-separated.
    void process(const std::string& pid, const std::string& comm, const std::string& cmdline,
                 const std::string& environ) {
        const std::filesystem::path dir = root_ / pid;
        std::filesystem::create_directories(dir);
        std::ofstream(dir / "comm", std::ios::binary) << comm << '\n';
        std::ofstream(dir / "cmdline", std::ios::binary) << cmdline;
        std::ofstream(dir / "environ", std::ios::binary) << environ;
    }
    std::vector<std::string> found(const std::string& socket, uid_t uid = getuid()) {
        return find_wallpaper_clients(root_.string(), uid, socket);
    }

    std::filesystem::path root_;
};

// Entries joined as /proc writes them, each ended by a NUL.
std::string nul(std::initializer_list<const char*> entries) {
    std::string joined;
    for (const char* e : entries) joined.append(e).push_back('\0');
    return joined;
}

std::vector<std::string> sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

const std::string kEnvSession = nul({"HOME=/home/u", "WAYLAND_DISPLAY=wayland-1", "XDG_RUNTIME_DIR=/run/user/7"});

TEST_F(WallpaperProcesses, OnlyWallpaperProgramsOfThisSession) {
    process("100", "swaybg", nul({"swaybg", "-c", "#102030"}), kEnvSession);
    process("101", "foot", nul({"foot"}), kEnvSession);
    // Another session of the same user (another compositor socket) does not count.
    process("102", "wbg", nul({"wbg", "x.png"}), nul({"WAYLAND_DISPLAY=wayland-2", "XDG_RUNTIME_DIR=/run/user/7"}));
    // Handed its connection by the compositor, as sway starts swaybg: cannot be told, counts.
    process("103", "hyprpaper", nul({"hyprpaper"}), nul({"WAYLAND_SOCKET=5"}));
    process("104", "pcmanfm-qt", nul({"pcmanfm-qt", "--desktop"}), kEnvSession);
    process("105", "pcmanfm-qt", nul({"pcmanfm-qt", "/home/u"}), kEnvSession);
    // Not processes.
    process("self", "swaybg", nul({"swaybg"}), kEnvSession);
    std::filesystem::create_directories(root_ / "sys");
    EXPECT_EQ(sorted(found("/run/user/7/wayland-1")), (std::vector<std::string>{"hyprpaper", "pcmanfm-qt", "swaybg"}));
    EXPECT_EQ(sorted(found("/run/user/7/wayland-2")), (std::vector<std::string>{"hyprpaper", "wbg"}));
}

TEST_F(WallpaperProcesses, AbsentOrForeignProcessesCountForNothing) {
    EXPECT_TRUE(found("/run/user/7/wayland-1").empty());
    process("200", "swaybg", nul({"swaybg"}), kEnvSession);
    EXPECT_TRUE(found("/run/user/7/wayland-1", getuid() + 1).empty()) << "another user's swaybg";
    // An environment with a runtime folder but no display name means the default socket.
    process("201", "swaybg", nul({"swaybg"}), nul({"XDG_RUNTIME_DIR=/run/user/7"}));
    EXPECT_EQ(found("/run/user/7/wayland-0"), std::vector<std::string>{"swaybg"});
    // A process whose environment cannot be read is on its way out (a swaybg being stopped).
    process("202", "plasmashell", "", "");
    EXPECT_TRUE(found("/run/user/9/wayland-0").empty());
    EXPECT_TRUE(find_wallpaper_clients((root_ / "missing").string(), getuid(), "/x").empty());
}

}  // namespace
}  // namespace brine
