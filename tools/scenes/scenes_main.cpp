// scenes: draws the compared scenes on this platform's graphics device into PNG files, and
// compares two folders of them pixel by pixel.
//   scenes list
//   scenes draw OUTDIR [--program-dir DIR] [SCENE]...
//   scenes compare DIR_A DIR_B [--tolerance N] [--require SHARE] [--require-frames SHARE]
//                  [--leave-out SCENE]... [--all] [--diff OUTDIR]
// draw writes OUTDIR/SCENE.png for every scene (or those named); the aquarium scenes start the
// program from DIR (the build's program folder by default). compare prints, per scene, the share
// of pixels whose colour channels all lie within the tolerance (default 8 of 255), and fails when
// a scene is missing on either side or agrees less than its share. Device scenes need 0.999 by
// default: they keep off the cases Direct3D leaves to the implementation but for a few edge pixels,
// and their smallest drawn feature is 4 of 4096 pixels. Aquarium frames need 0.995: they differ
// where a point-sampled texture is read exactly on a texel border, which Direct3D leaves to the
// implementation (some 0.4% of a frame), so only a fault over more than 0.5% of the frame (the
// tank's larger fish, the background, a whole kind of object) fails them. Scenes the table leaves
// out (device_scenes.h says why) are compared only with --all.
// Exit status: 0 done, 1 failed, 2 usage. Portable: the platform comes from scenes_host.h.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/scenes/device_scenes.h"
#include "tools/scenes/scenes_host.h"

namespace {

using namespace brine;
using namespace brine::scenes;

int usage() {
    std::fprintf(stderr,
                 "usage: scenes list\n"
                 "       scenes draw OUTDIR [--program-dir DIR] [SCENE]...\n"
                 "       scenes compare DIR_A DIR_B [--tolerance N] [--require SHARE] [--require-frames SHARE]\n"
                 "                      [--leave-out SCENE]... [--all] [--diff OUTDIR]\n");
    return 2;
}

bool known(const std::string& name) {
    for (const std::string& n : scene_names())
        if (n == name) return true;
    return false;
}

bool contains(const std::vector<std::string>& list, const std::string& name) {
    for (const std::string& n : list)
        if (n == name) return true;
    return false;
}

// Paths given relative to where the tool was started stay so after it enters the program folder.
std::string absolute(const std::string& path, const std::string& startDir) {
    const bool rooted = !path.empty() && (path[0] == '/' || path[0] == '\\' || (path.size() > 1 && path[1] == ':'));
    return rooted ? path : startDir + "/" + path;
}

int draw(const std::vector<std::string>& args) {
    if (args.empty()) return usage();
    const std::string startDir = current_directory();
    const std::string outDir = absolute(args[0], startDir);
    std::string programDir = BRINE_PROGRAM_DIR;
    std::vector<std::string> only;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--program-dir" && i + 1 < args.size()) {
            programDir = absolute(args[++i], startDir);
        } else if (known(args[i])) {
            only.push_back(args[i]);
        } else {
            std::fprintf(stderr, "scenes: no scene \"%s\" (scenes list names them)\n", args[i].c_str());
            return 2;
        }
    }
    std::string why;
    std::unique_ptr<ScenesHost> host = make_scenes_host(&why);
    if (!host) {
        std::fprintf(stderr, "scenes: %s\n", why.c_str());
        return 1;
    }
    struct Writer final : FrameSink {
        bool wanted(const std::string& name) override { return only.empty() || contains(only, name); }
        void frame(const std::string& name, const Picture* picture, const std::string& reason) override {
            const std::string path = outDir + "/" + name + ".png";
            std::string why = reason;
            if (picture && !write_png(path, *picture)) why = "cannot write " + path;
            if (picture && why.empty()) {
                std::printf("%s: %ux%u on %s\n", name.c_str(), picture->width, picture->height, deviceName);
            } else {
                std::printf("%s: FAILED on %s: %s\n", name.c_str(), deviceName, why.c_str());
                ++failures;
            }
            std::fflush(stdout);
        }
        std::vector<std::string> only;
        std::string outDir;
        const char* deviceName = "";
        int failures = 0;
    } writer;
    writer.only = only;
    writer.outDir = outDir;
    writer.deviceName = host->name();
    {
        SceneDevice device(host->graphics(), host->window());
        for (const DeviceScene& scene : device_scenes()) {
            if (!writer.wanted(scene.name)) continue;
            Picture picture;
            const bool drawn = device.draw(scene, &picture, &why);
            writer.frame(scene.name, drawn ? &picture : nullptr, why);
        }
    }
    if (!change_directory(programDir)) {
        std::fprintf(stderr, "scenes: cannot enter the program folder %s\n", programDir.c_str());
        return 1;
    }
    draw_aquarium_scenes(host->graphics(), host->window(), writer);
    const int failures = writer.failures;
    return failures ? 1 : 0;
}

int compare(const std::vector<std::string>& args) {
    if (args.size() < 2) return usage();
    int tolerance = 8;
    double require = 0.999;
    double requireFrames = 0.995;
    std::vector<std::string> leftOut;
    std::string diffDir;
    bool all = false;
    for (std::size_t i = 2; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--tolerance" && hasValue) {
            tolerance = std::atoi(args[++i].c_str());
        } else if (args[i] == "--require" && hasValue) {
            require = std::atof(args[++i].c_str());
        } else if (args[i] == "--require-frames" && hasValue) {
            requireFrames = std::atof(args[++i].c_str());
        } else if (args[i] == "--leave-out" && hasValue) {
            leftOut.push_back(args[++i]);
        } else if (args[i] == "--diff" && hasValue) {
            diffDir = args[++i];
        } else if (args[i] == "--all") {
            all = true;
        } else {
            return usage();
        }
    }
    if (tolerance < 0 || tolerance > 255 || !(require >= 0.0 && require <= 1.0) ||
        !(requireFrames >= 0.0 && requireFrames <= 1.0))
        return usage();
    int failures = 0;
    std::printf("%-28s %9s %7s %7s %9s  (agreeing: within %d of 255 on every colour channel)\n", "scene", "agree",
                "needed", "differ", "largest", tolerance);
    for (const std::string& name : scene_names()) {
        const char* reason = left_out_reason(name);
        if (contains(leftOut, name) || (reason && !all)) {
            std::printf("%-28s %9s  %s\n", name.c_str(), "left out", reason ? reason : "(asked)");
            continue;
        }
        Picture a, b;
        const bool haveA = read_png(args[0] + "/" + name + ".png", &a);
        const bool haveB = read_png(args[1] + "/" + name + ".png", &b);
        if (!haveA || !haveB) {
            std::printf("%-28s %9s  FAILED: not drawn by %s\n", name.c_str(), "missing",
                        !haveA ? args[0].c_str() : args[1].c_str());
            ++failures;
            continue;
        }
        const Agreement agreement = compare_pictures(a, b, tolerance);
        const double needed = is_aquarium_scene(name) ? requireFrames : require;
        const bool passed = agreement.pixels > 0 && agreement.share() >= needed;
        std::printf("%-28s %8.2f%% %6.1f%% %7llu %9d%s\n", name.c_str(), 100.0 * agreement.share(), 100.0 * needed,
                    static_cast<unsigned long long>(agreement.pixels - agreement.agreeing), agreement.largestDifference,
                    agreement.pixels == 0 ? "  FAILED: sizes differ" : passed ? "" : "  FAILED");
        if (!passed) ++failures;
        if (!diffDir.empty() && agreement.agreeing < agreement.pixels)
            write_png(diffDir + "/" + name + ".png", difference_picture(a, b, tolerance));
    }
    return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "list") {
        for (const std::string& name : scene_names()) std::printf("%s\n", name.c_str());
        return 0;
    }
    if (command == "draw") return draw(args);
    if (command == "compare") return compare(args);
    return usage();
}
