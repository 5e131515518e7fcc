// The table of goldfish kinds: shape, fins, colouring, motion style and motion values of each,
// and the shape-preserving profile curve they are described with. Plain data.
#include "tools/fishgen/fish_kinds.h"

#include <cmath>

#include "tools/fishgen/gen_math.h"

namespace brine {
namespace fishgen {

Profile::Profile(std::initializer_list<std::pair<double, double>> points) {
    for (const auto& p : points) {
        xs_.push_back(p.first);
        ys_.push_back(p.second);
    }
    // Fritsch-Carlson slopes keep the curve between its control values: no bulges or dents.
    size_t n = xs_.size();
    slopes_.assign(n, 0.0);
    if (n < 2) return;
    std::vector<double> d(n - 1);
    for (size_t i = 0; i + 1 < n; ++i) d[i] = (ys_[i + 1] - ys_[i]) / (xs_[i + 1] - xs_[i]);
    slopes_[0] = d[0];
    slopes_[n - 1] = d[n - 2];
    for (size_t i = 1; i + 1 < n; ++i) slopes_[i] = (d[i - 1] * d[i] <= 0) ? 0.0 : (d[i - 1] + d[i]) * 0.5;
    for (size_t i = 0; i + 1 < n; ++i) {
        if (d[i] == 0) {
            slopes_[i] = slopes_[i + 1] = 0;
            continue;
        }
        double a = slopes_[i] / d[i], b = slopes_[i + 1] / d[i], h = a * a + b * b;
        if (h > 9) {
            double t = 3 / std::sqrt(h);
            slopes_[i] = t * a * d[i];
            slopes_[i + 1] = t * b * d[i];
        }
    }
}

double Profile::operator()(double x) const {
    if (xs_.empty()) return 0;
    if (x <= xs_.front()) return ys_.front();
    if (x >= xs_.back()) return ys_.back();
    size_t i = 0;
    while (i + 2 < xs_.size() && x > xs_[i + 1]) ++i;
    double h = xs_[i + 1] - xs_[i], t = (x - xs_[i]) / h;
    double t2 = t * t, t3 = t2 * t;
    return (2 * t3 - 3 * t2 + 1) * ys_[i] + (t3 - 2 * t2 + t) * h * slopes_[i] + (-2 * t3 + 3 * t2) * ys_[i + 1] +
           (t3 - t2) * h * slopes_[i + 1];
}

namespace {

// Hover: the body nearly still, the pectorals paddling in turn, the mouth breathing. Cruise: a
// steady tail beat with the paired fins half folded. Dash: twice the beat, wider, with every fin
// laid back and the tail narrowed. Eat: the nose dips and the mouth snaps open and shut while
// the pectorals back-paddle.
void set_default_motions(KindSpec* k) {
    MotionStyle& hover = k->motions[0];
    hover.frames = 60;
    hover.beats = 1;
    hover.bodyAmp = 0.1;
    hover.wave = 0.7;
    hover.pecRest = 0.05;
    hover.pecAmp = 0.6;
    hover.pecCycles = 3;
    hover.pecPhase = kPi;
    hover.jawAmp = 0.16;
    hover.jawCycles = 2;
    hover.bob = 0.008;
    hover.dorsalFold = -0.06;
    hover.tailCup = 0.35;
    hover.tailClose = -0.08;

    MotionStyle& cruise = k->motions[1];
    cruise.frames = 60;
    cruise.beats = 3;
    cruise.bodyAmp = 0.42;
    cruise.wave = 0.85;
    cruise.pecRest = 0.5;
    cruise.pecAmp = 0.18;
    cruise.pecCycles = 3;
    cruise.jawAmp = 0.08;
    cruise.jawCycles = 3;
    cruise.dorsalFold = 0.1;
    cruise.tailCup = 0.45;
    cruise.tailClose = 0.0;

    MotionStyle& dash = k->motions[2];
    dash.frames = 30;
    dash.beats = 3;
    dash.bodyAmp = 0.75;
    dash.wave = 0.95;
    dash.pecRest = 1.15;
    dash.pecAmp = 0.05;
    dash.pecCycles = 3;
    dash.jawAmp = 0.0;
    dash.jawCycles = 1;
    dash.dorsalFold = 0.55;
    dash.tailCup = 0.35;
    dash.tailClose = 0.15;

    MotionStyle& eat = k->motions[3];
    eat.frames = 60;
    eat.beats = 1;
    eat.bodyAmp = 0.1;
    eat.wave = 0.7;
    eat.pecRest = 0.1;
    eat.pecAmp = 0.5;
    eat.pecCycles = 4;
    eat.pecPhase = 0.4;
    eat.jawAmp = 0.55;
    eat.jawCycles = 4;
    eat.headDip = 0.3;
    eat.dipCycles = 2;
    eat.tailCup = 0.3;
    eat.tailClose = -0.05;
}

KindSpec make_wakin() {
    KindSpec k;
    k.model = "wakin";
    k.kindName = "\x98\x61\x8B\xE0";  // 和金
    k.fishName = "\x82\xAB\x82\xF1\x82\xBF\x82\xE1\x82\xF1";  // きんちゃん
    k.packPath = "object/fish1.pak";
    k.singleAnimationSet = true;
    k.bodyLength = 22.2;
    k.tailLength = 9.7;
    k.back = {{0, 0.085}, {0.12, 0.14}, {0.3, 0.18}, {0.45, 0.19}, {0.62, 0.16}, {0.8, 0.09}, {0.9, 0.065}, {1, 0.075}};
    k.belly = {{0, 0.07}, {0.12, 0.12}, {0.3, 0.16}, {0.48, 0.17}, {0.65, 0.13}, {0.8, 0.075}, {0.9, 0.055}, {1, 0.06}};
    k.width = {{0, 0.06}, {0.15, 0.1}, {0.35, 0.115}, {0.55, 0.1}, {0.75, 0.065}, {0.9, 0.05}, {1, 0.045}};
    k.tail = TailStyle::Single;
    k.tailProfile = {{0, 0.88}, {0.12, 1.0}, {0.3, 0.74}, {0.5, 0.56}, {0.7, 0.74}, {0.88, 1.0}, {1, 0.88}};
    k.tailFan = 0.62;
    k.tailDroop = 0.05;
    k.colouring = Colouring::Red;
    k.seed = 11;
    set_default_motions(&k);
    k.scale = 1.0;
    k.waitMs = 1800;
    k.slowSpeed = 0.55;
    k.slowRotateH = 3.0;
    k.slowRotateV = 1.5;
    k.fastSpeed = 1.5;
    k.fastRotateH = 7.0;
    k.fastRotateV = 2.5;
    k.gravity = 0.0;
    return k;
}

KindSpec make_ryukin() {
    KindSpec k;
    k.model = "ryukin";
    k.kindName = "\x97\xAE\x8B\xE0";  // 琉金
    k.fishName = "\x82\xD0\x82\xE7\x82\xD0\x82\xE7";  // ひらひら
    k.packPath = "object/fish1.pak";
    k.singleAnimationSet = false;
    k.bodyLength = 15.6;
    k.tailLength = 15.6;
    k.back = {{0, 0.1}, {0.1, 0.18}, {0.25, 0.32}, {0.42, 0.37}, {0.6, 0.3}, {0.78, 0.13}, {0.9, 0.08}, {1, 0.085}};
    k.belly = {{0, 0.08}, {0.15, 0.17}, {0.35, 0.27}, {0.52, 0.28}, {0.7, 0.2}, {0.85, 0.09}, {1, 0.07}};
    k.width = {{0, 0.07}, {0.2, 0.15}, {0.45, 0.18}, {0.65, 0.15}, {0.85, 0.06}, {1, 0.04}};
    k.noseCap = 0.1;
    k.dorsalStart = 0.3;
    k.dorsalEnd = 0.7;
    k.dorsalHeight = 0.34;
    k.pectoralLength = 0.24;
    k.pelvicLength = 0.2;
    k.analLength = 0.18;
    k.pairedAnal = true;
    k.tail = TailStyle::Triple;
    k.tailProfile = {{0, 0.72}, {0.15, 1.0}, {0.35, 0.8}, {0.5, 0.6}, {0.65, 0.8}, {0.85, 1.0}, {1, 0.72}};
    k.tailFan = 0.6;
    k.tailSplay = 0.6;
    k.tailDroop = 0.12;
    k.tailFrill = 0.05;
    k.finFrill = 0.03;
    k.eyeRadius = 0.052;
    k.colouring = Colouring::RedWhite;
    k.seed = 23;
    set_default_motions(&k);
    k.motions[1].wave = 1.0;
    k.motions[2].wave = 1.05;
    k.scale = 1.0;
    k.waitMs = 2500;
    k.slowSpeed = 0.42;
    k.slowRotateH = 3.0;
    k.slowRotateV = 1.2;
    k.fastSpeed = 1.1;
    k.fastRotateH = 6.0;
    k.fastRotateV = 2.0;
    k.gravity = -0.05;
    return k;
}

KindSpec make_demekin() {
    KindSpec k;
    k.model = "demekin";
    k.kindName = "\x8F\x6F\x96\xDA\x8B\xE0";  // 出目金
    k.fishName = "\x82\xC5\x82\xDF\x82\xBF\x82\xE1\x82\xF1";  // でめちゃん
    k.packPath = "object/fish1.pak";
    k.singleAnimationSet = true;
    k.bodyLength = 18.3;
    k.tailLength = 11.9;
    k.back = {{0, 0.1}, {0.15, 0.2}, {0.35, 0.27}, {0.5, 0.27}, {0.7, 0.19}, {0.85, 0.09}, {1, 0.08}};
    k.belly = {{0, 0.09}, {0.2, 0.2}, {0.45, 0.25}, {0.65, 0.2}, {0.85, 0.08}, {1, 0.07}};
    k.width = {{0, 0.08}, {0.2, 0.16}, {0.45, 0.17}, {0.7, 0.12}, {0.9, 0.05}, {1, 0.04}};
    k.dorsalStart = 0.32;
    k.dorsalEnd = 0.7;
    k.dorsalHeight = 0.28;
    k.pectoralLength = 0.22;
    k.pelvicLength = 0.17;
    k.analLength = 0.15;
    k.pairedAnal = true;
    k.tail = TailStyle::Double;
    k.tailProfile = {{0, 0.8}, {0.15, 1.0}, {0.35, 0.78}, {0.5, 0.62}, {0.65, 0.78}, {0.85, 1.0}, {1, 0.8}};
    k.tailFan = 0.62;
    k.tailSplay = 0.65;
    k.tailDroop = 0.1;
    k.tailFrill = 0.03;
    k.eyeRadius = 0.09;
    k.eyeS = 0.14;
    k.eyeHeight = 0.3;
    k.telescope = 0.06;
    k.colouring = Colouring::Black;
    k.seed = 37;
    set_default_motions(&k);
    k.scale = 1.0;
    k.waitMs = 2600;
    k.slowSpeed = 0.4;
    k.slowRotateH = 2.8;
    k.slowRotateV = 1.2;
    k.fastSpeed = 1.0;
    k.fastRotateH = 5.5;
    k.fastRotateV = 2.0;
    k.gravity = 0.0;
    return k;
}

KindSpec make_ranchu() {
    KindSpec k;
    k.model = "ranchu";
    k.kindName = "\x82\xE7\x82\xF1\x82\xBF\x82\xE3\x82\xA4";  // らんちゅう
    k.fishName = "\x82\xE7\x82\xF1\x82\xE7\x82\xF1";  // らんらん
    k.packPath = "object/fish2.pak";
    k.singleAnimationSet = false;
    k.bodyLength = 20.9;
    k.tailLength = 7.45;
    k.back = {{0, 0.13}, {0.15, 0.22}, {0.35, 0.26}, {0.55, 0.255}, {0.75, 0.18}, {0.88, 0.09}, {1, 0.075}};
    k.belly = {{0, 0.11}, {0.2, 0.22}, {0.45, 0.27}, {0.65, 0.22}, {0.85, 0.09}, {1, 0.065}};
    k.width = {{0, 0.12}, {0.2, 0.2}, {0.45, 0.22}, {0.7, 0.16}, {0.9, 0.06}, {1, 0.045}};
    k.noseCap = 0.14;
    k.squareness = 2.4;
    k.wen = 0.065;
    k.dorsal = false;
    k.pectoralLength = 0.17;
    k.pelvicLength = 0.13;
    k.analLength = 0.11;
    k.pairedAnal = true;
    k.tail = TailStyle::Double;
    k.tailProfile = {{0, 0.85}, {0.2, 1.0}, {0.5, 0.68}, {0.8, 1.0}, {1, 0.85}};
    k.tailFan = 0.8;
    k.tailSplay = 1.0;
    k.tailFlare = 0.15;
    k.tailDroop = 0.05;
    k.eyeRadius = 0.042;
    k.eyeS = 0.15;
    k.colouring = Colouring::Sarasa;
    k.seed = 41;
    set_default_motions(&k);
    k.motions[1].bodyAmp = 0.55;
    k.motions[2].bodyAmp = 0.8;
    k.scale = 1.0;
    k.waitMs = 3000;
    k.slowSpeed = 0.35;
    k.slowRotateH = 2.5;
    k.slowRotateV = 1.0;
    k.fastSpeed = 0.9;
    k.fastRotateH = 5.0;
    k.fastRotateV = 2.0;
    k.gravity = 0.4;
    return k;
}

KindSpec make_shubunkin() {
    KindSpec k;
    k.model = "shubunkin";
    k.kindName = "\x8E\xE9\x95\xB6\x8B\xE0";  // 朱文金
    k.fishName = "\x82\xD4\x82\xBF\x82\xB1";  // ぶちこ
    k.hours = 2;
    k.packPath = "object/fish2.pak";
    k.singleAnimationSet = true;
    k.bodyLength = 19.4;
    k.tailLength = 13.3;
    k.back = {{0, 0.08}, {0.12, 0.13}, {0.3, 0.17}, {0.45, 0.18}, {0.62, 0.15}, {0.8, 0.085}, {0.9, 0.06}, {1, 0.07}};
    k.belly = {{0, 0.065}, {0.12, 0.11}, {0.3, 0.15}, {0.48, 0.16}, {0.65, 0.12}, {0.8, 0.07}, {0.9, 0.05}, {1, 0.055}};
    k.width = {{0, 0.055}, {0.15, 0.095}, {0.35, 0.105}, {0.55, 0.095}, {0.75, 0.06}, {0.9, 0.048}, {1, 0.042}};
    k.dorsalHeight = 0.27;
    k.pectoralLength = 0.25;
    k.pelvicLength = 0.18;
    k.analLength = 0.15;
    k.tail = TailStyle::Single;
    k.tailProfile = {{0, 0.66}, {0.12, 0.95}, {0.24, 1.0}, {0.38, 0.76}, {0.5, 0.6},
                     {0.62, 0.76}, {0.76, 1.0}, {0.88, 0.95}, {1, 0.66}};
    k.tailFan = 0.72;
    k.tailDroop = 0.1;
    k.tailFrill = 0.03;
    k.finFrill = 0.02;
    k.colouring = Colouring::Calico;
    k.seed = 53;
    set_default_motions(&k);
    k.scale = 1.0;
    k.waitMs = 1600;
    k.slowSpeed = 0.6;
    k.slowRotateH = 3.5;
    k.slowRotateV = 1.5;
    k.fastSpeed = 1.6;
    k.fastRotateH = 7.5;
    k.fastRotateV = 2.5;
    k.gravity = -0.1;
    return k;
}

KindSpec make_tancho() {
    KindSpec k;
    k.model = "tancho";
    k.kindName = "\x92\x4F\x92\xB8";  // 丹頂
    k.fishName = "\x82\xBD\x82\xF1\x82\xBD\x82\xF1";  // たんたん
    k.packPath = "extensions/tancho.exd";
    k.singleAnimationSet = false;
    k.bodyLength = 17.7;
    k.tailLength = 13.6;
    k.back = {{0, 0.11}, {0.15, 0.2}, {0.35, 0.28}, {0.5, 0.285}, {0.7, 0.2}, {0.85, 0.09}, {1, 0.08}};
    k.belly = {{0, 0.09}, {0.2, 0.19}, {0.45, 0.26}, {0.65, 0.21}, {0.85, 0.08}, {1, 0.07}};
    k.width = {{0, 0.08}, {0.2, 0.15}, {0.45, 0.18}, {0.7, 0.13}, {0.9, 0.05}, {1, 0.04}};
    k.wen = 0.055;
    k.wenCapOnly = true;
    k.dorsalStart = 0.32;
    k.dorsalEnd = 0.7;
    k.dorsalHeight = 0.3;
    k.pectoralLength = 0.23;
    k.pelvicLength = 0.18;
    k.analLength = 0.16;
    k.pairedAnal = true;
    k.tail = TailStyle::Double;
    k.tailProfile = {{0, 0.75}, {0.15, 1.0}, {0.35, 0.8}, {0.5, 0.64}, {0.65, 0.8}, {0.85, 1.0}, {1, 0.75}};
    k.tailFan = 0.62;
    k.tailSplay = 0.6;
    k.tailDroop = 0.12;
    k.tailFrill = 0.045;
    k.finFrill = 0.02;
    k.colouring = Colouring::RedCap;
    k.seed = 67;
    set_default_motions(&k);
    k.motions[1].wave = 1.0;
    k.scale = 1.0;
    k.waitMs = 2400;
    k.slowSpeed = 0.42;
    k.slowRotateH = 3.0;
    k.slowRotateV = 1.2;
    k.fastSpeed = 1.1;
    k.fastRotateH = 6.0;
    k.fastRotateV = 2.0;
    k.gravity = 0.0;
    return k;
}

}  // namespace

const std::vector<KindSpec>& all_kinds() {
    static const std::vector<KindSpec> kinds = {make_wakin(),  make_ryukin(),    make_demekin(),
                                                make_ranchu(), make_shubunkin(), make_tancho()};
    return kinds;
}

}  // namespace fishgen
}  // namespace brine
