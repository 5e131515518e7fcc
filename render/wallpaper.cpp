// Wallpaper loading and layouts.
#include "render/wallpaper.h"

namespace brine {

void bind_image(ImageBlit& blit, const ResourceRegistry& registry, const char* name) {
    ResourceNode* found = registry.find_resource(name);
    blit.image = found && found->kind == kResourceSurface ? static_cast<SurfaceResource*>(found) : nullptr;
    if (!blit.image) return;
    const auto w = static_cast<std::int32_t>(blit.image->info.width);
    const auto h = static_cast<std::int32_t>(blit.image->info.height);
    blit.source = Rect{0, 0, w, h};
    blit.destination = Rect{0, 0, w, h};
}

HResult blit_image(const ImageBlit& blit, GraphicsDevice& device, Surface* destination) {
    if (!blit.image || !blit.image->surface || !destination) return kOk;
    return device.stretch_rect(blit.image->surface, &blit.source, destination, &blit.destination, kTexfNone);
}

HResult load_wallpaper(ImageBlit& blit, ResourceRegistry& registry, const ImageLoader& loader, const char* path,
                       std::int32_t backBufferWidth, std::int32_t backBufferHeight) {
    ResourceNode* found = registry.find_resource(kWallpaperEntry);
    if (!found || found->kind != kResourceSurface) return kFail;
    auto* entry = static_cast<SurfaceResource*>(found);
    // Released before loading, so a failed load leaves no picture at all.
    if (entry->surface) entry->surface->release();
    entry->surface = nullptr;

    HResult hr = load_surface(*entry, loader, path, nullptr, kWallpaperColorKey);
    // The size check looks only at a picture just loaded: after a failed load the entry may
    // still describe the previous picture, which is gone, and the load's own code is the answer.
    if (failed(hr)) return hr;
    bind_image(blit, registry, kWallpaperEntry);
    blit.source = Rect{0, 0, static_cast<std::int32_t>(entry->info.width), static_cast<std::int32_t>(entry->info.height)};
    blit.destination = Rect{0, 0, backBufferWidth, backBufferHeight};
    if (entry->info.width > kMaxWallpaperSide || entry->info.height > kMaxWallpaperSide) return kFail;
    return hr;
}

std::uint32_t tile_count(std::uint32_t backBufferSide, std::uint32_t pictureSide) {
    if (pictureSide == 0) return 0;
    return backBufferSide / pictureSide + (backBufferSide % pictureSide ? 1 : 0);
}

void draw_wallpaper(ImageBlit& blit, GraphicsDevice& device, Surface* backBuffer, std::int32_t wallpaperMode,
                    std::int32_t backBufferWidth, std::int32_t backBufferHeight) {
    if (!blit.image) return;
    if (wallpaperMode == kWallpaperEnlarge) {
        blit_image(blit, device, backBuffer);
        return;
    }
    if (wallpaperMode != kWallpaperTile) return;
    const std::uint32_t bw = static_cast<std::uint32_t>(backBufferWidth);
    const std::uint32_t bh = static_cast<std::uint32_t>(backBufferHeight);
    const std::uint32_t tw = blit.image->info.width, th = blit.image->info.height;
    const std::uint32_t columns = tile_count(bw, tw), rows = tile_count(bh, th);
    for (std::uint32_t i = 0; i < rows; ++i) {
        for (std::uint32_t j = 0; j < columns; ++j) {
            const std::uint32_t w = bw - j * tw < tw ? bw - j * tw : tw;
            const std::uint32_t h = bh - i * th < th ? bh - i * th : th;
            const auto x = static_cast<std::int32_t>(j * tw), y = static_cast<std::int32_t>(i * th);
            blit.source = Rect{0, 0, static_cast<std::int32_t>(w), static_cast<std::int32_t>(h)};
            blit.destination = Rect{x, y, x + static_cast<std::int32_t>(w), y + static_cast<std::int32_t>(h)};
            blit_image(blit, device, backBuffer);
        }
    }
}

}  // namespace brine
