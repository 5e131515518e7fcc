// Contact sheet and frame benchmark of the shot tool. Tool code only.
#include "tools/shot/contact_sheet.h"

#include <QFont>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "data/file_path.h"
#include "fish/behaviour.h"
#include "fish/mesh_hierarchy.h"
#include "platform/linux/text_codec.h"
#include "render/d3dx_math.h"

namespace brine::shot {

namespace fs = std::filesystem;

namespace {

constexpr float kHalfPi = 1.5707964f;
const char* const kStateNames[kBehaviourStateCount] = {"Idle", "Cruise", "Dash", "Eating"};
constexpr int kViews = 3;
const char* const kViewNames[kViews] = {"side", "top", "front"};
constexpr int kFramesPerMotion = 5;  // prime, so no tail beat or fin stroke count aliases to one pose

// Where the posed fish stands: 80 units in front of the eye at (0, 0, -300); the tile shows the
// middle half of the frame, about 44 units across, room for a fish of 35 units with its fins.
constexpr float kPoseZ = -220.0f;
// The close-ups of the head: 45 units from the eye, the middle third of the frame (17 units).
constexpr float kCloseZ = -255.0f;
constexpr float kCloseYaw = 0.6f;  // three-quarter view from the front left
constexpr int kTileW = 176, kTileH = 132, kLabelW = 190, kHeaderH = 34, kStripGap = 8, kKindGap = 10;

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
// back with the nose to the left (pitched nose-down, then turned in the screen plane); front
// looks the fish in the face (a yaw of 0 faces the eye).
Vec3 view_rotation(int view) {
    if (view == 0) return {0.0f, kHalfPi, 0.0f};
    if (view == 1) return {-kHalfPi, 0.0f, -kHalfPi};
    return {0.0f, 0.0f, 0.0f};
}

// Stands the posed fish so that the middle of its bounding sphere, not its own origin, is at
// `where`, and updates its matrices and mesh frames.
void pose_fish(Aquarium& aq, FishRecord& fish, int view, const Vec3& where) {
    const Vec3 r = view_rotation(view);
    fish.body->set_rotation(r.x, r.y, r.z);
    fish.body->set_position(where.x, where.y, where.z);
    aq.tank_animate(0.0f);
    const Vec3 centre = vec3_transform_coord(fish.mesh->boundCenter, fish.body->world);
    fish.body->set_position(2 * where.x - centre.x, 2 * where.y - centre.y, 2 * where.z - centre.z);
    aq.tank_animate(0.0f);
}

// Pixels of the frame's middle half that differ from the clear colour behind the fish (the
// copyright line stays outside it): the fish's extent on screen, or an empty rectangle.
QRect fish_extent(const QImage& frame) {
    const QRgb clear = frame.pixel(frame.width() / 2, 2);
    QRect box;
    for (int y = frame.height() / 4; y < frame.height() * 3 / 4; ++y)
        for (int x = frame.width() / 8; x < frame.width() * 7 / 8; ++x)
            if (frame.pixel(x, y) != clear) box |= QRect(x, y, 1, 1);
    return box;
}

// Turn of the frame named "Jaw" (fishgen's jaw bone) away from its rest, in radians; 0 when the
// mesh has no such frame.
double jaw_opening(const FishRecord& fish) {
    const MeshFrame* jaw = frame_find(fish.mesh->rootFrame, "Jaw");
    if (!jaw) return 0.0;
    return std::acos(std::min(1.0, std::max(-1.0, static_cast<double>(jaw->local.m[1][1]))));
}

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
            const int W = aq.settings.backBufferWidth;
            // Columns: the fish at its real size, then a strip of frames for each motion.
            const int stripW = kFramesPerMotion * kTileW;
            const int motionX0 = kLabelW + kTileW + kStripGap;
            const int kindH = kViews * kTileH + kKindGap;
            QImage sheet(motionX0 + kBehaviourStateCount * (stripW + kStripGap), kHeaderH + catalog.count * kindH,
                         QImage::Format_RGB32);
            sheet.fill(QColor(32, 32, 32));
            QPainter painter(&sheet);
            QFont font = painter.font();
            font.setPixelSize(12);
            painter.setFont(font);
            QFont small = font;
            small.setPixelSize(10);
            painter.setPen(Qt::white);
            painter.drawText(QRect(kLabelW, 0, kTileW, kHeaderH), Qt::AlignCenter | Qt::TextWordWrap,
                             QString("real size at mid-depth, %1x%2").arg(W).arg(aq.settings.backBufferHeight));
            for (int m = 0; m < kBehaviourStateCount; ++m)
                painter.drawText(QRect(motionX0 + m * (stripW + kStripGap), 0, stripW, kHeaderH), Qt::AlignCenter,
                                 QString("%1 (record %2): %3 times over one loop, nose to the left / toward you")
                                     .arg(QString::fromLatin1(kStateNames[m]))
                                     .arg(m)
                                     .arg(kFramesPerMotion));
            for (int row = 0; row < catalog.count; ++row) {
                const CatalogEntry& entry = catalog.rows[row];
                const int top = kHeaderH + row * kindH;
                QString label = QString::fromStdString(sjis_to_utf8(entry.kindName) + "  " + entry.modelName +
                                                       "\npack " + std::to_string(entry.packNumber));
                const int slot = session.add_fish(std::to_string(row), "sheet", 5, &why);
                if (slot < 0) {
                    painter.setPen(Qt::red);
                    painter.drawText(QRect(motionX0, top, sheet.width() - motionX0, kTileH), Qt::AlignCenter,
                                     QString::fromStdString(why));
                    std::fprintf(stderr, "shot: %s\n", why.c_str());
                    status = 1;
                    continue;
                }
                FishRecord& fish = aq.tank.fish[slot];
                FishWorld& world = aq.fish_world();
                auto draw = [&](QImage* frameImage) {
                    if (succeeded(aq.render_frame()) && session.read_frame(frameImage)) return true;
                    status = fail("drawing " + entry.modelName + " failed");
                    return false;
                };
                // Real size: side on at mid-depth (z = 0), in its hover pose, cut 1:1 from the frame.
                for (int view = 0; view < kViews; ++view) {
                    fish.state = FishState::Idle;
                    start_state_motion(world, fish, 0);
                    pose_fish(aq, fish, view, Vec3{0.0f, 0.0f, 0.0f});
                    QImage frameImage;
                    if (!draw(&frameImage)) continue;
                    const QRect box = fish_extent(frameImage);
                    const QPoint c(frameImage.width() / 2, frameImage.height() / 2);
                    painter.drawImage(QPoint(kLabelW, top + view * kTileH),
                                      frameImage.copy(c.x() - kTileW / 2, c.y() - kTileH / 2, kTileW, kTileH));
                    if (view == 0) {
                        label += QString("\n\nside on at mid-depth:\n%1 x %2 px\n(%3% of the width)")
                                     .arg(box.width())
                                     .arg(box.height())
                                     .arg(100.0 * box.width() / W, 0, 'f', 1);
                        std::printf("%s: side on at mid-depth %d px long, %d px high (%.1f%% of %d)\n",
                                    entry.modelName.c_str(), box.width(), box.height(), 100.0 * box.width() / W, W);
                    }
                }
                painter.setPen(Qt::white);
                painter.setFont(font);
                painter.drawText(QRect(4, top, kLabelW - 8, kTileH), Qt::AlignTop | Qt::AlignLeft | Qt::TextWordWrap,
                                 label);
                // The head close up, three-quarter from the front: the mouth shut (hover's first
                // frame) and at its widest while eating.
                for (int shot = 0; shot < 2; ++shot) {
                    const int state = shot == 0 ? 0 : 3;
                    const MotionRecord& record = fish.motion.trackRecords[state];
                    fish.state = static_cast<FishState>(state);
                    start_state_motion(world, fish, state);
                    double widest = record.startFrame, most = -1.0;
                    for (int f = record.startFrame; shot == 1 && f <= record.endFrame; ++f) {
                        world.meshes->set_time(*fish.mesh, static_cast<double>(f) / fish.motion.fps);
                        if (jaw_opening(fish) > most) most = jaw_opening(fish), widest = f;
                    }
                    world.meshes->set_time(*fish.mesh, widest / fish.motion.fps);
                    fish.body->set_rotation(0.0f, kCloseYaw, 0.0f);
                    fish.body->set_position(0.0f, 0.0f, kCloseZ);
                    aq.tank_animate(0.0f);
                    QImage frameImage;
                    if (!draw(&frameImage)) continue;
                    const QImage crop = frameImage.copy(frameImage.width() / 3, frameImage.height() / 3,
                                                        frameImage.width() / 3, frameImage.height() / 3);
                    const QRect target(4, top + (shot + 1) * kTileH, kTileW, kTileH);
                    painter.drawImage(target, crop.scaled(kTileW, kTileH, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
                    painter.setFont(small);
                    painter.setPen(QColor(220, 220, 230));
                    painter.drawText(target.adjusted(3, 1, -3, -1), Qt::AlignTop | Qt::AlignLeft,
                                     shot == 0 ? QString("hover at %1: mouth shut").arg(widest, 0, 'f', 0)
                                               : QString("eating at %1: mouth widest").arg(widest, 0, 'f', 0));
                    painter.setFont(font);
                }
                painter.setFont(small);
                painter.setPen(QColor(220, 220, 230));
                for (int view = 0; view < kViews; ++view)
                    painter.drawText(QRect(kLabelW + 3, top + view * kTileH + 1, kTileW - 6, kTileH - 2),
                                     Qt::AlignBottom | Qt::AlignLeft, QString::fromLatin1(kViewNames[view]));
                painter.setFont(font);
                for (int state = 0; state < kBehaviourStateCount; ++state) {
                    const MotionRecord& record = fish.motion.trackRecords[state];
                    const int stripX = motionX0 + state * (stripW + kStripGap);
                    for (int k = 0; k < kFramesPerMotion; ++k) {
                        // Evenly over the loop: start, then k fifths of the way to the end frame.
                        const double frame =
                            record.startFrame + static_cast<double>(record.endFrame - record.startFrame) * k / kFramesPerMotion;
                        for (int view = 0; view < kViews; ++view) {
                            fish.state = static_cast<FishState>(state);
                            start_state_motion(world, fish, state);
                            world.meshes->set_time(*fish.mesh, frame / fish.motion.fps);
                            pose_fish(aq, fish, view, Vec3{0.0f, 0.0f, kPoseZ});
                            QImage frameImage;
                            if (!draw(&frameImage)) continue;
                            // The middle half of the frame, where the posed fish stands.
                            const QImage crop = frameImage.copy(frameImage.width() / 4, frameImage.height() / 4,
                                                                frameImage.width() / 2, frameImage.height() / 2);
                            const QRect target(stripX + k * kTileW, top + view * kTileH, kTileW, kTileH);
                            painter.drawImage(target, crop.scaled(kTileW, kTileH, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
                            painter.setPen(QColor(220, 220, 230));
                            painter.setFont(small);
                            const QString caption = view != 0 ? QString()
                                                    : k == 0 ? QString("set %1, frames %2-%3: at %4")
                                                                   .arg(record.animationSet)
                                                                   .arg(record.startFrame)
                                                                   .arg(record.endFrame)
                                                                   .arg(frame, 0, 'f', 1)
                                                             : QString("at %1").arg(frame, 0, 'f', 1);
                            painter.drawText(target.adjusted(3, 1, -3, -1), Qt::AlignTop | Qt::AlignLeft, caption);
                        }
                    }
                }
                painter.setFont(font);
                session.clear_fish();
            }
            painter.end();
            if (!sheet.save(QString::fromStdString(outPath), "PNG")) status = fail("cannot write " + outPath);
            else
                std::printf("%s: %d kinds x %d motions x %d times x %d views\n", outPath.c_str(), catalog.count,
                            kBehaviourStateCount, kFramesPerMotion, kViews);
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
