// libFuzzer target: DDS bytes through the image information and the decoder, then the colour
// key and the texture-format adjustments, checking what the decoder promises of its result.
// Must not depend on anything but the core and the standard library.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "data/image_decode.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace brine;
    ImageInfo info{};
    const HResult infoResult = get_image_info(data, size, &info);
    DecodedImage img;
    const HResult decodeResult = decode_image(data, size, &img);
    // A DDS file is checked whole by both, so they agree.
    const bool dds = size >= 4 && data[0] == 'D' && data[1] == 'D' && data[2] == 'S' && data[3] == ' ';
    if (dds && decodeResult != kOutOfMemory) check(succeeded(infoResult) == succeeded(decodeResult));
    if (failed(decodeResult)) {
        check(img.pixels.empty() && img.mips.empty() && img.width == 0);
        return 0;
    }
    check(img.width >= 1 && img.height >= 1 && img.width <= kMaxImageDimension && img.height <= kMaxImageDimension);
    check(img.pixels.size() == static_cast<std::size_t>(img.width) * img.height);
    check(img.info.width == img.width && img.info.height == img.height && img.info.depth == 1);
    check(img.info.mipLevels == (dds ? img.mips.size() + 1 : 1));
    for (std::size_t i = 0; i < img.mips.size(); ++i) {
        const std::size_t w = img.width >> (i + 1) ? img.width >> (i + 1) : 1;
        const std::size_t h = img.height >> (i + 1) ? img.height >> (i + 1) : 1;
        check(img.mips[i].size() == w * h);
    }
    if (dds) check(info.format == img.info.format && info.mipLevels == img.info.mipLevels);
    apply_color_key(img, 0xFF000000u);
    check(succeeded(convert_for_format(img, kFmtDxt1)));
    for (std::uint32_t t : img.pixels) check(t == 0 || (t >> 24) == 255);
    return 0;
}
