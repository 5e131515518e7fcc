// Textures and surfaces for the registry's image entries, read from a pack member or a loose
// file, decoded by the image decoder the caller hands in, and created on the device with the
// image information stored in the entry. A missing pack or member is not an error (images in
// packs are optional); a missing loose file is.
// Must not depend on any platform header or on a particular decoder.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/result.h"
#include "device/decoded_image.h"
#include "data/resource_registry.h"
#include "device/graphics_device.h"

namespace brine {

// data/image_decode.h's decode_image: DDS, JPEG, PNG, BMP bytes to pixels and image information.
using ImageDecoder = HResult (*)(const void* data, std::size_t size, DecodedImage* out);

struct ImageLoader {
    GraphicsDevice* device = nullptr;
    ImageDecoder decode = nullptr;
};

struct TextureRequest {
    const char* path = nullptr;    // a pack when member is set, else a loose file
    const char* member = nullptr;
    bool renderTarget = false;     // usage D3DUSAGE_RENDERTARGET
    std::uint32_t mipLevels = kD3DXDefault;
    std::uint32_t format = kFmtUnknown;
};

// D3DXCreateTextureFromFile(InMemory)Ex in the default pool: 0 with the texture and the image
// information in the entry; 0 with an empty entry when the pack or the member is missing;
// kFail when the member cannot be read into memory; D3DXERR_INVALIDDATA for a loose file that
// cannot be read; the decoder's or the device's code otherwise. A texture the entry held is
// released first.
HResult load_texture(TextureResource& entry, const ImageLoader& loader, const TextureRequest& request);

// The image information, an X8R8G8B8 off-screen surface of the image's size in the default
// pool, and the image loaded into it unfiltered with the colour key. Answers as load_texture;
// a surface the device does not create gives D3DERR_INVALIDCALL, as loading into no surface does.
HResult load_surface(SurfaceResource& entry, const ImageLoader& loader, const char* path, const char* member,
                     D3DColor colorKey);

}  // namespace brine
