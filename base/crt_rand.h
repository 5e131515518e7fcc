// The classic C runtime generator (state * 214013 + 2531011, values 0..32767), kept as the
// program's own so every platform draws the same sequence and tests can replay it.
// Must not depend on anything but the standard library.
#pragma once
#include <cstdint>

namespace brine {

class CrtRand {
public:
    static constexpr int kRandMax = 32767;

    void srand(std::uint32_t seed) { state_ = seed; }
    int rand() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFF);
    }
    std::uint32_t state() const { return state_; }

private:
    std::uint32_t state_ = 1;  // the runtime's seed before any srand
};

}  // namespace brine
