// The Windows icon file (.ico) from pictures already drawn: a directory, then each picture as a
// 32-bit DIB with its transparency mask, or as PNG bytes (what Windows expects at 256 pixels).
// Must not depend on anything but the standard library.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace brine {
namespace appicon {

struct IcoPicture {
    int size = 0;                     // width and height, 1 to 256
    std::vector<std::uint32_t> argb;  // size * size pixels 0xAARRGGBB, straight alpha, top row first
    std::vector<unsigned char> png;   // when not empty, stored instead of the pixels
};

// The whole file; false with a reason for a picture whose size or pixel count does not fit.
bool encode_ico(const std::vector<IcoPicture>& pictures, std::vector<unsigned char>* out, std::string* reason);

}  // namespace appicon
}  // namespace brine
