// Contact sheet and frame benchmark of the shot tool. Tool code only.
#include "tools/shot/contact_sheet.h"

#include <QFont>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "data/file_path.h"
#include "fish/behaviour.h"
#include "platform/linux/text_codec.h"

namespace brine::shot {

namespace fs = std::filesystem;

namespace {

constexpr float kHalfPi = 1.5707964f;
const char* const kStateNames[kBehaviourStateCount] = {"Idle", "Cruise", "Dash", "Eating"};
const char* const kViewNames[2] = {"side", "top"};

// Where the posed fish stands: 95 units in front of the eye at (0, 0, -300), so a fish of the
// usual 30 to 40 units fills most of the middle half of the frame that a tile shows.
constexpr float kPoseZ = -205.0f;
constexpr int kTileW = 240, kTileH = 180, kLabelW = 170, kHeaderH = 24, kCaptionH = 16;

int fail(const std::string& message) {
    std::fprintf(stderr, "shot: %s\n", message.c_str());
    return 1;
}

// A copy of the program folder's data with every extension pack installed as a further fish pack
// and every ledger at zero, so every kind shows and the real folder is left untouched.
bool make_sheet_folder(const fs::path& from, fs::path* made, std::string* why) {
    char pattern[] = "/tmp/shot-sheet-XXXXXX";
    if (!mkdtemp(pattern)) {
        *why = "cannot make a temporary folder";
        return false;
    }
    const fs::path dir = pattern;
    *made = dir;
    std::error_code ec;
    fs::create_directory(dir / "object", ec);
    for (const char* name : {"texture.pak", "initialize.pak", "bg_sprite1.jpg"})
        if (fs::exists(from / name)) fs::copy_file(from / name, dir / name, ec);
    std::vector<fs::path> packs, extensions;
    for (const auto& e : fs::directory_iterator(from / "object", ec))
        if (fish_pack_number(e.path().filename().string().c_str()) > 0) packs.push_back(e.path());
    for (const auto& e : fs::directory_iterator(from / "extensions", ec))
        if (e.path().extension() == ".exd") extensions.push_back(e.path());
    std::sort(packs.begin(), packs.end(), [](const fs::path& a, const fs::path& b) {
        return fish_pack_number(a.filename().string().c_str()) < fish_pack_number(b.filename().string().c_str());
    });
    std::sort(extensions.begin(), extensions.end());
    if (packs.empty()) {
        *why = "no fish pack in " + (from / "object").string();
        return false;
    }
    int number = 0;
    auto install = [&](const fs::path& source) {
        ++number;
        const fs::path pack = dir / "object" / ("fish" + std::to_string(number) + ".pak");
        fs::copy_file(source, pack, ec);
        std::ofstream ledger(dir / "object" / ("fish" + std::to_string(number) + ".dat"), std::ios::binary);
        const std::vector<char> zeros(4 * 256, 0);  // every kind available at once
        ledger.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    };
    for (const fs::path& p : packs) install(p);
    for (const fs::path& p : extensions) install(p);
    return true;
}

// Body rotation for a view: side shows the left flank with the nose to the left; top shows the
// back with the nose to the left (pitched nose-down, then turned in the screen plane).
Vec3 view_rotation(int view) { return view == 0 ? Vec3{0.0f, kHalfPi, 0.0f} : Vec3{-kHalfPi, 0.0f, -kHalfPi}; }

}  // namespace

int make_contact_sheet(const SessionOptions& options, const std::string& outPath) {
    const fs::path programDir = fs::current_path();
    fs::path folder;
    std::string why;
    if (!make_sheet_folder(programDir, &folder, &why)) return fail(why);
    fs::current_path(folder);
    int status = 0;
    {
        SessionOptions o = options;
        o.wallpaperMode = 0;  // the clear colour behind the fish, so colours read plainly
        o.names = o.satiety = false;
        Session session(o);
        if (!session.start(&why)) {
            status = fail(why);
        } else {
            Aquarium& aq = session.aquarium();
            session.clear_fish();
            aq.flags.showTopics = 0;
            const FishCatalog& catalog = aq.catalog;
            const int columns = kBehaviourStateCount * 2;
            QImage sheet(kLabelW + columns * kTileW, kHeaderH + catalog.count * (kTileH + kCaptionH),
                         QImage::Format_RGB32);
            sheet.fill(QColor(32, 32, 32));
            QPainter painter(&sheet);
            QFont font = painter.font();
            font.setPixelSize(12);
            painter.setFont(font);
            painter.setPen(Qt::white);
            for (int c = 0; c < columns; ++c)
                painter.drawText(QRect(kLabelW + c * kTileW, 0, kTileW, kHeaderH), Qt::AlignCenter,
                                 QString("%1 %2 (record %3)")
                                     .arg(QString::fromLatin1(kStateNames[c / 2]), QString::fromLatin1(kViewNames[c % 2]))
                                     .arg(c / 2));
            for (int row = 0; row < catalog.count; ++row) {
                const CatalogEntry& entry = catalog.rows[row];
                const int top = kHeaderH + row * (kTileH + kCaptionH);
                painter.setPen(Qt::white);
                painter.drawText(QRect(4, top, kLabelW - 8, kTileH), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap,
                                 QString::fromStdString(sjis_to_utf8(entry.kindName) + "\n" + entry.modelName +
                                                        "\npack " + std::to_string(entry.packNumber)));
                const int slot = session.add_fish(std::to_string(row), "sheet", 5, &why);
                if (slot < 0) {
                    painter.setPen(Qt::red);
                    painter.drawText(QRect(kLabelW, top, columns * kTileW, kTileH), Qt::AlignCenter,
                                     QString::fromStdString(why));
                    std::fprintf(stderr, "shot: %s\n", why.c_str());
                    status = 1;
                    continue;
                }
                FishRecord& fish = aq.tank.fish[slot];
                FishWorld& world = aq.fish_world();
                for (int c = 0; c < columns; ++c) {
                    const int state = c / 2, view = c % 2;
                    const MotionRecord& record = fish.motion.trackRecords[state];
                    fish.state = static_cast<FishState>(state);
                    start_state_motion(world, fish, state);
                    // Halfway through the state's loop: the middle of the motion, not its rest pose.
                    const int frame = (record.startFrame + record.endFrame) / 2;
                    world.meshes->set_time(*fish.mesh, static_cast<double>(frame) / fish.motion.fps);
                    fish.body->set_position(0.0f, 0.0f, kPoseZ);
                    const Vec3 r = view_rotation(view);
                    fish.body->set_rotation(r.x, r.y, r.z);
                    aq.tank_animate(0.0f);
                    QImage frameImage;
                    if (failed(aq.render_frame()) || !session.read_frame(&frameImage)) {
                        status = fail("drawing " + entry.modelName + " failed");
                        continue;
                    }
                    // The middle half of the frame, where the posed fish stands.
                    const QImage crop = frameImage.copy(frameImage.width() / 4, frameImage.height() / 4,
                                                        frameImage.width() / 2, frameImage.height() / 2);
                    const QRect target(kLabelW + c * kTileW, top, kTileW, kTileH);
                    painter.drawImage(target, crop.scaled(kTileW, kTileH, Qt::KeepAspectRatio, Qt::SmoothTransformation));
                    painter.setPen(QColor(200, 200, 200));
                    painter.drawText(QRect(target.left(), top + kTileH, kTileW, kCaptionH), Qt::AlignCenter,
                                     QString("set %1, frames %2-%3, at %4")
                                         .arg(record.animationSet)
                                         .arg(record.startFrame)
                                         .arg(record.endFrame)
                                         .arg(frame));
                }
                session.clear_fish();
            }
            painter.end();
            if (!sheet.save(QString::fromStdString(outPath), "PNG")) status = fail("cannot write " + outPath);
            else
                std::printf("%s: %d kinds x %d poses\n", outPath.c_str(), catalog.count, columns);
        }
    }
    fs::current_path(programDir);
    std::error_code ec;
    fs::remove_all(folder, ec);
    return status;
}

int run_bench(const SessionOptions& options, int framesPerRun, int runs) {
    std::printf("ms per frame (tank_animate + render_frame, finished), 10 fish, median of %d runs of %d frames\n",
                runs, framesPerRun);
    int status = 0;
    for (int quality = 0; quality <= 4; ++quality) {
        SessionOptions o = options;
        o.quality = quality;
        Session session(o);
        std::string why;
        if (!session.start(&why)) {
            status = fail("quality " + std::to_string(quality) + ": " + why);
            continue;
        }
        Aquarium& aq = session.aquarium();
        session.clear_fish();
        aq.rand.srand(1);
        for (int i = 0; i < 10; ++i)
            if (session.add_fish(std::to_string(i % aq.catalog.count), "bench" + std::to_string(i), 5, &why) < 0)
                return fail(why);
        session.run_seconds(1.0);  // warm-up: textures uploaded, fish swimming
        QOpenGLFunctions* gl = session.device()->gl_context()->functions();
        std::vector<double> perFrame;
        for (int run = 0; run < runs; ++run) {
            const auto t0 = std::chrono::steady_clock::now();
            for (int f = 0; f < framesPerRun; ++f) {
                session.clock.advance_us(33334);
                aq.tank_step();
                aq.tank_animate(0.033334f);
                aq.render_frame();
            }
            gl->glFinish();
            const auto t1 = std::chrono::steady_clock::now();
            perFrame.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count() / framesPerRun);
        }
        std::sort(perFrame.begin(), perFrame.end());
        std::printf("quality %d (%dx%d): median %.2f ms, min %.2f, max %.2f\n", quality,
                    aq.settings.backBufferWidth, aq.settings.backBufferHeight, perFrame[perFrame.size() / 2],
                    perFrame.front(), perFrame.back());
        std::fflush(stdout);
    }
    return status;
}

}  // namespace brine::shot
