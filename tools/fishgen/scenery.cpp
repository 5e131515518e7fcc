// Painter for the wallpaper and the food pellet. Shapes are filled with anti-aliased scanline
// coverage (four sub-rows a pixel, exact horizontal coverage) and drawn back to front.
// Must not depend on the program's own code.
#include "tools/fishgen/scenery.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "tools/fishgen/gen_math.h"
#include "tools/fishgen/gen_random.h"

namespace brine {
namespace fishgen {

namespace {

struct Pt {
    double x, y;
};

using Shader = std::function<Rgba(double x, double y)>;

class Canvas {
public:
    Canvas(int w, int h) : img(w, h) {}

    void blend(int x, int y, const Rgba& c, double coverage) {
        if (x < 0 || y < 0 || x >= img.width || y >= img.height || coverage <= 0) return;
        double a = std::min(1.0, coverage * c.a);
        Rgba& d = img.at(x, y);
        d.r += (c.r - d.r) * a;
        d.g += (c.g - d.g) * a;
        d.b += (c.b - d.b) * a;
    }

    // Even-odd polygon fill with anti-aliased edges.
    void fill_polygon(const std::vector<Pt>& poly, const Shader& shade) {
        if (poly.size() < 3) return;
        double minY = poly[0].y, maxY = poly[0].y, minX = poly[0].x, maxX = poly[0].x;
        for (const Pt& p : poly) {
            minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        }
        int y0 = std::max(0, static_cast<int>(std::floor(minY))), y1 = std::min(img.height - 1, static_cast<int>(std::ceil(maxY)));
        int x0 = std::max(0, static_cast<int>(std::floor(minX))), x1 = std::min(img.width - 1, static_cast<int>(std::ceil(maxX)));
        if (y0 > y1 || x0 > x1) return;
        std::vector<double> cover(static_cast<size_t>(x1 - x0 + 2));
        std::vector<double> xs;
        const int sub = 4;
        for (int y = y0; y <= y1; ++y) {
            std::fill(cover.begin(), cover.end(), 0.0);
            for (int s = 0; s < sub; ++s) {
                double sy = y + (s + 0.5) / sub;
                xs.clear();
                for (size_t i = 0; i < poly.size(); ++i) {
                    const Pt& a = poly[i];
                    const Pt& b = poly[(i + 1) % poly.size()];
                    if ((a.y <= sy && b.y > sy) || (b.y <= sy && a.y > sy))
                        xs.push_back(a.x + (sy - a.y) / (b.y - a.y) * (b.x - a.x));
                }
                std::sort(xs.begin(), xs.end());
                for (size_t i = 0; i + 1 < xs.size(); i += 2) add_span(&cover, x0, x1, xs[i], xs[i + 1], 1.0 / sub);
            }
            for (int x = x0; x <= x1; ++x) {
                double c = cover[static_cast<size_t>(x - x0)];
                if (c > 0) blend(x, y, shade(x + 0.5, y + 0.5), std::min(c, 1.0));
            }
        }
    }

    Image img;

private:
    static void add_span(std::vector<double>* cover, int x0, int x1, double a, double b, double weight) {
        a = std::max(a, static_cast<double>(x0));
        b = std::min(b, static_cast<double>(x1 + 1));
        if (b <= a) return;
        int ia = static_cast<int>(std::floor(a)), ib = static_cast<int>(std::floor(b));
        if (ia == ib) {
            (*cover)[static_cast<size_t>(ia - x0)] += (b - a) * weight;
            return;
        }
        (*cover)[static_cast<size_t>(ia - x0)] += (ia + 1 - a) * weight;
        for (int x = ia + 1; x < ib; ++x) (*cover)[static_cast<size_t>(x - x0)] += weight;
        if (ib <= x1) (*cover)[static_cast<size_t>(ib - x0)] += (b - ib) * weight;
    }
};

// A tapering band along a centre curve (leaves, stems): width(t) on each side.
std::vector<Pt> ribbon(const std::function<Pt(double)>& centre, const std::function<double(double)>& width, int steps) {
    std::vector<Pt> left, right;
    for (int i = 0; i <= steps; ++i) {
        double t = static_cast<double>(i) / steps;
        Pt p = centre(t);
        Pt q = centre(std::min(1.0, t + 1e-3)), o = centre(std::max(0.0, t - 1e-3));
        double dx = q.x - o.x, dy = q.y - o.y, l = std::hypot(dx, dy);
        if (l < 1e-9) dx = 0, dy = -1, l = 1;
        double nx = -dy / l, ny = dx / l, w = width(t);
        left.push_back({p.x + nx * w, p.y + ny * w});
        right.push_back({p.x - nx * w, p.y - ny * w});
    }
    std::vector<Pt> poly(left);
    poly.insert(poly.end(), right.rbegin(), right.rend());
    return poly;
}

void light_rays_row(int w, int h, double y, float* out);

struct Scene {
    int w, h;
    double horizon;  // mean height of the far edge of the sand
    std::vector<float> rays;  // light shafts per pixel, computed once

    void prepare_rays() {
        rays.resize(static_cast<size_t>(w) * h);
        for (int y = 0; y < h; ++y) light_rays_row(w, h, y + 0.5, &rays[static_cast<size_t>(y) * w]);
    }

    double sand_top(double x) const {
        return horizon + 14 * std::sin(x * 0.006 + 0.7) + 8 * std::sin(x * 0.017 + 2.1) +
               6 * (value_noise(x * 0.01, 0.5, 901) - 0.5);
    }

    Rgba water(double x, double y) const {
        double t = y / h;
        Rgba top = rgb(0.36, 0.66, 0.7), mid = rgb(0.13, 0.42, 0.53), deep = rgb(0.07, 0.26, 0.38);
        Rgba c = t < 0.45 ? mix_rgba(top, mid, smoothstep(0.0, 0.45, t)) : mix_rgba(mid, deep, smoothstep(0.45, 0.85, t));
        // Slight side darkening keeps the eye on the middle.
        double side = std::fabs(x / w - 0.5) * 2;
        double k = 1.0 - 0.12 * side * side;
        return Rgba{c.r * k, c.g * k, c.b * k, 1};
    }

    // Haze toward the water colour for things far away (higher on the picture).
    Rgba haze(const Rgba& c, double x, double y, double amount) const {
        return mix_rgba(c, water(x, y), clamp01(amount));
    }
};

double light_rays(const Scene& sc, double x, double y) {
    int ix = std::min(std::max(static_cast<int>(x), 0), sc.w - 1), iy = std::min(std::max(static_cast<int>(y), 0), sc.h - 1);
    return sc.rays[static_cast<size_t>(iy) * sc.w + ix];
}

// One row of the light shafts that fall from the surface, brightest near the top.
void light_rays_row(int w, int h, double y, float* out) {
    static const double starts[] = {120, 260, 430, 560, 700, 860, 980};
    static const double widths[] = {26, 40, 22, 48, 30, 36, 24};
    static const double strength[] = {0.8, 1.0, 0.6, 0.9, 0.7, 1.0, 0.6};
    double centre[7], width[7], gain[7];
    double fade = std::exp(-y / (h * 0.55));
    for (int i = 0; i < 7; ++i) {
        // Rays fan out slightly from a point high above the picture.
        double slope = (starts[i] - w * 0.45) / 1400.0 + 0.18;
        centre[i] = starts[i] + slope * y;
        width[i] = widths[i] * (1.0 + y / h * 1.6);
        gain[i] = strength[i] * fade * (0.65 + 0.35 * value_noise(y * 0.01 + i * 7.3, i * 3.1, 311));
    }
    for (int x = 0; x < w; ++x) {
        double sum = 0;
        for (int i = 0; i < 7; ++i) {
            double d = (x + 0.5 - centre[i]) / width[i];
            sum += gain[i] * std::exp(-d * d);
        }
        out[x] = static_cast<float>(sum);
    }
}

// Bright web of focused light, as seen on a sunlit bottom.
double caustics(double x, double y, std::uint32_t seed) {
    double n1 = value_noise(x * 0.035, y * 0.08, seed);
    double n2 = value_noise(x * 0.05 + 13.1, y * 0.11 + 7.7, seed + 1);
    double r1 = 1 - std::fabs(2 * n1 - 1), r2 = 1 - std::fabs(2 * n2 - 1);
    return std::pow(r1, 10) * 0.6 + std::pow(r2, 12) * 0.5;
}

void paint_water_and_sand(Canvas& cv, const Scene& sc) {
    for (int y = 0; y < sc.h; ++y)
        for (int x = 0; x < sc.w; ++x) {
            double fx = x + 0.5, fy = y + 0.5;
            Rgba c = sc.water(fx, fy);
            // Rippled brightness just under the surface.
            double surface = fy < 260 ? std::exp(-fy / 38.0) * (0.55 + 0.45 * fractal_noise(fx * 0.02, fy * 0.05, 77, 3)) : 0.0;
            double ray = light_rays(sc, fx, fy);
            double add = 0.16 * ray + 0.28 * surface;
            c.r += add * 0.85, c.g += add * 1.0, c.b += add * 0.95;
            double top = sc.sand_top(fx);
            if (fy > top - 1) {
                double depth = (fy - top) / (sc.h - top + 1);  // 0 far .. 1 near
                double grain = value_noise(fx * 0.9, fy * 0.9, 401) * 0.5 + value_noise(fx * 0.3, fy * 0.4, 402) * 0.5;
                double ripple = 0.5 + 0.5 * std::sin(fx * 0.045 / (0.4 + depth) + fy * 0.12 + 3 * value_noise(fx * 0.01, fy * 0.02, 403));
                Rgba sand = mix_rgba(rgb(0.62, 0.56, 0.42), rgb(0.84, 0.76, 0.58), 0.4 + 0.6 * depth);
                double k = 0.86 + 0.12 * grain + 0.06 * ripple;
                sand = Rgba{sand.r * k, sand.g * k, sand.b * k, 1};
                double caus = caustics(fx / (0.5 + depth), fy, 501) * (0.3 + 0.7 * depth);
                sand.r += caus * 0.22, sand.g += caus * 0.24, sand.b += caus * 0.2;
                sand = sc.haze(sand, fx, top, 0.55 * (1 - smoothstep(0.0, 0.45, depth)));
                double edge = smoothstep(top - 1, top + 1.5, fy);
                c = mix_rgba(c, sand, edge);
            }
            c.r = std::min(c.r, 1.0), c.g = std::min(c.g, 1.0), c.b = std::min(c.b, 1.0);
            cv.img.at(x, y) = c;
        }
}

struct Item {
    double baseY;
    std::function<void(Canvas&)> draw;
};

void add_pebble(std::vector<Item>* items, const Scene& sc, GenRandom& rng, double cx, double cy, double size) {
    static const Rgba colours[] = {rgb(0.55, 0.53, 0.5), rgb(0.42, 0.36, 0.3), rgb(0.7, 0.62, 0.48),
                                   rgb(0.35, 0.38, 0.42), rgb(0.82, 0.8, 0.76), rgb(0.58, 0.45, 0.32),
                                   rgb(0.25, 0.24, 0.24)};
    Rgba base = colours[rng.below(7)];
    double rx = size * rng.range(0.8, 1.3), ry = rx * rng.range(0.5, 0.7), rot = rng.range(-0.3, 0.3);
    std::uint32_t seed = static_cast<std::uint32_t>(rng.next() & 0xFFFF);
    double farness = 1 - smoothstep(sc.horizon, sc.h, cy);
    items->push_back({cy + ry, [=, &sc](Canvas& cv) {
        // Contact shadow first.
        std::vector<Pt> shadow;
        for (int i = 0; i < 32; ++i) {
            double a = 2 * kPi * i / 32;
            shadow.push_back({cx + 3 + std::cos(a) * rx * 1.15, cy + ry * 0.55 + std::sin(a) * ry * 0.55});
        }
        cv.fill_polygon(shadow, [](double, double) { return Rgba{0.1, 0.08, 0.05, 0.35}; });
        std::vector<Pt> poly;
        for (int i = 0; i < 40; ++i) {
            double a = 2 * kPi * i / 40;
            double wob = 1 + 0.06 * (value_noise(std::cos(a) * 2 + 5, std::sin(a) * 2 + 5, seed) - 0.5);
            double px = std::cos(a) * rx * wob, py = std::sin(a) * ry * wob;
            poly.push_back({cx + px * std::cos(rot) - py * std::sin(rot), cy + px * std::sin(rot) + py * std::cos(rot)});
        }
        cv.fill_polygon(poly, [=, &sc](double x, double y) {
            double dx = (x - cx) / rx, dy = (y - cy) / ry;
            double r2 = std::min(1.0, dx * dx + dy * dy);
            Vec3 n = normalize({dx, dy, std::sqrt(1 - r2) + 0.2});
            double light = 0.45 + 0.75 * std::max(0.0, dot(n, normalize({-0.35, -0.8, 0.5})));
            double speck = 0.88 + 0.24 * value_noise(x * 0.35, y * 0.35, seed + 3);
            Rgba c{base.r * light * speck, base.g * light * speck, base.b * light * speck, 1};
            // A soft highlight on the top.
            double hl = std::exp(-((dx + 0.25) * (dx + 0.25) + (dy + 0.45) * (dy + 0.45)) * 6);
            c = mix_rgba(c, rgb(0.95, 0.95, 0.9), hl * 0.25);
            return sc.haze(c, x, y, farness * 0.5);
        });
    }});
}

// Long ribbon leaves (vallisneria-like) in a tuft.
void add_ribbon_tuft(std::vector<Item>* items, const Scene& sc, GenRandom& rng, double x0, double y0, double height,
                     int leaves, double haze) {
    for (int i = 0; i < leaves; ++i) {
        double bx = x0 + rng.range(-14, 14);
        double h = height * rng.range(0.6, 1.05);
        double lean = rng.range(-0.35, 0.35);
        double sway = rng.range(10, 35) * (rng.uniform() < 0.5 ? -1 : 1);
        double wdt = rng.range(3.0, 5.5) * height / 400.0 + 1.2;
        Rgba dark = mix_rgba(rgb(0.1, 0.32, 0.12), rgb(0.16, 0.4, 0.1), rng.uniform());
        Rgba light = mix_rgba(rgb(0.45, 0.68, 0.25), rgb(0.55, 0.75, 0.3), rng.uniform());
        double by = y0 + rng.range(-4, 4);
        items->push_back({by, [=, &sc](Canvas& cv) {
            auto centre = [=](double t) {
                return Pt{bx + lean * h * t * t + sway * std::sin(t * kPi * 1.2) * t, by - h * t};
            };
            auto width = [=](double t) { return wdt * (1 - std::pow(t, 4)) * (0.7 + 0.3 * (1 - t)) + 0.3; };
            cv.fill_polygon(ribbon(centre, width, 60), [=, &sc](double x, double y) {
                double t = clamp01((by - y) / h);
                Rgba c = mix_rgba(dark, light, std::pow(t, 0.8));
                double n = 0.9 + 0.2 * value_noise(x * 0.05, y * 0.02, 71);
                c = Rgba{c.r * n, c.g * n, c.b * n, 1};
                c.r += 0.08 * light_rays(sc, x, y), c.g += 0.1 * light_rays(sc, x, y);
                return sc.haze(c, x, y, haze);
            });
        }});
    }
}

// Broad lance-shaped leaves from one crown (sword-plant-like).
void add_rosette(std::vector<Item>* items, const Scene& sc, GenRandom& rng, double x0, double y0, double size,
                 double haze) {
    int leaves = 7 + rng.below(4);
    std::vector<double> angles;
    for (int i = 0; i < leaves; ++i) angles.push_back(-kPi / 2 + (i - (leaves - 1) / 2.0) * 0.22 + rng.range(-0.08, 0.08));
    for (int i = 0; i < leaves; ++i) {
        double a = angles[i];
        double len = size * rng.range(0.7, 1.0) * (1 - 0.25 * std::fabs(a + kPi / 2));
        double wdt = size * rng.range(0.09, 0.13);
        double curl = (a + kPi / 2) * 1.3;
        Rgba base = mix_rgba(rgb(0.12, 0.36, 0.1), rgb(0.2, 0.45, 0.12), rng.uniform());
        Rgba tip = mix_rgba(rgb(0.4, 0.62, 0.2), rgb(0.5, 0.7, 0.25), rng.uniform());
        items->push_back({y0 + 1 + i * 0.01, [=, &sc](Canvas& cv) {
            auto centre = [=](double t) {
                double ang = a + curl * t * t;
                return Pt{x0 + std::cos(a) * len * t * 0.6 + std::cos(ang) * len * t * 0.4,
                          y0 + std::sin(a) * len * t * 0.6 + std::sin(ang) * len * t * 0.4 + 0.25 * len * t * t * t};
            };
            auto width = [=](double t) { return wdt * std::pow(std::sin(kPi * std::min(1.0, 0.05 + t)), 0.8) + 0.4; };
            auto poly = ribbon(centre, width, 40);
            cv.fill_polygon(poly, [=, &sc](double x, double y) {
                double d = std::hypot(x - x0, y - y0) / len;
                Rgba c = mix_rgba(base, tip, clamp01(d));
                // Midrib and veins: a lighter line down the middle is suggested by noise streaks.
                double n = 0.9 + 0.2 * value_noise(x * 0.08, y * 0.08, 91);
                c = Rgba{c.r * n, c.g * n, c.b * n, 1};
                double ray = light_rays(sc, x, y);
                c.r += 0.06 * ray, c.g += 0.09 * ray;
                return sc.haze(c, x, y, haze);
            });
            // Midrib.
            cv.fill_polygon(ribbon(centre, [=](double t) { return 0.7 * (1 - t) + 0.2; }, 40), [=, &sc](double x, double y) {
                return sc.haze(Rgba{tip.r * 1.1, tip.g * 1.1, tip.b * 0.9, 0.6}, x, y, haze);
            });
        }});
    }
}

// A tall stem with whorls of fine leaflets (cabomba-like).
void add_feather_plant(std::vector<Item>* items, const Scene& sc, GenRandom& rng, double x0, double y0, double height,
                       double haze) {
    double lean = rng.range(-0.2, 0.2);
    double sway = rng.range(-25, 25);
    auto stem = [=](double t) { return Pt{x0 + lean * height * t * t + sway * std::sin(t * kPi) * t, y0 - height * t}; };
    Rgba stemCol = rgb(0.18, 0.38, 0.14);
    Rgba leaf = mix_rgba(rgb(0.28, 0.55, 0.2), rgb(0.38, 0.62, 0.22), rng.uniform());
    items->push_back({y0 + 0.5, [=, &sc](Canvas& cv) {
        cv.fill_polygon(ribbon(stem, [](double t) { return 1.6 - t; }, 50),
                        [=, &sc](double x, double y) { return sc.haze(stemCol, x, y, haze); });
        int whorls = static_cast<int>(height / 17);
        for (int i = 1; i <= whorls; ++i) {
            double t = static_cast<double>(i) / (whorls + 1);
            Pt c = stem(t);
            double size = (30 + 12 * std::sin(kPi * t)) * (1 - 0.35 * t);
            // A whorl seen from the side: leaflets spread round the stem, the near and far ones
            // foreshortened, each forking once near its tip.
            for (int j = 0; j < 12; ++j) {
                double around = 2 * kPi * (j + 0.5 * (i & 1)) / 12;
                double spread = std::cos(around);          // -1..1 across the picture
                double lift = 0.25 + 0.2 * std::sin(around);  // leaflets tilt up a little
                double len = size * (0.45 + 0.55 * std::fabs(spread)) + 3;
                Pt dir{spread, -lift};
                auto centre = [=](double u) {
                    return Pt{c.x + dir.x * len * u, c.y + dir.y * len * u + 0.25 * len * u * u};
                };
                auto shade = [=, &sc](double x, double y) {
                    double ray = light_rays(sc, x, y);
                    double depth = 0.85 + 0.15 * std::sin(around);
                    Rgba l{(leaf.r + 0.05 * ray) * depth, (leaf.g + 0.08 * ray) * depth, leaf.b * depth, 1};
                    return sc.haze(l, x, y, haze);
                };
                cv.fill_polygon(ribbon(centre, [](double u) { return 0.9 * (1 - u) + 0.35; }, 10), shade);
                Pt fork = centre(0.65);
                for (double side : {-0.35, 0.35}) {
                    auto tip = [=](double u) {
                        return Pt{fork.x + (dir.x + side * dir.y) * len * 0.35 * u, fork.y + (dir.y - side * dir.x) * len * 0.35 * u};
                    };
                    cv.fill_polygon(ribbon(tip, [](double u) { return 0.6 * (1 - u) + 0.3; }, 6), shade);
                }
            }
        }
    }});
}

void paint_bubbles(Canvas& cv, GenRandom& rng, double x0, double yBottom) {
    double y = yBottom;
    double x = x0;
    for (int i = 0; i < 18; ++i) {
        double r = rng.range(2.0, 5.5) * (1 + 0.6 * (1 - y / yBottom));
        y -= rng.range(14, 38);
        x += rng.range(-5, 5);
        if (y < 10) break;
        std::vector<Pt> ring;
        for (int k = 0; k < 24; ++k) {
            double a = 2 * kPi * k / 24;
            ring.push_back({x + std::cos(a) * r, y + std::sin(a) * r});
        }
        double cx = x, cy = y, rr = r;
        cv.fill_polygon(ring, [=](double px, double py) {
            double d = std::hypot(px - cx, py - cy) / rr;
            double rim = smoothstep(0.6, 1.0, d);
            double hl = std::exp(-((px - cx + rr * 0.35) * (px - cx + rr * 0.35) + (py - cy + rr * 0.35) * (py - cy + rr * 0.35)) /
                                 (rr * rr * 0.05));
            return Rgba{0.85, 0.95, 1.0, 0.12 + 0.35 * rim + 0.5 * hl};
        });
    }
}

}  // namespace

Image make_wallpaper(int width, int height) {
    Canvas cv(width, height);
    Scene sc{width, height, height * 0.74, {}};
    sc.prepare_rays();
    paint_water_and_sand(cv, sc);

    GenRandom rng(20240611);
    std::vector<Item> items;
    // Far plants along the back edge of the sand, hazy.
    for (double x : {60.0, 170.0, 300.0, 480.0, 640.0, 790.0, 930.0}) {
        double top = sc.sand_top(x) + 6;
        if (rng.uniform() < 0.5)
            add_ribbon_tuft(&items, sc, rng, x, top, rng.range(110, 170), 5, 0.55);
        else
            add_feather_plant(&items, sc, rng, x, top, rng.range(110, 160), 0.55);
    }
    // Pebbles scattered over the sand, more and bigger in front.
    for (int i = 0; i < 70; ++i) {
        double y = sc.horizon + 10 + std::pow(rng.uniform(), 0.7) * (height - sc.horizon - 5);
        double x = rng.range(-10, width + 10);
        if (y < sc.sand_top(x) + 6) continue;
        double depth = (y - sc.horizon) / (height - sc.horizon);
        add_pebble(&items, sc, rng, x, y, 5 + 16 * depth * rng.range(0.6, 1.2));
    }
    // Near plants at the two sides, leaving the middle open for the fish.
    add_rosette(&items, sc, rng, 150, height * 0.93, 190, 0.05);
    add_ribbon_tuft(&items, sc, rng, 60, height * 0.97, 420, 9, 0.0);
    add_feather_plant(&items, sc, rng, 265, height * 0.95, 300, 0.05);
    add_ribbon_tuft(&items, sc, rng, 930, height * 0.96, 460, 10, 0.0);
    add_feather_plant(&items, sc, rng, 820, height * 0.94, 340, 0.05);
    add_rosette(&items, sc, rng, 735, height * 0.91, 150, 0.1);
    add_ribbon_tuft(&items, sc, rng, 560, height * 0.86, 160, 5, 0.25);
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.baseY < b.baseY; });
    for (const auto& item : items) item.draw(cv);

    paint_bubbles(cv, rng, 880, height * 0.8);
    paint_bubbles(cv, rng, 205, height * 0.82);

    // Gentle vignette.
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            double dx = (x + 0.5) / width - 0.5, dy = (y + 0.5) / height - 0.5;
            double k = 1.0 - 0.25 * std::pow(dx * dx + dy * dy, 1.2) * 2.5;
            Rgba& c = cv.img.at(x, y);
            c.r *= k, c.g *= k, c.b *= k;
        }
    return cv.img;
}

Image make_food_texture(int size) {
    Image img(size, size);
    double r = size * 0.42, cx = size * 0.5, cy = size * 0.5;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            double dx = (x + 0.5 - cx) / r, dy = (y + 0.5 - cy) / r;
            double d2 = dx * dx + dy * dy;
            if (d2 > 1.0) {
                img.at(x, y) = Rgba{0, 0, 0, 0};
                continue;
            }
            Vec3 n = normalize({dx, -dy, std::sqrt(1 - d2)});
            double light = 0.55 + 0.55 * std::max(0.0, dot(n, normalize({-0.4, 0.6, 0.7})));
            double speck = value_noise(x * 0.9, y * 0.9, 1201);
            double grain = value_noise(x * 0.35, y * 0.35, 1202);
            Rgba c = mix_rgba(rgb(0.5, 0.31, 0.15), rgb(0.62, 0.42, 0.22), grain);
            if (speck > 0.72) c = mix_rgba(c, rgb(0.3, 0.17, 0.08), 0.7);
            if (speck < 0.16) c = mix_rgba(c, rgb(0.78, 0.62, 0.4), 0.6);
            double rim = smoothstep(0.8, 1.0, std::sqrt(d2));
            double k = light * (1 - 0.25 * rim);
            img.at(x, y) = Rgba{std::min(1.0, c.r * k), std::min(1.0, c.g * k), std::min(1.0, c.b * k), 1};
        }
    return img;
}

}  // namespace fishgen
}  // namespace brine
