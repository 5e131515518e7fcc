// The shared pictures that are not fish: the default wallpaper (an underwater scene with light
// from above, sand, pebbles and plants) and the food pellet texture.
// Must not depend on the program's own code.
#pragma once
#include "tools/fishgen/gen_image.h"

namespace brine {
namespace fishgen {

Image make_wallpaper(int width, int height);
// A round pellet on a fully transparent surround (alpha exactly 0 or 1, for DXT1).
Image make_food_texture(int size);

}  // namespace fishgen
}  // namespace brine
