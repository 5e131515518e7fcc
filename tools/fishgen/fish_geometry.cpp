// Skeleton and skinned geometry of a goldfish: the lofted body split along the mouth line into
// upper lip and jaw with the mouth's cavity behind them, the fins as thin two-faced membranes,
// the eyes, and the bone weights (smooth falloff along the spine, at most three bones a vertex).
// Must not depend on the program's own code.
#include <algorithm>
#include <cmath>
#include <functional>

#include "tools/fishgen/fish_body.h"
#include "tools/fishgen/fish_builder.h"

namespace brine {
namespace fishgen {

namespace {

constexpr int kBodyMaterial = 0;
constexpr int kFinMaterial = 1;
constexpr int kEyeMaterial = 2;
constexpr int kMouthMaterial = 3;
// Half the least gap between a fin's two faces, in tank units: 0.04 units is several steps of a
// 24-bit depth buffer even at the far side of the tank.
constexpr double kMinHalfThickness = 0.02;

struct Influence {
    int bone;
    double weight;
};
using Influences = std::vector<Influence>;

// Keeps the strongest three, renormalises and rounds to thousandths so the weights written to
// the file add up to exactly one.
void assign_weights(Influences in, SkinVertex* v) {
    Influences merged;
    for (const auto& i : in) {
        if (i.weight <= 0) continue;
        auto it = std::find_if(merged.begin(), merged.end(), [&](const Influence& m) { return m.bone == i.bone; });
        if (it != merged.end())
            it->weight += i.weight;
        else
            merged.push_back(i);
    }
    std::stable_sort(merged.begin(), merged.end(),
                     [](const Influence& a, const Influence& b) { return a.weight > b.weight; });
    if (merged.size() > kMaxInfluences) merged.resize(kMaxInfluences);
    double sum = 0;
    for (const auto& m : merged) sum += m.weight;
    int thousandths[kMaxInfluences] = {0, 0, 0};
    int total = 0, count = 0;
    for (size_t i = 0; i < merged.size(); ++i) {
        thousandths[i] = static_cast<int>(std::floor(merged[i].weight / sum * 1000.0 + 0.5));
        total += thousandths[i];
    }
    thousandths[0] += 1000 - total;
    for (size_t i = 0; i < merged.size(); ++i) {
        if (thousandths[i] <= 0) continue;
        v->bone[count] = merged[i].bone;
        v->weight[count] = thousandths[i] / 1000.0;
        ++count;
    }
    for (int i = count; i < kMaxInfluences; ++i) {
        v->bone[i] = 0;
        v->weight[i] = 0;
    }
    v->influenceCount = count;
}

class GeometryBuilder {
public:
    GeometryBuilder(const KindSpec& kind, FishModel* model) : k_(kind), body_(kind), m_(model) {}

    void build() {
        chain_ = {kHead, kSpine1, kSpine2, kSpine3, kTailRoot, kCaudal};
        add_body();
        add_eyes();
        add_pectorals();
        add_pelvics();
        add_anal();
        if (k_.dorsal) add_dorsal();
        add_caudal();
    }

private:
    // Weights along the spine: a smooth blend between the two chain bones around z.
    Influences spine_influences(double z) const {
        const auto& bones = m_->bones;
        if (z <= bones[chain_.front()].bindPos.z) return {{chain_.front(), 1.0}};
        for (size_t i = 0; i + 1 < chain_.size(); ++i) {
            double z0 = bones[chain_[i]].bindPos.z, z1 = bones[chain_[i + 1]].bindPos.z;
            if (z <= z1) {
                double t = smoothstep(0.0, 1.0, (z - z0) / (z1 - z0));
                return {{chain_[i], 1.0 - t}, {chain_[i + 1], t}};
            }
        }
        return {{chain_.back(), 1.0}};
    }

    int add_vertex(Vec3 p, Vec3 n, double u, double v, const Influences& w) {
        SkinVertex sv;
        sv.pos = p;
        sv.normal = normalize(n);
        sv.u = u;
        sv.v = v;
        assign_weights(w, &sv);
        m_->vertices.push_back(sv);
        return static_cast<int>(m_->vertices.size()) - 1;
    }

    // Adds a triangle wound clockwise as seen from the side its vertex normals face (the
    // front-face convention of Direct3D), whatever order the caller gave; or, with `side`, as
    // seen from that side.
    void add_triangle(int a, int b, int c, int material, const Vec3* side = nullptr) {
        const auto& va = m_->vertices[a];
        const auto& vb = m_->vertices[b];
        const auto& vc = m_->vertices[c];
        Vec3 fn = cross(vb.pos - va.pos, vc.pos - va.pos);
        if (length(fn) < 1e-12) return;  // degenerate: nothing to draw
        Vec3 avg = side ? *side : va.normal + vb.normal + vc.normal;
        Face f;
        f.material = material;
        if (dot(fn, avg) >= 0) {
            f.a = a, f.b = b, f.c = c;
        } else {
            f.a = a, f.b = c, f.c = b;
        }
        m_->faces.push_back(f);
    }

    void add_quad(int a, int b, int c, int d, int material, const Vec3* side = nullptr) {  // a-b-c-d round the quad
        add_triangle(a, b, c, material, side);
        add_triangle(a, c, d, material, side);
    }

    // The upper half of the head and everything behind the mouth follow the spine; the lower lip
    // is the jaw, which hinges at the corners of the mouth, and the throat behind it follows a little.
    Influences body_influences(Vec3 p, double s, bool jawSide) const {
        Influences w = spine_influences(p.z);
        if (!jawSide) return w;
        double jaw = 1.0;
        if (s >= k_.mouthS) {
            double depth = -p.y / std::max(body_.belly(s), 1e-3);
            jaw = 0.6 * (1.0 - smoothstep(k_.mouthS, k_.mouthS + 0.06, s)) * smoothstep(0.1, 0.6, depth);
        }
        if (jaw > 0) {
            for (auto& i : w) i.weight *= 1.0 - jaw;
            w.push_back({kJaw, jaw});
        }
        return w;
    }

    void add_body() {
        const int rings = 56, columns = 40;
        // The mouth line runs along both sides at the height of the nose tip (theta pi/2 and
        // 3pi/2) from the nose back to the corners: the vertices on it come twice, once for the
        // upper lip and once for the jaw, so the mouth opens when the jaw turns.
        const int jL = columns / 4, jR = 3 * columns / 4;
        std::vector<double> ss;
        for (int i = 1; i <= rings; ++i) {
            double t = static_cast<double>(i) / rings;
            ss.push_back(t - 0.07 * std::sin(2 * kPi * t));  // denser at the nose and the tail
        }
        int corner = 1;
        while (corner + 1 < rings && ss[corner] < k_.mouthS) ++corner;
        Vec3 tip{0, 0, body_.nose_z()};
        int tipUpper = add_vertex(tip, {0, 0, -1}, 0.0, 0.5, body_influences(tip, 0, false));
        int tipJaw = add_vertex(tip, {0, 0, -1}, 0.0, 0.5, body_influences(tip, 0, true));
        std::vector<std::vector<int>> grid(rings, std::vector<int>(columns + 1));
        std::vector<std::vector<int>> jawLine(corner, std::vector<int>(2));
        for (int i = 0; i < rings; ++i) {
            for (int j = 0; j <= columns; ++j) {
                double theta = 2 * kPi * j / columns;
                Vec3 p = body_.point(ss[i], theta);
                Vec3 n = body_.normal(ss[i], theta);
                double u = ss[i], v = static_cast<double>(j) / columns;
                bool lower = j > jL && j < jR;
                bool onLine = j == jL || j == jR;
                grid[i][j] = add_vertex(p, n, u, v, body_influences(p, ss[i], lower || (onLine && i >= corner)));
                if (onLine && i < corner) jawLine[i][j == jL ? 0 : 1] = add_vertex(p, n, u, v, body_influences(p, ss[i], true));
            }
        }
        // The vertex of ring i, column j for a face on the jaw side or the upper side.
        auto at = [&](int i, int j, bool jawSide) {
            if (jawSide && i < corner && (j == jL || j == jR)) return jawLine[i][j == jL ? 0 : 1];
            return grid[i][j];
        };
        for (int j = 0; j < columns; ++j) {
            bool jawSide = j >= jL && j < jR;
            add_triangle(jawSide ? tipJaw : tipUpper, at(0, j, jawSide), at(0, j + 1, jawSide), kBodyMaterial);
        }
        for (int i = 0; i + 1 < rings; ++i)
            for (int j = 0; j < columns; ++j) {
                bool jawSide = j >= jL && j < jR;
                add_quad(at(i, j, jawSide), at(i + 1, j, jawSide), at(i + 1, j + 1, jawSide), at(i, j + 1, jawSide),
                         kBodyMaterial);
            }
        // Close the caudal base; the tail covers it.
        Vec3 end{0, (body_.back(1.0) - body_.belly(1.0)) * 0.5, body_.z_at(1.0)};
        int endIndex = add_vertex(end, {0, 0, 1}, 1.0, 0.5, body_influences(end, 1.0, false));
        for (int j = 0; j < columns; ++j)
            add_triangle(endIndex, grid[rings - 1][j + 1], grid[rings - 1][j], kBodyMaterial);

        // The mouth line from the left corner round the nose to the right corner.
        std::vector<Vec3> line;
        std::vector<double> lineS;
        for (int i = corner; i >= 0; --i) line.push_back(body_.point(ss[i], 2 * kPi * jL / columns)), lineS.push_back(ss[i]);
        line.push_back(tip), lineS.push_back(0.0);
        for (int i = 0; i <= corner; ++i) line.push_back(body_.point(ss[i], 2 * kPi * jR / columns)), lineS.push_back(ss[i]);
        add_mouth_cavity(line, lineS);
    }

    // The inside of the mouth: a pocket inside the head whose rim is the mouth line, upper half
    // on the head and lower half on the jaw. Closed, it lies hidden in the head; open, it fills
    // the gap between the lips, so the mouth shows as an opening from every side.
    void add_mouth_cavity(const std::vector<Vec3>& line, const std::vector<double>& lineS) {
        const double L = body_.body_length();
        const Vec3 centre{0, 0, body_.z_at(0.75 * k_.mouthS)};
        const double depth = 0.85, height = 0.012 * L;
        const int rows = 6;
        const int n = static_cast<int>(line.size());
        std::vector<std::vector<int>> grid(rows + 1, std::vector<int>(n));
        for (int r = 0; r <= rows; ++r) {
            double phi = kPi * r / rows;  // 0 upper lip, pi/2 the throat, pi lower lip
            for (int k = 0; k < n; ++k) {
                Vec3 inward = centre - line[k];
                Vec3 p = line[k] + inward * (depth * std::sin(phi)) + Vec3{0, height * std::sin(2 * phi), 0};
                Vec3 nrm = normalize(Vec3{0, -std::cos(phi), 0} + normalize(inward) * (-std::sin(phi)));
                grid[r][k] = add_vertex(p, nrm, static_cast<double>(k) / (n - 1), static_cast<double>(r) / rows,
                                        mouth_influences(line[k], lineS[k], r, rows));
            }
        }
        for (int r = 0; r < rows; ++r)
            for (int k = 0; k + 1 < n; ++k)
                add_quad(grid[r][k], grid[r + 1][k], grid[r + 1][k + 1], grid[r][k + 1], kMouthMaterial);
        // The middle of the mouth, from palate to floor (the tongue), with a face to each side:
        // seen from the side through the parted lips it is the inside of the mouth, not the
        // water beyond the far cheek.
        const int k0 = (n - 1) / 2;
        Vec3 middle{};
        for (int r = 0; r <= rows; ++r) middle = middle + m_->vertices[grid[r][k0]].pos * (1.0 / (rows + 1));
        for (double out : {1.0, -1.0}) {
            Vec3 side{out, 0, 0};
            int c = add_vertex(middle, side, 0.5, 0.5, mouth_influences(line[k0], 0.0, rows / 2 + 1, rows));
            std::vector<int> rim;
            for (int r = 0; r <= rows; ++r)
                rim.push_back(add_vertex(m_->vertices[grid[r][k0]].pos, side, 0.5, static_cast<double>(r) / rows,
                                         mouth_influences(line[k0], 0.0, r, rows)));
            for (int r = 0; r < rows; ++r) add_triangle(c, rim[r], rim[r + 1], kMouthMaterial, &side);
        }
    }

    // Row r of the mouth's inside (0 upper lip .. rows lower lip): the upper half and the throat
    // on the head, the lower lip on the jaw, the floor between partly on the jaw.
    Influences mouth_influences(Vec3 lip, double s, int r, int rows) const {
        if (r <= rows / 2 || r == rows) return body_influences(lip, s, r == rows);
        double jaw = r == rows - 1 ? 0.5 : 0.15;
        Influences w = body_influences(lip, s, false);
        for (auto& i : w) i.weight *= 1.0 - jaw;
        w.push_back({kJaw, jaw});
        return w;
    }

    void add_sphere(Vec3 centre, Vec3 axis, double radius, int material, const Influences& w) {
        const int stacks = 10, slices = 16;
        Vec3 a = normalize(axis);
        Vec3 e1 = normalize(cross(std::fabs(a.y) < 0.9 ? Vec3{0, 1, 0} : Vec3{1, 0, 0}, a));
        Vec3 e2 = cross(a, e1);
        std::vector<std::vector<int>> grid(stacks + 1, std::vector<int>(slices + 1));
        for (int i = 0; i <= stacks; ++i) {
            double phi = kPi * i / stacks;
            for (int j = 0; j <= slices; ++j) {
                double lam = 2 * kPi * j / slices;
                Vec3 d = a * std::cos(phi) + (e1 * std::cos(lam) + e2 * std::sin(lam)) * std::sin(phi);
                if (i == 0) d = a;
                if (i == stacks) d = a * -1.0;
                grid[i][j] = add_vertex(centre + d * radius, d, static_cast<double>(j) / slices,
                                        static_cast<double>(i) / stacks, w);
            }
        }
        for (int i = 0; i < stacks; ++i)
            for (int j = 0; j < slices; ++j) {
                if (i == 0)
                    add_triangle(grid[0][j], grid[1][j], grid[1][j + 1], material);
                else if (i == stacks - 1)
                    add_triangle(grid[i][j], grid[i + 1][j], grid[i][j + 1], material);
                else
                    add_quad(grid[i][j], grid[i + 1][j], grid[i + 1][j + 1], grid[i][j + 1], material);
            }
    }

    // A short tube from the head out to a telescope eye, in body colour.
    void add_stalk(Vec3 from, Vec3 to, double r0, double r1) {
        const int rings = 4, slices = 14;
        Vec3 a = normalize(to - from);
        Vec3 e1 = normalize(cross(std::fabs(a.y) < 0.9 ? Vec3{0, 1, 0} : Vec3{1, 0, 0}, a));
        Vec3 e2 = cross(a, e1);
        std::vector<std::vector<int>> grid(rings + 1, std::vector<int>(slices + 1));
        for (int i = 0; i <= rings; ++i) {
            double t = static_cast<double>(i) / rings;
            double r = mix(r0, r1, t);
            Vec3 c = lerp(from, to, t);
            for (int j = 0; j <= slices; ++j) {
                double lam = 2 * kPi * j / slices;
                Vec3 d = e1 * std::cos(lam) + e2 * std::sin(lam);
                Vec3 n = normalize(d + a * ((r0 - r1) / std::max(length(to - from), 1e-6)));
                // Body texture: a plain patch from behind the gill cover keeps the colour.
                grid[i][j] = add_vertex(c + d * r, n, 0.16 + 0.04 * t, 0.3 + 0.05 * std::cos(lam), {{kHead, 1.0}});
            }
        }
        for (int i = 0; i < rings; ++i)
            for (int j = 0; j < slices; ++j)
                add_quad(grid[i][j], grid[i + 1][j], grid[i + 1][j + 1], grid[i][j + 1], kBodyMaterial);
    }

    void add_eyes() {
        double L = body_.body_length();
        double s = k_.eyeS;
        double theta = body_.eye_theta();
        double r = k_.eyeRadius * L;
        for (int side = 0; side < 2; ++side) {
            double th = side == 0 ? theta : 2 * kPi - theta;
            Vec3 p = body_.base_point(s, th);
            Vec3 n = body_.normal(s, th);
            if (k_.telescope > 0) {
                Vec3 dir = normalize(n + Vec3{0, 0.25, -0.25});
                Vec3 end = p + dir * (k_.telescope * L);
                add_stalk(p - dir * (0.3 * r), end, r * 0.62, r * 0.78);
                add_sphere(end + dir * (0.55 * r), normalize(dir + Vec3{0, 0, -0.35}), r, kEyeMaterial, {{kHead, 1.0}});
            } else {
                Vec3 axis = normalize(n + Vec3{0, 0.05, -0.3});
                add_sphere(p - n * (0.2 * r), axis, r, kEyeMaterial, {{kHead, 1.0}});
            }
        }
    }

    struct FinSheet {
        std::function<Vec3(double)> base;
        std::function<Vec3(double)> dir;
        std::function<double(double)> len;
        Vec3 droop;           // offset at the edge (times v squared)
        Vec3 frillAxis;       // direction of the wavy edge
        double frill = 0;     // amplitude at the edge
        int frillWaves = 5;
        Vec3 facing;          // which way the sheet's normals face
        double upBias = 1.0;  // how much the normals lean up to catch the light from above
        int nu = 10, nv = 6;
        std::function<Influences(Vec3 p, double t, double v)> weigh;
        // Optional rigid turn of the finished sheet about an axis through a point.
        Vec3 pivot, turnAxis;
        double turn = 0;
        double flare = 0;        // further turn toward the edge (times v): the sheet fans out
        double thickness = 1.0;  // of the kind's fin thickness
    };

    Vec3 fin_point(const FinSheet& f, double t, double v) const {
        double l = f.len(t);
        Vec3 p = f.base(t) + f.dir(t) * (l * v) + f.droop * (v * v) +
                 f.frillAxis * (f.frill * std::sin(2 * kPi * f.frillWaves * t) * v * v * v);
        if (f.turn != 0 || f.flare != 0) {
            Mat4 r = mat_rotation(quat_axis_angle(f.turnAxis, f.turn + f.flare * v));
            p = transform_normal(p - f.pivot, r) + f.pivot;
        }
        return p;
    }

    // Fin normals lean up to catch the light from above; a face that looks down leans less, so
    // its normal still points to its own side.
    static Vec3 lit_normal(Vec3 n, double upBias) {
        double lean = n.y < 0 ? upBias * std::max(0.0, 1.0 - 1.6 * std::fabs(n.y)) : upBias;
        return normalize(n + Vec3{0, lean, 0});
    }

    // Both faces of the membrane, each wound to face its own side, so a fin shows from behind as
    // well as from the front and is lit on the side the light falls on; they part toward the
    // middle of the root (a lens, thinnest at the rim).
    void add_fin(const FinSheet& f) {
        const double thickness = 0.5 * k_.finThickness * body_.body_length() * f.thickness;
        std::vector<std::vector<int>> front(f.nv + 1, std::vector<int>(f.nu + 1)), back = front;
        std::vector<std::vector<Vec3>> side(f.nv + 1, std::vector<Vec3>(f.nu + 1));
        Vec3 facing = f.facing;
        if (f.turn != 0) facing = transform_normal(facing, mat_rotation(quat_axis_angle(f.turnAxis, f.turn)));
        // Normals from the sampled grids themselves (differences between neighbours), so they
        // agree with the triangles drawn even where a frilled edge bends between samples or the
        // membrane thins toward its rim.
        using Grid = std::vector<std::vector<Vec3>>;
        Grid mid(f.nv + 1, std::vector<Vec3>(f.nu + 1)), outer = mid, inner = mid;
        auto grid_normal = [&](const Grid& g, int i, int j, Vec3 toward) {
            Vec3 dt = g[i][std::min(j + 1, f.nu)] - g[i][std::max(j - 1, 0)];
            Vec3 dv = g[std::min(i + 1, f.nv)][j] - g[std::max(i - 1, 0)][j];
            Vec3 n = cross(dt, dv);
            n = length(n) < 1e-12 ? toward : normalize(n);
            return dot(n, toward) < 0 ? n * -1.0 : n;
        };
        for (int i = 0; i <= f.nv; ++i)
            for (int j = 0; j <= f.nu; ++j) mid[i][j] = fin_point(f, static_cast<double>(j) / f.nu, static_cast<double>(i) / f.nv);
        for (int i = 0; i <= f.nv; ++i)
            for (int j = 0; j <= f.nu; ++j) {
                double t = static_cast<double>(j) / f.nu, v = static_cast<double>(i) / f.nv;
                side[i][j] = grid_normal(mid, i, j, facing);
                // Never quite touching: the program draws fish without culling, so both faces
                // are drawn and the one on the eye's side must stay nearer by more than the
                // depth buffer can confuse.
                double half = std::max(kMinHalfThickness, thickness * std::sin(kPi * t) * std::pow(1.0 - v, 1.5));
                outer[i][j] = mid[i][j] + side[i][j] * half;
                inner[i][j] = mid[i][j] - side[i][j] * half;
            }
        for (int i = 0; i <= f.nv; ++i) {
            double v = static_cast<double>(i) / f.nv;
            for (int j = 0; j <= f.nu; ++j) {
                double t = static_cast<double>(j) / f.nu;
                Influences w = f.weigh(mid[i][j], t, v);
                front[i][j] = add_vertex(outer[i][j], lit_normal(grid_normal(outer, i, j, side[i][j]), f.upBias), t, v, w);
                back[i][j] = add_vertex(inner[i][j], lit_normal(grid_normal(inner, i, j, side[i][j] * -1.0), f.upBias), t, v, w);
            }
        }
        // Each face is wound by the side of the sheet it belongs to, not by its lit normals, which
        // lean up and could turn a face of a sloping fin toward the wrong side.
        const size_t firstFace = m_->faces.size();
        for (int i = 0; i < f.nv; ++i)
            for (int j = 0; j < f.nu; ++j) {
                Vec3 out = side[i][j] + side[i + 1][j] + side[i + 1][j + 1] + side[i][j + 1], in = out * -1.0;
                add_quad(front[i][j], front[i + 1][j], front[i + 1][j + 1], front[i][j + 1], kFinMaterial, &out);
                add_quad(back[i][j], back[i][j + 1], back[i + 1][j + 1], back[i + 1][j], kFinMaterial, &in);
            }
        // Where a frilled edge folds between samples, a face can look down while its corners'
        // normals lean up: those corners take the face's own normal, so no face is lit as if
        // from its far side.
        for (size_t i = firstFace; i < m_->faces.size(); ++i) {
            const Face& face = m_->faces[i];
            SkinVertex* v[3] = {&m_->vertices[face.a], &m_->vertices[face.b], &m_->vertices[face.c]};
            Vec3 fn = cross(v[1]->pos - v[0]->pos, v[2]->pos - v[0]->pos);
            if (dot(fn, v[0]->normal + v[1]->normal + v[2]->normal) > 0) continue;
            for (SkinVertex* corner : v) corner->normal = normalize(fn);
        }
    }

    // A point a little inside the body surface, so fin roots never show a gap.
    Vec3 root_point(double s, double theta, double sink) const {
        return body_.base_point(s, theta) - body_.section_normal(s, theta) * sink;
    }

    void add_pectorals() {
        double L = body_.body_length();
        double len = k_.pectoralLength * L;
        for (int side = 0; side < 2; ++side) {
            double out = side == 0 ? 1.0 : -1.0;
            double theta = side == 0 ? 0.66 * kPi : 2 * kPi - 0.66 * kPi;
            FinSheet f;
            f.base = [=](double t) { return root_point(mix(0.2, 0.26, t), theta, 0.02 * L); };
            Vec3 d0 = normalize({out * 0.8, -0.35, 0.3}), d1 = normalize({out * 0.45, -0.45, 0.85});
            f.dir = [=](double t) { return normalize(lerp(d0, d1, t)); };
            Profile shape{{0, 0.85}, {0.35, 1.0}, {0.7, 0.88}, {1, 0.55}};
            f.len = [=](double t) { return len * shape(t); };
            f.droop = {0, -0.08 * len, 0};
            f.frillAxis = {0, 1, 0};
            f.frill = k_.finFrill * L * 0.5;
            f.frillWaves = 3;
            f.facing = {out * 0.3, 1, 0};
            f.upBias = 0.6;
            f.nu = 8;
            f.nv = 6;
            int bone = side == 0 ? kPectoralL : kPectoralR;
            f.weigh = [=](Vec3, double, double v) {
                double w = smoothstep(0.0, 0.3, v);
                return Influences{{kHead, 1.0 - w}, {bone, w}};
            };
            add_fin(f);
        }
    }

    void add_pelvics() {
        double L = body_.body_length();
        double len = k_.pelvicLength * L;
        for (int side = 0; side < 2; ++side) {
            double out = side == 0 ? 1.0 : -1.0;
            double theta = side == 0 ? 0.88 * kPi : 2 * kPi - 0.88 * kPi;
            FinSheet f;
            f.base = [=](double t) { return root_point(mix(0.44, 0.5, t), theta, 0.015 * L); };
            Vec3 d0 = normalize({out * 0.35, -0.6, 0.7}), d1 = normalize({out * 0.2, -0.35, 0.95});
            f.dir = [=](double t) { return normalize(lerp(d0, d1, t)); };
            Profile shape{{0, 1.0}, {0.5, 0.85}, {1, 0.5}};
            f.len = [=](double t) { return len * shape(t); };
            f.droop = {0, 0, 0.1 * len};
            f.frillAxis = {1, 0, 0};
            f.frill = k_.finFrill * L * 0.4;
            f.frillWaves = 2;
            f.facing = {out, 0.2, 0};
            f.upBias = 0.9;
            f.nu = 6;
            f.nv = 5;
            int bone = side == 0 ? kPelvicL : kPelvicR;
            f.weigh = [=](Vec3 p, double, double v) {
                double w = smoothstep(0.0, 0.35, v);
                Influences in = spine_influences(p.z);
                for (auto& i : in) i.weight *= 1.0 - w;
                in.push_back({bone, w});
                return in;
            };
            add_fin(f);
        }
    }

    void add_anal() {
        double L = body_.body_length();
        double len = k_.analLength * L;
        int count = k_.pairedAnal ? 2 : 1;
        for (int side = 0; side < count; ++side) {
            double out = count == 1 ? 0.0 : (side == 0 ? 1.0 : -1.0);
            double theta = kPi - out * 0.06 * kPi;
            FinSheet f;
            f.base = [=](double t) { return root_point(mix(0.7, 0.8, t), theta, 0.01 * L); };
            Vec3 d0 = normalize({out * 0.25, -0.65, 0.7}), d1 = normalize({out * 0.15, -0.3, 0.95});
            f.dir = [=](double t) { return normalize(lerp(d0, d1, t)); };
            Profile shape{{0, 1.0}, {0.4, 0.9}, {1, 0.45}};
            f.len = [=](double t) { return len * shape(t); };
            f.droop = {0, 0, 0.05 * len};
            f.frillAxis = {1, 0, 0};
            f.frill = k_.finFrill * L * 0.3;
            f.frillWaves = 2;
            f.facing = {count == 1 ? 1.0 : out, 0, 0};
            f.upBias = 1.6;
            f.nu = 6;
            f.nv = 5;
            f.weigh = [=](Vec3 p, double, double) { return spine_influences(p.z); };
            add_fin(f);
        }
    }

    void add_dorsal() {
        double L = body_.body_length();
        double h = k_.dorsalHeight * L;
        FinSheet f;
        double s0 = k_.dorsalStart, s1 = k_.dorsalEnd;
        f.base = [=](double t) { return root_point(mix(s0, s1, t), 0.0, 0.02 * L); };
        f.dir = [](double t) { return normalize(lerp(Vec3{0, 1, 0.3}, Vec3{0, 0.3, 1}, t)); };
        Profile shape{{0, 0.85}, {0.12, 1.0}, {0.45, 0.72}, {0.8, 0.45}, {1, 0.3}};
        f.len = [=](double t) { return h * shape(t); };
        f.droop = {0, -0.05 * h, 0.12 * h};
        f.frillAxis = {1, 0, 0};
        f.frill = k_.finFrill * L * 0.6;
        f.frillWaves = 3;
        f.facing = {1, 0, 0};
        f.upBias = 1.6;
        f.nu = 14;
        f.nv = 6;
        f.weigh = [=](Vec3 p, double, double v) {
            double w = 0.85 * smoothstep(0.0, 0.7, v);
            Influences in = spine_influences(p.z);
            for (auto& i : in) i.weight *= 1.0 - w;
            in.push_back({kDorsal, w});
            return in;
        };
        add_fin(f);
    }

    // Root on the tail root and caudal bones, the rest on the two lobe bones: lobeB is the share
    // of the second lobe (the lower half of a single tail, the right lobe of a twin tail).
    Influences caudal_influences(double v, double lobeB) const {
        if (v < 0.15) {
            double t = smoothstep(0.0, 0.15, v);
            return {{kTailRoot, 0.5 * (1.0 - t)}, {kCaudal, 0.5 + 0.5 * t}};
        }
        double t = smoothstep(0.15, 0.85, v);
        return {{kCaudal, 1.0 - t}, {kCaudalTip, t * (1.0 - lobeB)}, {kCaudalTip2, t * lobeB}};
    }

    FinSheet caudal_sheet(double tFrom, double tTo, double lengthScale) const {
        double lt = k_.tailLength;
        double zc = body_.z_at(0.985);
        double top = body_.back(1.0) * 0.95, bottom = -body_.belly(1.0) * 0.95;
        FinSheet f;
        const Profile& prof = k_.tailProfile;
        double fan = k_.tailFan;
        f.base = [=](double t) {
            double tt = mix(tFrom, tTo, t);
            return Vec3{0, mix(top, bottom, tt), zc};
        };
        f.dir = [=](double t) {
            double tt = mix(tFrom, tTo, t);
            double a = mix(fan, -fan, tt);
            return Vec3{0, std::sin(a), std::cos(a)};
        };
        f.len = [=, &prof](double t) { return lt * lengthScale * prof(mix(tFrom, tTo, t)); };
        f.droop = {0, -k_.tailDroop * lt, 0};
        f.frillAxis = {1, 0, 0};
        f.frill = k_.tailFrill * lt;
        f.frillWaves = 6;
        f.facing = {1, 0, 0};
        f.upBias = 1.6;
        f.nu = 16;
        f.nv = 9;
        f.thickness = 2.0;  // the fleshy root of the tail
        // A single tail's lobes part at the middle ray.
        f.weigh = [=](Vec3, double t, double v) { return caudal_influences(v, smoothstep(0.3, 0.7, mix(tFrom, tTo, t))); };
        return f;
    }

    void add_caudal() {
        if (k_.tail == TailStyle::Single) {
            add_fin(caudal_sheet(0.0, 1.0, 1.0));
            return;
        }
        double top = body_.back(1.0) * 0.95;
        double zc = body_.z_at(0.985);
        for (int side = 0; side < 2; ++side) {
            FinSheet f = caudal_sheet(0.0, 1.0, 1.0);
            f.pivot = {0, top, zc};
            f.turnAxis = {0, 0, 1};
            f.turn = side == 0 ? k_.tailSplay : -k_.tailSplay;
            // Each lobe fans outward toward its edge, so from the front it shows as a spread
            // wing behind the body, not as a thin strut under it.
            f.flare = side == 0 ? k_.tailFlare : -k_.tailFlare;
            f.facing = {side == 0 ? 1.0 : -1.0, 0, 0};
            f.upBias = 1.2;
            f.weigh = [=](Vec3, double, double v) { return caudal_influences(v, side == 0 ? 0.0 : 1.0); };
            add_fin(f);
        }
        if (k_.tail == TailStyle::Triple) {
            FinSheet f = caudal_sheet(0.0, 0.42, 0.92);
            f.nu = 8;
            f.weigh = [=](Vec3, double, double v) { return caudal_influences(v, 0.5); };
            add_fin(f);
        }
    }

    const KindSpec& k_;
    BodyShape body_;
    FishModel* m_;
    std::vector<int> chain_;
};

}  // namespace

void build_skeleton(const KindSpec& kind, FishModel* model) {
    BodyShape body(kind);
    auto at = [&](double s) { return body.z_at(s); };
    model->bones.clear();
    auto add = [&](const char* name, int parent, Vec3 pos) {
        Bone b;
        b.name = name;
        b.parent = parent;
        b.bindPos = pos;
        model->bones.push_back(b);
    };
    double tailY = (body.back(1.0) - body.belly(1.0)) * 0.5;
    add("Head", -1, {0, 0, at(0.25)});
    add("Spine1", kHead, {0, 0, at(0.45)});
    add("Spine2", kSpine1, {0, 0, at(0.63)});
    add("Spine3", kSpine2, {0, 0, at(0.8)});
    add("TailRoot", kSpine3, {0, 0, at(0.92)});
    add("Caudal", kTailRoot, {0, tailY, at(1.0)});
    Vec3 tip{0, tailY - kind.tailDroop * kind.tailLength * 0.3, at(1.0) + 0.5 * kind.tailLength};
    add("CaudalTip", kCaudal, tip);
    add("CaudalTip2", kCaudal, tip);
    // The jaw hinges at the corners of the mouth.
    add("Jaw", kHead, {0, 0, at(kind.mouthS)});
    double pecTheta = 0.66 * kPi;
    Vec3 pec = body.base_point(0.23, pecTheta);
    add("PectoralL", kHead, pec);
    add("PectoralR", kHead, {-pec.x, pec.y, pec.z});
    Vec3 pel = body.base_point(0.47, 0.88 * kPi);
    add("PelvicL", kSpine1, pel);
    add("PelvicR", kSpine1, {-pel.x, pel.y, pel.z});
    if (kind.dorsal) add("Dorsal", kSpine1, {0, body.back(kind.dorsalStart + 0.1), at(kind.dorsalStart + 0.1)});
}

void build_geometry(const KindSpec& kind, FishModel* model) {
    model->vertices.clear();
    model->faces.clear();
    GeometryBuilder(kind, model).build();

    model->materials.clear();
    auto material = [&](const char* name, double diffuse, double emissive, const std::string& texture) {
        MaterialDef m;
        m.name = name;
        m.diffuse = Rgba{diffuse, diffuse, diffuse, 1.0};
        m.power = 0;
        m.specular = Rgba{0, 0, 0, 1};
        m.emissive = Rgba{emissive, emissive, emissive, 1};
        m.texture = texture;
        model->materials.push_back(m);
    };
    // The light comes from above and in front; a black fish takes more of it and glows less
    // of its own, so its sheen and its form show where the light falls.
    const bool black = kind.colouring == Colouring::Black;
    material("body", black ? 1.0 : 0.75, black ? 0.3 : 0.42, kind.model + "_body.dds");
    material("fin", black ? 0.9 : 0.6, black ? 0.4 : 0.55, kind.model + "_fin.dds");
    material("eye", black ? 0.8 : 0.7, black ? 0.55 : 0.4, kind.model + "_eye.dds");
    material("mouth", 0.5, 0.5, kind.model + "_mouth.dds");
}

}  // namespace fishgen
}  // namespace brine
