// The generator's own random numbers and value noise: fixed seeds, integer arithmetic for the
// sequence, so every build of the content draws the same values on every machine.
// Must not depend on anything but the standard library.
#pragma once
#include <cmath>
#include <cstdint>

namespace brine {
namespace fishgen {

// SplitMix64: tiny, good enough for textures and scenery, and fully specified.
class GenRandom {
public:
    explicit GenRandom(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1) with 53 bits.
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }

private:
    std::uint64_t state_;
};

// Hash of a lattice point to [0, 1).
inline double lattice_value(std::int64_t x, std::int64_t y, std::uint32_t seed) {
    std::uint64_t h = static_cast<std::uint64_t>(x) * 0x9E3779B97F4A7C15ull ^
                      static_cast<std::uint64_t>(y) * 0xC2B2AE3D27D4EB4Full ^
                      static_cast<std::uint64_t>(seed) * 0x165667B19E3779F9ull;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    return static_cast<double>(h >> 11) * (1.0 / 9007199254740992.0);
}

inline std::int64_t wrap_index(std::int64_t i, std::int64_t period) {
    if (period <= 0) return i;
    std::int64_t r = i % period;
    return r < 0 ? r + period : r;
}

// Smooth value noise in [0, 1]; periodX/periodY (lattice cells, 0 = none) make it tile.
inline double value_noise(double x, double y, std::uint32_t seed, std::int64_t periodX = 0,
                          std::int64_t periodY = 0) {
    double fx = std::floor(x), fy = std::floor(y);
    std::int64_t ix = static_cast<std::int64_t>(fx), iy = static_cast<std::int64_t>(fy);
    double tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    std::int64_t x0 = wrap_index(ix, periodX), x1 = wrap_index(ix + 1, periodX);
    std::int64_t y0 = wrap_index(iy, periodY), y1 = wrap_index(iy + 1, periodY);
    double a = lattice_value(x0, y0, seed), b = lattice_value(x1, y0, seed);
    double c = lattice_value(x0, y1, seed), d = lattice_value(x1, y1, seed);
    double top = a + (b - a) * tx, bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

// Fractal sum of value noise, normalised to [0, 1]; periods double with each octave.
inline double fractal_noise(double x, double y, std::uint32_t seed, int octaves, std::int64_t periodX = 0,
                            std::int64_t periodY = 0) {
    double sum = 0, amp = 1, norm = 0, freq = 1;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * value_noise(x * freq, y * freq, seed + 101u * static_cast<std::uint32_t>(i),
                                 periodX * static_cast<std::int64_t>(freq), periodY * static_cast<std::int64_t>(freq));
        norm += amp;
        amp *= 0.5;
        freq *= 2;
    }
    return sum / norm;
}

}  // namespace fishgen
}  // namespace brine
