// shot: draws the aquarium offscreen into a PNG with the program's own start-up, tank update and
// frame composition, on simulated time, so a run with the same options gives the same picture.
//   shot [--program-dir DIR] [--quality 0..4] [--wallpaper FILE] [--mode 1007|1008|0] [--names]
//        [--satiety] [--no-topics] [--fish KIND:NAME]... [--seconds S] [--feed] [--seed N]
//        [--wireframe] [--keep-roster] --out FILE.png
//   shot [--program-dir DIR] [--quality 0..4] --contact-sheet FILE.png
//   shot [--program-dir DIR] --bench [--bench-frames N] [--bench-runs N]
// Exit status: 0 done, 1 failed (with the reason on standard error), 2 usage.
#include <QGuiApplication>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tools/shot/contact_sheet.h"
#include "tools/shot/shot_session.h"

namespace {

using namespace brine;
using namespace brine::shot;

struct FishArg {
    std::string kind, name;
};

struct Options {
    std::string programDir = BRINE_PROGRAM_DIR;
    SessionOptions session;
    bool noTopics = false;
    std::vector<FishArg> fish;
    double seconds = 0;
    bool feed = false;
    bool haveSeed = false;
    std::uint32_t seed = 1;
    bool wireframe = false;
    bool keepRoster = false;
    std::string out;
    std::string contactSheet;
    bool bench = false;
    int benchFrames = 30;
    int benchRuns = 5;
};

int usage() {
    std::fprintf(stderr,
                 "usage: shot [--program-dir DIR] [--quality 0..4] [--wallpaper FILE] [--mode 1007|1008|0]\n"
                 "            [--names] [--satiety] [--no-topics] [--fish KIND:NAME]... [--seconds S]\n"
                 "            [--feed] [--seed N] [--wireframe] [--keep-roster] --out FILE.png\n"
                 "       shot [--program-dir DIR] [--quality 0..4] --contact-sheet FILE.png\n"
                 "       shot [--program-dir DIR] --bench [--bench-frames N] [--bench-runs N]\n"
                 "KIND is a catalog row number, a model name or a kind name.\n");
    return 2;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "shot: %s\n", message.c_str());
    return 1;
}

bool parse_long(const char* text, long low, long high, long* out) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < low || v > high) return false;
    *out = v;
    return true;
}

// 1 on a bad option (message printed), 0 when parsed.
int parse(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        auto value = [&]() { return argv[++i]; };
        long n = 0;
        if (a == "--program-dir" && hasValue) {
            o->programDir = value();
        } else if (a == "--quality" && hasValue) {
            if (!parse_long(value(), 0, 4, &n)) return fail("--quality takes 0 to 4"), 1;
            o->session.quality = static_cast<int>(n);
        } else if (a == "--wallpaper" && hasValue) {
            o->session.wallpaperFile = value();
        } else if (a == "--mode" && hasValue) {
            if (!parse_long(value(), 0, 1008, &n) || (n != 0 && n != 1007 && n != 1008))
                return fail("--mode takes 1007 (stretch), 1008 (tile) or 0 (none)"), 1;
            o->session.wallpaperMode = static_cast<int>(n);
        } else if (a == "--names") {
            o->session.names = true;
        } else if (a == "--satiety") {
            o->session.satiety = true;
        } else if (a == "--no-topics") {
            o->noTopics = true;
        } else if (a == "--fish" && hasValue) {
            const std::string v = value();
            const std::size_t colon = v.find(':');
            if (colon == std::string::npos || colon == 0 || colon + 1 == v.size())
                return fail("--fish takes KIND:NAME, e.g. --fish 0:Kin"), 1;
            o->fish.push_back({v.substr(0, colon), v.substr(colon + 1)});
        } else if (a == "--seconds" && hasValue) {
            char* end = nullptr;
            const char* t = value();
            o->seconds = std::strtod(t, &end);
            if (end == t || *end != '\0' || !(o->seconds >= 0 && o->seconds <= 3600))
                return fail("--seconds takes 0 to 3600"), 1;
        } else if (a == "--feed") {
            o->feed = true;
        } else if (a == "--seed" && hasValue) {
            if (!parse_long(value(), 0, 0x7FFFFFFFL, &n)) return fail("--seed takes a number 0 to 2147483647"), 1;
            o->haveSeed = true;
            o->seed = static_cast<std::uint32_t>(n);
        } else if (a == "--wireframe") {
            o->wireframe = true;
        } else if (a == "--keep-roster") {
            o->keepRoster = true;
        } else if (a == "--out" && hasValue) {
            o->out = value();
        } else if (a == "--contact-sheet" && hasValue) {
            o->contactSheet = value();
        } else if (a == "--bench") {
            o->bench = true;
        } else if (a == "--bench-frames" && hasValue) {
            if (!parse_long(value(), 1, 100000, &n)) return fail("--bench-frames takes 1 to 100000"), 1;
            o->benchFrames = static_cast<int>(n);
        } else if (a == "--bench-runs" && hasValue) {
            if (!parse_long(value(), 1, 1000, &n)) return fail("--bench-runs takes 1 to 1000"), 1;
            o->benchRuns = static_cast<int>(n);
        } else {
            return usage();
        }
    }
    if (o->out.empty() && o->contactSheet.empty() && !o->bench) return usage();
    return 0;
}

// Output paths are taken relative to where the tool was started, not the program folder.
std::string absolute(const std::string& path, const std::string& startDir) {
    return path.empty() || path[0] == '/' ? path : startDir + "/" + path;
}

int draw_shot(const Options& o) {
    Session session(o.session);
    std::string why;
    if (!session.start(&why)) return fail(why);
    Aquarium& aq = session.aquarium();
    if (!o.keepRoster) session.clear_fish();
    // The seed after start-up: the device creation seeded with the (simulated) tick count already.
    if (o.haveSeed) aq.rand.srand(o.seed);
    for (const FishArg& f : o.fish)
        if (session.add_fish(f.kind, f.name, 0, &why) < 0) return fail(why);
    if (o.noTopics) aq.flags.showTopics = 0;
    if (o.wireframe) session.command(kCmdDrawMode);
    if (o.feed) session.command(kCmdFeed);
    const int frames = session.run_seconds(o.seconds);
    QImage image;
    if (!session.read_frame(&image)) return fail("the back buffer could not be read");
    if (!image.save(QString::fromStdString(o.out), "PNG")) return fail("cannot write " + o.out);
    std::printf("%s: %dx%d, %d fish, %d frames drawn over %.2f simulated seconds\n", o.out.c_str(), image.width(),
                image.height(), count_fish(aq.tank), frames, o.seconds);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (int r = parse(argc, argv, &o)) return r;
    char cwd[4096];
    const std::string startDir = getcwd(cwd, sizeof cwd) ? cwd : ".";
    o.out = absolute(o.out, startDir);
    o.contactSheet = absolute(o.contactSheet, startDir);
    o.programDir = absolute(o.programDir, startDir);
    if (chdir(o.programDir.c_str()) != 0) return fail("cannot enter the program folder " + o.programDir);

    // Without a display Qt's offscreen platform is used; with one, the X server's.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", std::getenv("DISPLAY") ? "xcb" : "offscreen", 1);
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QGuiApplication app(qtArgc, qtArgv);

    if (o.bench) return run_bench(o.session, o.benchFrames, o.benchRuns);
    if (!o.contactSheet.empty()) return make_contact_sheet(o.session, o.contactSheet);
    return draw_shot(o);
}
