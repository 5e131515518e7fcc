// The background picture: the "tex_bg" surface entry, the ImageBlit that copies it into the back
// buffer, loading a picture the user chose, and the two per-frame layouts (1007 enlarge: the
// whole picture stretched over the whole back buffer; 1008 tile: repeated at its own size from
// the top left). Must not depend on any platform header.
#pragma once
#include <cstdint>

#include "base/result.h"
#include "data/resource_registry.h"
#include "device/graphics_device.h"
#include "render/image_loading.h"

namespace brine {

enum WallpaperMode : std::int32_t { kWallpaperEnlarge = 1007, kWallpaperTile = 1008 };
constexpr std::uint32_t kMaxWallpaperSide = 1024;
constexpr D3DColor kWallpaperColorKey = 0xFF000000u;  // opaque black
constexpr const char* kWallpaperEntry = "tex_bg";

struct ImageBlit {
    SurfaceResource* image = nullptr;  // the registry owns it
    Rect source{0, 0, 0, 0};
    Rect destination{0, 0, 0, 0};
};

// image = the registry's surface entry of that name (null when absent or not a surface); when
// found, both rectangles become the whole picture.
void bind_image(ImageBlit& blit, const ResourceRegistry& registry, const char* name);

// StretchRect of the picture's source rectangle into the destination rectangle, no filter.
// Copies nothing (and gives 0) without a picture surface or without a destination surface.
HResult blit_image(const ImageBlit& blit, GraphicsDevice& device, Surface* destination);

// Releases the picture "tex_bg" holds, loads the loose file into it and binds it with the
// enlarge rectangles over backBufferWidth x backBufferHeight. Gives load_surface's result, but
// E_FAIL for a picture over 1024 pixels wide or high (which stays loaded and shown), and E_FAIL
// when "tex_bg" is not registered.
HResult load_wallpaper(ImageBlit& blit, ResourceRegistry& registry, const ImageLoader& loader, const char* path,
                       std::int32_t backBufferWidth, std::int32_t backBufferHeight);

// Columns or rows of a tiled picture: the back buffer's side over the picture's, rounded up.
// 0 for a picture of no size.
std::uint32_t tile_count(std::uint32_t backBufferSide, std::uint32_t pictureSide);

// The per-frame layout for the wallpaper mode; any other mode (or no picture) draws nothing.
// Tiling leaves the last tile's rectangles in the blit. Allocates nothing.
void draw_wallpaper(ImageBlit& blit, GraphicsDevice& device, Surface* backBuffer, std::int32_t wallpaperMode,
                    std::int32_t backBufferWidth, std::int32_t backBufferHeight);

}  // namespace brine
