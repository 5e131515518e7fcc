// Image entries from packs and loose files.
#include "render/image_loading.h"

#include "data/pack_file.h"

namespace brine {

namespace {

// A member that is not there reads as absent; a loose file that is not there is an error.
HResult read_image_bytes(const char* path, const char* member, MemoryBlock* out, bool* absent) {
    *absent = false;
    if (!path) return kD3DXErrInvalidData;
    if (member) {
        PackFile pack;
        PackEntry entry{};
        if (!pack.open_member(path, member, &entry)) {
            *absent = true;
            return kOk;
        }
        *out = pack.read_block(entry.size);
        pack.close();
        return out->valid() ? kOk : kFail;
    }
    return succeeded(load_into_memory(path, nullptr, out)) ? kOk : kD3DXErrInvalidData;
}

HResult decode(const ImageLoader& loader, const char* path, const char* member, DecodedImage* image,
               bool* absent) {
    if (!loader.device || !loader.decode) return kFail;
    MemoryBlock bytes;
    HResult hr = read_image_bytes(path, member, &bytes, absent);
    if (failed(hr) || *absent) return hr;
    return loader.decode(bytes.data(), bytes.size(), image);
}

}  // namespace

HResult load_texture(TextureResource& entry, const ImageLoader& loader, const TextureRequest& request) {
    if (entry.texture) entry.texture->release();
    entry.texture = nullptr;
    DecodedImage image;
    bool absent = false;
    HResult hr = decode(loader, request.path, request.member, &image, &absent);
    if (failed(hr) || absent) return hr;
    entry.info = image.info;
    hr = loader.device->create_texture(image, request.mipLevels, request.renderTarget ? static_cast<std::uint32_t>(kUsageRenderTarget) : 0u,
                                       request.format, kPoolDefault, &entry.texture);
    if (failed(hr)) {
        entry.texture = nullptr;
        return hr;
    }
    return kOk;
}

HResult load_surface(SurfaceResource& entry, const ImageLoader& loader, const char* path, const char* member,
                     D3DColor colorKey) {
    if (entry.surface) entry.surface->release();
    entry.surface = nullptr;
    DecodedImage image;
    bool absent = false;
    HResult hr = decode(loader, path, member, &image, &absent);
    if (failed(hr) || absent) return hr;
    entry.info = image.info;
    Surface* surface = nullptr;
    loader.device->create_offscreen_plain_surface(image.info.width, image.info.height, kFmtX8R8G8B8, kPoolDefault,
                                                  &surface);
    entry.surface = surface;
    if (!surface) return kD3DErrInvalidCall;
    hr = loader.device->load_surface(surface, image, colorKey);
    return failed(hr) ? hr : kOk;
}

}  // namespace brine
