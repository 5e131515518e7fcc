// The developer preview: skins a posed fish, lights it like the program's fixed-function light
// and fills its triangles with a depth test, for contact sheets and a tank snapshot.
// Must not depend on the program's own code.
#include "tools/fishgen/preview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include <stb/stb_easy_font.h>

#include "tools/fishgen/fish_builder.h"
#include "tools/fishgen/scenery.h"

namespace brine {
namespace fishgen {

namespace {

struct ScreenVertex {
    double x, y, z;  // pixels, depth (smaller is nearer)
    double u, v;
    Rgba light;
};

Mat4 rotation_y(double a) {
    Mat4 m;
    double c = std::cos(a), s = std::sin(a);
    m.m[0] = c, m.m[2] = -s, m.m[8] = s, m.m[10] = c;
    return m;
}

void draw_label(Image* img, int x, int y, const std::string& text) {
    static char buffer[60000];
    int quads = stb_easy_font_print(0, 0, const_cast<char*>(text.c_str()), nullptr, buffer, sizeof buffer);
    const float* v = reinterpret_cast<const float*>(buffer);
    for (int q = 0; q < quads; ++q) {
        const float* p = v + q * 16;  // four vertices of x, y, z, colour
        int x0 = x + static_cast<int>(p[0]), y0 = y + static_cast<int>(p[1]);
        int x1 = x + static_cast<int>(p[8]), y1 = y + static_cast<int>(p[9]);
        for (int yy = y0; yy < y1; ++yy)
            for (int xx = x0; xx < x1; ++xx)
                if (xx >= 0 && yy >= 0 && xx < img->width && yy < img->height) img->at(xx, yy) = rgb(1, 1, 0.85);
    }
}

}  // namespace

namespace {

std::vector<Mat4> pose_skin(const FishModel& model, int motion, double phase) {
    const MotionRecordDef& rec = model.records[motion];
    const AnimationSetDef& set = model.animationSets[rec.animationSet];
    double frame = rec.startFrame + phase * (rec.endFrame - rec.startFrame);
    return skin_matrices(model, combine_pose(model, sample_pose(set, frame)));
}

// Skins the mesh, lights each vertex as the fixed-function pipeline does (emissive plus diffuse
// times N.L for the scene light travelling along (0, -1, 1)) and fills the triangles with a
// depth test and the texture modulated by that light. project() gives pixel x, y and a depth.
template <typename Project>
void rasterize(const FishModel& model, const std::vector<Mat4>& skin, const Mat4& world, Project project,
               Image* target, std::vector<double>* depth) {
    const Vec3 toLight = normalize({0, 1, -1});
    std::vector<const Image*> textures;
    for (const auto& m : model.materials) {
        const Image* tex = nullptr;
        for (const auto& t : model.textures)
            if (t.name == m.texture) tex = &t.image;
        textures.push_back(tex);
    }
    const int w = target->width, h = target->height;
    std::vector<ScreenVertex> sv(model.vertices.size());
    for (size_t i = 0; i < model.vertices.size(); ++i) {
        const SkinVertex& v = model.vertices[i];
        Vec3 p{}, n{};
        for (int k = 0; k < v.influenceCount; ++k) {
            p = p + transform_point(v.pos, skin[v.bone[k]]) * v.weight[k];
            n = n + transform_normal(v.normal, skin[v.bone[k]]) * v.weight[k];
        }
        ScreenVertex s = project(transform_point(p, world));
        s.u = v.u;
        s.v = v.v;
        s.light = Rgba{std::max(0.0, dot(normalize(transform_normal(n, world)), toLight)), 0, 0, 1};
        sv[i] = s;
    }
    for (const Face& f : model.faces) {
        const MaterialDef& mat = model.materials[f.material];
        const Image* tex = textures[f.material];
        const ScreenVertex& a = sv[f.a];
        const ScreenVertex& b = sv[f.b];
        const ScreenVertex& c = sv[f.c];
        double area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
        if (std::fabs(area) < 1e-12) continue;
        int x0 = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
        int x1 = std::min(w - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
        int y0 = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
        int y1 = std::min(h - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                double px = x + 0.5, py = y + 0.5;
                double w0 = ((b.x - px) * (c.y - py) - (b.y - py) * (c.x - px)) / area;
                double w1 = ((c.x - px) * (a.y - py) - (c.y - py) * (a.x - px)) / area;
                double w2 = 1 - w0 - w1;
                if (w0 < 0 || w1 < 0 || w2 < 0) continue;
                double z = w0 * a.z + w1 * b.z + w2 * c.z;
                double& dz = (*depth)[static_cast<size_t>(y) * w + x];
                if (z >= dz) continue;
                dz = z;
                double nl = w0 * a.light.r + w1 * b.light.r + w2 * c.light.r;
                double u = w0 * a.u + w1 * b.u + w2 * c.u, v = w0 * a.v + w1 * b.v + w2 * c.v;
                Rgba t = tex && tex->width > 0 ? tex->sample_wrap(u, v) : rgb(1, 1, 1);
                auto lit = [&](double d, double e) { return std::min(1.0, e + d * nl); };
                target->at(x, y) = Rgba{t.r * lit(mat.diffuse.r, mat.emissive.r), t.g * lit(mat.diffuse.g, mat.emissive.g),
                                        t.b * lit(mat.diffuse.b, mat.emissive.b), 1};
            }
    }
}

Image downsample(const Image& big, int factor) {
    Image out(big.width / factor, big.height / factor);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            Rgba sum{0, 0, 0, 0};
            for (int dy = 0; dy < factor; ++dy)
                for (int dx = 0; dx < factor; ++dx) {
                    const Rgba& c = big.at(x * factor + dx, y * factor + dy);
                    sum.r += c.r, sum.g += c.g, sum.b += c.b;
                }
            double n = factor * factor;
            out.at(x, y) = Rgba{sum.r / n, sum.g / n, sum.b / n, 1};
        }
    return out;
}

HResult save_png(const Image& image, const std::string& path, std::string* reason) {
    std::vector<unsigned char> png = encode_png(image);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        if (reason) *reason = "cannot create " + path;
        return kFail;
    }
    bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) {
        if (reason) *reason = "cannot write " + path;
        return kFail;
    }
    return kOk;
}

}  // namespace

void draw_fish(const FishModel& model, int motion, double phase, PreviewView view, double ppu, Image* target) {
    std::vector<Mat4> skin = pose_skin(model, motion, phase);
    // The fish as the tank holds it: nose to the left of the picture (yaw 90 degrees).
    Mat4 world = rotation_y(view == PreviewView::Front ? 0.0 : kPi / 2);
    // Centre the picture on the fish's bind-pose bounding box.
    Vec3 lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
    for (const auto& v : model.vertices) {
        Vec3 p = transform_point(v.pos, world);
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    Vec3 centre = (lo + hi) * 0.5;
    const int w = target->width, h = target->height;
    auto project = [&](Vec3 p) {
        p = p - centre;
        ScreenVertex s{};
        s.x = w * 0.5 + p.x * ppu;
        s.y = h * 0.5 - (view == PreviewView::Top ? p.z : p.y) * ppu;
        s.z = view == PreviewView::Top ? -p.y : p.z;
        return s;
    };
    std::vector<double> depth(static_cast<size_t>(w) * h, std::numeric_limits<double>::infinity());
    rasterize(model, skin, world, project, target, &depth);
}

HResult write_tank_preview(const std::string& pngPath, std::string* reason) {
    const int ss = 2, W = 1024, H = 768;
    Image wall = make_wallpaper(W, H);
    Image big(W * ss, H * ss);
    for (int y = 0; y < big.height; ++y)
        for (int x = 0; x < big.width; ++x) big.at(x, y) = wall.at(x / ss, y / ss);
    std::vector<double> depth(big.pixels.size(), std::numeric_limits<double>::infinity());
    // The program's camera: eye (0, 0, -300) looking at the origin, 45 degrees, aspect 4/3.
    const double yScale = 1.0 / std::tan(kPi / 8), xScale = yScale / (4.0 / 3.0);
    auto project = [&](Vec3 p) {
        double z = p.z + 300.0;
        ScreenVertex s{};
        s.x = (p.x / z * xScale + 1) * 0.5 * big.width;
        s.y = (1 - p.y / z * yScale) * 0.5 * big.height;
        s.z = z;
        return s;
    };
    struct Placement {
        int kind, motion;
        double phase, x, y, z, yawDegrees, pitchDegrees;
    };
    static const Placement placements[] = {
        {0, 1, 0.2, -60, 30, 0, 80, 0},   {1, 0, 0.5, 40, 45, 20, 250, 5},   {2, 2, 0.1, -20, -20, -30, 120, -10},
        {3, 3, 0.3, 60, -60, 10, 300, 0}, {4, 1, 0.7, 10, 10, 60, 200, 0},    {5, 0, 0.4, -70, -50, 30, 35, 0}};
    std::vector<FishModel> models;
    for (const auto& k : all_kinds()) models.push_back(build_fish(k));
    for (const Placement& pl : placements) {
        if (pl.kind >= static_cast<int>(models.size())) continue;
        const KindSpec& spec = all_kinds()[pl.kind];
        Mat4 scale;
        scale.m[0] = scale.m[5] = scale.m[10] = spec.scale;
        Mat4 pitch;
        double a = pl.pitchDegrees * kPi / 180;
        pitch.m[5] = std::cos(a), pitch.m[6] = std::sin(a), pitch.m[9] = -std::sin(a), pitch.m[10] = std::cos(a);
        Mat4 world = mat_mul(mat_mul(mat_mul(scale, pitch), rotation_y(pl.yawDegrees * kPi / 180)),
                             mat_translation({pl.x, pl.y, pl.z}));
        rasterize(models[pl.kind], pose_skin(models[pl.kind], pl.motion, pl.phase), world, project, &big, &depth);
    }
    return save_png(downsample(big, ss), pngPath, reason);
}

HResult write_preview(const std::string& pngPath, const PreviewOptions& options, std::string* reason) {
    std::vector<FishModel> models;
    for (const auto& k : all_kinds())
        if (options.kind.empty() || options.kind == k.model) models.push_back(build_fish(k));
    if (models.empty()) {
        if (reason) *reason = "no kind named " + options.kind;
        return kFail;
    }
    const int ss = 2;  // supersampling
    const int cw = options.cellWidth, ch = options.cellHeight, times = std::max(1, options.timesPerMotion);
    static const char* const motionNames[4] = {"hover", "cruise", "dash", "eat"};
    static const char* const viewNames[3] = {"side", "top", "front"};
    // One cell per kind, view, motion and time. All kinds: a row per kind and view, the motions
    // and times across. One kind: a row per motion and view, the times across.
    struct Cell {
        int kind, view, motion, time, row, column;
    };
    std::vector<Cell> cells;
    const bool oneKind = models.size() == 1;
    for (int k = 0; k < static_cast<int>(models.size()); ++k)
        for (int v = 0; v < 3; ++v)
            for (int m = 0; m < 4; ++m)
                for (int t = 0; t < times; ++t) {
                    if (oneKind)
                        cells.push_back({k, v, m, t, m * 3 + v, t});
                    else
                        cells.push_back({k, v, m, t, k * 3 + v, m * times + t});
                }
    int rows = 0, columns = 0;
    for (const Cell& c : cells) rows = std::max(rows, c.row + 1), columns = std::max(columns, c.column + 1);
    const int labelWidth = 70;
    Image sheet(labelWidth + columns * cw, rows * ch);
    for (auto& p : sheet.pixels) p = rgb(0.13, 0.4, 0.5);
    const double ppu = cw * 0.85 / 30.0;
    for (const Cell& c : cells) {
        Image cell(cw * ss, ch * ss);
        for (auto& p : cell.pixels) p = rgb(0.13, 0.4, 0.5);
        PreviewView view = c.view == 0 ? PreviewView::Side : (c.view == 1 ? PreviewView::Top : PreviewView::Front);
        draw_fish(models[c.kind], c.motion, static_cast<double>(c.time) / times, view, ppu * ss, &cell);
        int ox = labelWidth + c.column * cw, oy = c.row * ch;
        for (int y = 0; y < ch; ++y)
            for (int x = 0; x < cw; ++x) {
                Rgba sum{0, 0, 0, 0};
                for (int dy = 0; dy < ss; ++dy)
                    for (int dx = 0; dx < ss; ++dx) {
                        const Rgba& p = cell.at(x * ss + dx, y * ss + dy);
                        sum.r += p.r, sum.g += p.g, sum.b += p.b;
                    }
                double n = ss * ss;
                sheet.at(ox + x, oy + y) = Rgba{sum.r / n, sum.g / n, sum.b / n, 1};
            }
        for (int y = 0; y < ch; ++y) sheet.at(ox, oy + y) = rgb(0.05, 0.2, 0.25);
        for (int x = 0; x < cw; ++x) sheet.at(ox + x, oy) = rgb(0.05, 0.2, 0.25);
        char label[48];
        if (oneKind || c.row == 0) {
            std::snprintf(label, sizeof label, "%s %.2f", oneKind ? "" : motionNames[c.motion], static_cast<double>(c.time) / times);
            draw_label(&sheet, ox + 3, oy + 2, label);
        }
        if (c.column == 0) {
            draw_label(&sheet, 4, oy + 4, models[c.kind].model);
            draw_label(&sheet, 4, oy + 16, viewNames[c.view]);
            if (oneKind) draw_label(&sheet, 4, oy + 28, motionNames[c.motion]);
        }
    }
    return save_png(sheet, pngPath, reason);
}

}  // namespace fishgen
}  // namespace brine
