// libFuzzer target: JPEG, PNG and BMP bytes through the header readers and stb_image. Images
// whose header claims more than a million texels are only looked at, not decoded, so the
// fuzzer spends its time on many small inputs rather than a few huge ones.
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
    if (failed(get_image_info(data, size, &info))) {
        DecodedImage img;
        check(failed(decode_image(data, size, &img)));  // nothing decodes that the header refuses
        return 0;
    }
    check(info.width >= 1 && info.height >= 1 && info.depth == 1 && info.resourceType == kRtypeTexture);
    if (static_cast<std::uint64_t>(info.width) * info.height > (1u << 20)) return 0;
    DecodedImage img;
    if (failed(decode_image(data, size, &img))) {
        check(img.pixels.empty() && img.width == 0);
        return 0;
    }
    check(img.width == info.width && img.height == info.height);
    check(img.pixels.size() == static_cast<std::size_t>(img.width) * img.height);
    if (!img.hasAlpha && info.imageFileFormat != kIffDds)
        for (std::uint32_t t : img.pixels) check((t >> 24) == 255);
    check(succeeded(convert_for_format(img, kFmtX8R8G8B8)));
    for (std::uint32_t t : img.pixels) check((t >> 24) == 255);
    return 0;
}
