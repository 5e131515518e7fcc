// Procedural textures of a goldfish: the body (u along the fish, v round it; scales, gill
// cover, mouth, lateral line and the kind's colouring), the fins (rays fading to a translucent
// edge) and the eyes (pupil at the sphere's pole). Must not depend on the program's own code.
#include <cmath>

#include "tools/fishgen/fish_body.h"
#include "tools/fishgen/fish_builder.h"
#include "tools/fishgen/gen_random.h"

namespace brine {
namespace fishgen {

namespace {

Rgba scale_rgb(const Rgba& c, double k) { return Rgba{c.r * k, c.g * k, c.b * k, c.a}; }

struct ScaleSample {
    double shade = 1.0;   // brightness factor from the scale pattern
    double sparkle = 0;   // extra reflection of this scale
    double rim = 0;       // 0 in the middle of the visible crescent, 1 on its edge
};

// Overlapping scales: each is a disc; the front (head-side) disc lies on top, so what shows of
// each scale is its rear crescent, with a darker rim.
ScaleSample scale_at(double s, double v, std::uint32_t seed) {
    ScaleSample out;
    const double start = 0.2;
    if (s < start) return out;
    const int columns = 30, rows = 32;
    double cu = (s - start) / (1.0 - start) * columns;
    int c0 = static_cast<int>(std::floor(cu));
    for (int ci = c0 - 1; ci <= c0 + 1; ++ci) {
        double off = (ci & 1) ? 0.5 : 0.0;
        double cv = v * rows - off;
        int r0 = static_cast<int>(std::floor(cv));
        for (int ri = r0 - 1; ri <= r0 + 1; ++ri) {
            double du = cu - (ci + 0.15), dv = cv - (ri + 0.5);
            double e = std::sqrt(du * du * 0.9 + dv * dv) / 0.8;
            if (e > 1.0) continue;
            // The first covering disc in this scan is the front-most (smallest column).
            std::int64_t wrappedRow = wrap_index(ri, rows);
            double r = lattice_value(ci, wrappedRow, seed);
            out.shade = 0.93 + 0.14 * (1 - e) - 0.28 * smoothstep(0.8, 1.0, e) + 0.06 * (r - 0.5);
            out.sparkle = r > 0.82 ? (r - 0.82) * 3.0 * (1 - e) : 0.0;
            out.rim = smoothstep(0.7, 1.0, e);
            return out;
        }
    }
    return out;
}

struct BodyPalette {
    Rgba back, side, belly;
};

Rgba base_colour(const KindSpec& k, double s, double theta, double* scaleContrast) {
    double c = std::cos(theta);
    double v = theta / (2 * kPi);
    double dorsal = smoothstep(-0.1, 0.9, c);
    double belly = smoothstep(-0.2, -0.85, c);
    auto shade3 = [&](const BodyPalette& p) {
        Rgba mid = mix_rgba(p.side, p.back, dorsal);
        return mix_rgba(mid, p.belly, belly);
    };
    std::uint32_t seed = k.seed;
    // Patch noise wraps round the body (period in v) so there is no seam on the back.
    auto patch = [&](double scaleU, int periodV, std::uint32_t salt) {
        return fractal_noise(s * scaleU, v * periodV, seed * 31u + salt, 3, 0, periodV);
    };
    *scaleContrast = 1.0;
    const BodyPalette red{rgb(0.7, 0.12, 0.04), rgb(0.95, 0.32, 0.07), rgb(1.0, 0.7, 0.4)};
    switch (k.colouring) {
    case Colouring::Red: {
        Rgba col = shade3(red);
        double n = patch(6, 6, 1);
        return mix_rgba(col, scale_rgb(col, 1.08), n);
    }
    case Colouring::RedWhite: {
        const BodyPalette white{rgb(0.95, 0.9, 0.86), rgb(0.98, 0.96, 0.93), rgb(1.0, 0.98, 0.96)};
        double n = patch(3, 4, 2) + 0.3 * dorsal - 0.35 * belly - 0.15 * smoothstep(0.6, 0.95, s);
        double redAmount = smoothstep(0.44, 0.52, n);
        return mix_rgba(shade3(white), shade3(red), redAmount);
    }
    case Colouring::Black: {
        // Velvet black, warmer and greyer toward the belly, with a bronze sheen high on the flank.
        *scaleContrast = 0.5;
        const BodyPalette black{rgb(0.05, 0.045, 0.045), rgb(0.1, 0.085, 0.075), rgb(0.27, 0.23, 0.2)};
        Rgba col = shade3(black);
        double flank = std::exp(-std::pow((c - 0.1) / 0.4, 2));
        return mix_rgba(col, rgb(0.4, 0.28, 0.14), 0.4 * flank * (0.7 + 0.6 * patch(5, 4, 8)));
    }
    case Colouring::Sarasa: {
        const BodyPalette orange{rgb(0.78, 0.18, 0.04), rgb(0.98, 0.42, 0.08), rgb(1.0, 0.74, 0.45)};
        const BodyPalette white{rgb(0.96, 0.92, 0.86), rgb(0.98, 0.95, 0.9), rgb(1.0, 0.98, 0.95)};
        double n = patch(3, 4, 3) + 0.45 * dorsal - 0.4 * belly + 0.25 * (1 - smoothstep(0.1, 0.3, s));
        return mix_rgba(shade3(white), shade3(orange), smoothstep(0.3, 0.4, n));
    }
    case Colouring::Calico: {
        *scaleContrast = 0.45;
        const BodyPalette blue{rgb(0.36, 0.44, 0.58), rgb(0.5, 0.58, 0.72), rgb(0.78, 0.82, 0.88)};
        Rgba col = shade3(blue);
        double white = smoothstep(0.64, 0.7, patch(5, 4, 4) + 0.12 * belly);
        col = mix_rgba(col, rgb(0.93, 0.93, 0.95), white * 0.9);
        double redN = patch(6, 4, 5) + 0.08 * dorsal - 0.1 * belly;
        col = mix_rgba(col, mix_rgba(rgb(0.95, 0.4, 0.12), rgb(0.82, 0.25, 0.07), dorsal), smoothstep(0.62, 0.66, redN));
        double blackPatch = smoothstep(0.7, 0.73, patch(9, 6, 6));
        double speck = smoothstep(0.76, 0.82, fractal_noise(s * 40, v * 40, seed * 31u + 7u, 2, 0, 40));
        col = mix_rgba(col, rgb(0.06, 0.06, 0.08), std::max(blackPatch, speck) * 0.9);
        return col;
    }
    case Colouring::RedCap: {
        *scaleContrast = 0.8;
        const BodyPalette white{rgb(0.9, 0.9, 0.9), rgb(0.97, 0.97, 0.96), rgb(1.0, 1.0, 0.98)};
        Rgba col = shade3(white);
        double jag = 0.05 * (fractal_noise(s * 20, v * 16, seed + 9u, 2, 0, 16) - 0.5);
        double cap = (1 - smoothstep(0.2 + jag, 0.25 + jag, s)) * smoothstep(0.2, 0.45, c + jag * 4);
        return mix_rgba(col, rgb(0.86, 0.09, 0.06), cap);
    }
    }
    return rgb(1, 0, 1);
}

Image make_body_texture(const KindSpec& k) {
    const int size = 256;
    Image img(size, size);
    BodyShape shape(k);
    for (int y = 0; y < size; ++y) {
        double v = (y + 0.5) / size;
        double theta = v * 2 * kPi;
        double side = std::fabs(std::sin(theta));
        for (int x = 0; x < size; ++x) {
            double s = (x + 0.5) / size;
            double contrast = 1.0;
            Rgba col = base_colour(k, s, theta, &contrast);
            ScaleSample sc = scale_at(s, v, k.seed + 100u);
            double shade = 1.0 + (sc.shade - 1.0) * contrast;
            col = scale_rgb(col, shade);
            col = mix_rgba(col, rgb(1, 0.97, 0.9), sc.sparkle * 0.35 * contrast);
            // A black fish's sheen catches on the edges of its scales: velvet, not a silhouette.
            if (k.colouring == Colouring::Black)
                col = mix_rgba(col, rgb(0.5, 0.4, 0.26), sc.rim * 0.3 * smoothstep(0.18, 0.3, s) + sc.sparkle * 0.25);
            // Gill cover: a soft darker edge on the sides of the head.
            double gill = 0.2 + 0.018 * std::cos(theta * 2);
            double g = std::exp(-std::pow((s - gill) / 0.009, 2)) * smoothstep(0.25, 0.6, side);
            col = scale_rgb(col, 1.0 - 0.3 * g);
            // Lateral line: a row of faint marks along the middle of each flank.
            double lateral = std::exp(-std::pow((side - 1.0) / 0.004, 2)) * smoothstep(0.22, 0.3, s) *
                             (0.5 + 0.5 * std::cos(2 * kPi * (s - 0.2) / 0.8 * 30));
            col = scale_rgb(col, 1.0 - 0.18 * lateral * contrast);
            // Head growth: deeper colour and shaded folds between the lumps.
            double wen = shape.wen_mask(s, theta);
            if (wen > 0) {
                double lumps = shape.wen_lumps(s, theta);
                col = scale_rgb(col, 1.0 - wen * (0.35 * (1.0 - lumps) + 0.05));
            }
            // Lips along the mouth line (the sides at the nose tip's height, back to the corners):
            // a paler rim with a fine dark parting where upper lip and jaw meet.
            double lips = 1.0 - smoothstep(k.mouthS * 0.85, k.mouthS * 1.25, s);
            if (lips > 0) {
                Rgba lipCol = k.colouring == Colouring::Black ? rgb(0.34, 0.29, 0.24) : rgb(0.98, 0.7, 0.58);
                col = mix_rgba(col, lipCol, lips * 0.55 * std::exp(-std::pow((side - 1.0) / 0.05, 2)));
                col = scale_rgb(col, 1.0 - lips * 0.55 * std::exp(-std::pow((side - 1.0) / 0.006, 2)));
            }
            col.a = 1;
            img.at(x, y) = col;
        }
    }
    return img;
}

Image make_fin_texture(const KindSpec& k) {
    const int size = 128;
    Image img(size, size);
    Rgba base, edge;
    switch (k.colouring) {
    case Colouring::Red: base = rgb(0.93, 0.3, 0.08), edge = rgb(1.0, 0.72, 0.56); break;
    case Colouring::RedWhite: base = rgb(0.92, 0.27, 0.1), edge = rgb(0.97, 0.95, 0.94); break;
    case Colouring::Black: base = rgb(0.08, 0.07, 0.065), edge = rgb(0.42, 0.4, 0.4); break;
    case Colouring::Sarasa: base = rgb(0.96, 0.42, 0.1), edge = rgb(1.0, 0.8, 0.66); break;
    case Colouring::Calico: base = rgb(0.62, 0.68, 0.8), edge = rgb(0.86, 0.9, 0.95); break;
    case Colouring::RedCap: base = rgb(0.95, 0.95, 0.95), edge = rgb(0.84, 0.88, 0.93); break;
    }
    const int rays = 16;
    for (int y = 0; y < size; ++y) {
        double v = (y + 0.5) / size;
        for (int x = 0; x < size; ++x) {
            double t = (x + 0.5) / size;
            // Rays branch in two toward the edge.
            double d1 = std::fabs(std::fmod(t * rays, 1.0) - 0.5);
            double d2 = std::fabs(std::fmod(t * rays * 2, 1.0) - 0.5);
            double ray = (1 - smoothstep(0.05, 0.2, d1)) * (1 - smoothstep(0.45, 0.7, v)) +
                         (1 - smoothstep(0.06, 0.22, d2)) * smoothstep(0.45, 0.7, v) * 0.8;
            double fade = std::pow(v, 0.8);
            Rgba col = mix_rgba(base, edge, fade);
            double streak = fractal_noise(t * 24, v * 3, k.seed + 55u, 2);
            col = scale_rgb(col, 0.94 + 0.1 * streak);
            if (k.colouring == Colouring::Calico) {
                double redN = fractal_noise(t * 6, v * 4, k.seed + 56u, 3);
                col = mix_rgba(col, rgb(0.92, 0.4, 0.15), smoothstep(0.55, 0.62, redN) * (1 - 0.5 * v));
                double speck = fractal_noise(t * 30, v * 14, k.seed + 57u, 2);
                col = mix_rgba(col, rgb(0.08, 0.08, 0.1), smoothstep(0.68, 0.74, speck) * 0.9);
            }
            if (k.colouring == Colouring::RedWhite) {
                double redN = fractal_noise(t * 5, v * 2, k.seed + 58u, 3);
                col = mix_rgba(col, base, smoothstep(0.5, 0.6, redN) * (1 - v) * 0.8);
            }
            // Rays are a little denser and darker than the membrane between them.
            Rgba rayCol = k.colouring == Colouring::Black ? mix_rgba(rgb(0.3, 0.23, 0.14), edge, fade * 0.5)
                                                          : scale_rgb(mix_rgba(base, edge, fade * 0.7), 0.82);
            col = mix_rgba(col, rayCol, ray * 0.55);
            // The very edge is paler, almost clear.
            col = mix_rgba(col, rgb(0.93, 0.94, 0.96), smoothstep(0.9, 1.0, v) * 0.35);
            col.a = 1;
            img.at(x, y) = col;
        }
    }
    return img;
}

Image make_eye_texture(const KindSpec& k) {
    const int size = 64;
    Image img(size, size);
    Rgba iris = rgb(0.86, 0.66, 0.24), rim = rgb(0.45, 0.3, 0.12), socket = rgb(0.55, 0.3, 0.15);
    double irisEnd = 0.3;
    const bool black = k.colouring == Colouring::Black;
    if (black) {
        // A black moor's eye must read against dark water: a wide bright gold iris ringed in
        // silver grey on a bronze-black bulb.
        iris = rgb(0.95, 0.72, 0.3), rim = rgb(0.6, 0.57, 0.52), socket = rgb(0.2, 0.15, 0.1);
        irisEnd = 0.36;
    }
    if (k.colouring == Colouring::RedCap || k.colouring == Colouring::Calico)
        iris = rgb(0.82, 0.78, 0.62), socket = rgb(0.6, 0.6, 0.62);
    for (int y = 0; y < size; ++y) {
        double v = (y + 0.5) / size;  // 0 at the pupil pole
        for (int x = 0; x < size; ++x) {
            double u = (x + 0.5) / size;
            double streak = 0.9 + 0.2 * fractal_noise(u * 24, v * 4, k.seed + 77u, 2, 24, 0);
            Rgba col;
            if (v < 0.15)
                col = rgb(0.02, 0.02, 0.03);
            else if (v < 0.19)
                col = mix_rgba(rgb(0.02, 0.02, 0.03), scale_rgb(iris, streak), smoothstep(0.15, 0.19, v));
            else if (v < irisEnd)
                col = mix_rgba(scale_rgb(iris, streak), rim, smoothstep(irisEnd - 0.06, irisEnd, v));
            else
                col = mix_rgba(rim, socket, smoothstep(irisEnd, irisEnd + (black ? 0.06 : 0.1), v));
            // A small catch-light above the pupil.
            double du = std::fabs(u - 0.25) * 4, dv = (v - 0.1) * 10;
            col = mix_rgba(col, rgb(1, 1, 1), (1 - smoothstep(0.3, 0.8, std::sqrt(du * du + dv * dv))) * 0.85);
            col.a = 1;
            img.at(x, y) = col;
        }
    }
    return img;
}

// The inside of the mouth: u along the mouth line, v from the upper lip (0) through the throat
// (0.5) to the lower lip (1); moist lips at the rim, dark deep inside.
Image make_mouth_texture(const KindSpec& k) {
    const int size = 32;
    Image img(size, size);
    const bool black = k.colouring == Colouring::Black;
    Rgba lip = black ? rgb(0.36, 0.3, 0.27) : rgb(0.86, 0.5, 0.45);
    Rgba inside = black ? rgb(0.2, 0.08, 0.1) : rgb(0.36, 0.08, 0.08);
    Rgba throat = rgb(0.05, 0.02, 0.02);
    for (int y = 0; y < size; ++y) {
        double v = (y + 0.5) / size;
        double deep = std::sin(kPi * v);
        for (int x = 0; x < size; ++x) {
            Rgba col = mix_rgba(lip, inside, smoothstep(0.0, 0.35, deep));
            col = mix_rgba(col, throat, smoothstep(0.6, 1.0, deep));
            col.a = 1;
            img.at(x, y) = col;
        }
    }
    return img;
}

}  // namespace

void build_textures(const KindSpec& kind, FishModel* model) {
    model->textures.clear();
    model->textures.push_back({kind.model + "_body.dds", make_body_texture(kind)});
    model->textures.push_back({kind.model + "_fin.dds", make_fin_texture(kind)});
    model->textures.push_back({kind.model + "_eye.dds", make_eye_texture(kind)});
    model->textures.push_back({kind.model + "_mouth.dds", make_mouth_texture(kind)});
}

FishModel build_fish(const KindSpec& kind) {
    FishModel model;
    model.model = kind.model;
    build_skeleton(kind, &model);
    build_geometry(kind, &model);
    build_motions(kind, &model);
    build_textures(kind, &model);
    return model;
}

}  // namespace fishgen
}  // namespace brine
