// The goldfish kinds that fishgen makes: body and fin shapes, colouring, motion style, motion
// script values and where each kind is shipped. Plain data; the builders turn it into content.
// Must not depend on the program's own code.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "tools/fishgen/gen_image.h"

namespace brine {
namespace fishgen {

// A smooth curve through control points (x ascending), shape-preserving (no overshoot).
class Profile {
public:
    Profile() = default;
    Profile(std::initializer_list<std::pair<double, double>> points);
    double operator()(double x) const;
    bool empty() const { return xs_.empty(); }

private:
    std::vector<double> xs_, ys_, slopes_;
};

enum class TailStyle { Single, Double, Triple };
enum class Colouring { Red, RedWhite, Black, Sarasa, Calico, RedCap };

struct MotionStyle {
    int frames = 60;         // loop length
    int beats = 1;           // tail beats per loop
    double bodyAmp = 0.1;    // lateral angle at the tail, radians
    double wave = 0.8;       // body wavelengths of lag from head to tail tip
    double pecRest = 0.0;    // pectoral fold toward the body, radians
    double pecAmp = 0.2;     // pectoral flap, radians
    int pecCycles = 2;
    double jawAmp = 0.05;    // mouth opening, radians
    int jawCycles = 2;
    double headDip = 0.0;    // nose-down pitch while eating, radians
    int dipCycles = 0;
    double bob = 0.0;        // vertical drift of the whole fish, fraction of bodyLength
    double pecPhase = 0.6;   // lag of the right pectoral behind the left, radians (pi: alternating)
    double dorsalFold = 0.0; // dorsal fin laid back, radians
    double tailCup = 0.2;    // caudal lobes cupping against the beat, radians
    double tailClose = 0.0;  // caudal lobes drawn together (fan narrowed, twin lobes closed), radians
};

struct KindSpec {
    std::string model;       // member base name, also the texture prefix
    const char* kindName;    // Shift-JIS
    const char* fishName;    // Shift-JIS default fish name
    int hours = 0;           // hold-back hours in header.bin
    std::string packPath;    // "object/fish1.pak", "extensions/tancho.exd"
    bool singleAnimationSet = true;

    // Body: lengths in model units, profiles in fractions of bodyLength over s = 0 (nose) .. 1.
    double bodyLength = 16;
    double tailLength = 7;
    Profile back, belly, width;
    double noseCap = 0.12;       // length of the rounded nose, fraction of the body
    double squareness = 2.2;     // cross-section superellipse exponent
    double wen = 0.0;            // head growth height, fraction of bodyLength
    bool wenCapOnly = false;     // growth only on top of the head

    // Fins.
    bool dorsal = true;
    double dorsalStart = 0.35, dorsalEnd = 0.72, dorsalHeight = 0.22;
    double pectoralLength = 0.2, pelvicLength = 0.14, analLength = 0.12;
    bool pairedAnal = false;
    TailStyle tail = TailStyle::Single;
    Profile tailProfile;         // ray length over the fin base, top (0) to bottom (1), fraction of tailLength
    double tailFan = 0.7;        // half spread of the rays, radians
    double tailSplay = 0.0;      // double tails: lobes turned out from vertical, radians
    double tailFlare = 0.35;     // double tails: further turn out toward the lobes' edge, radians
    double tailDroop = 0.1;      // sag of long tails, fraction of tailLength
    double tailFrill = 0.0;      // wavy edge of flowing tails, fraction of tailLength
    double finFrill = 0.0;       // the same for the other fins

    double mouthS = 0.07;        // from the nose tip to the corners of the mouth, fraction of the body
    double finThickness = 0.012; // fin membrane at its thickest (middle of the root), fraction of the body

    // Eyes.
    double eyeRadius = 0.042;    // fraction of bodyLength
    double eyeS = 0.13;          // position along the body
    double eyeHeight = 0.25;     // above the centre line, fraction of the local back height
    double telescope = 0.0;      // stalk length for protruding eyes, fraction of bodyLength

    Colouring colouring = Colouring::Red;
    std::uint32_t seed = 1;

    // Motions: hover, cruise, dash, eat.
    MotionStyle motions[4];

    // Motion script values.
    double scale = 1.0;
    int waitMs = 2000;
    double slowSpeed = 0.5, slowRotateH = 3.0, slowRotateV = 1.5;
    double fastSpeed = 1.2, fastRotateH = 6.0, fastRotateV = 2.5;
    double gravity = 0.0;
};

// Every kind, in the order they are shipped.
const std::vector<KindSpec>& all_kinds();

}  // namespace fishgen
}  // namespace brine
