// Developer preview: a small CPU rasteriser (z-buffer, the program's light, texture modulate,
// linear blend skinning) that draws every kind in its four motions, side and top views, into
// one contact-sheet PNG. A development aid only; the program never uses it.
// Must not depend on the program's own code.
#pragma once
#include <string>

#include "base/result.h"
#include "tools/fishgen/fish_model.h"

namespace brine {
namespace fishgen {

struct PreviewOptions {
    std::string kind;  // one model name, or empty for all kinds
    int cellWidth = 160;
    int cellHeight = 100;
    int timesPerMotion = 3;
};

HResult write_preview(const std::string& pngPath, const PreviewOptions& options, std::string* reason);
// Every kind in the tank as the program's camera sees it, over the wallpaper.
HResult write_tank_preview(const std::string& pngPath, std::string* reason);

// One posed fish drawn into an image (used by the sheet; exposed for tests).
enum class PreviewView { Side, Top, Front };
void draw_fish(const FishModel& model, int motion, double phase, PreviewView view, double pixelsPerUnit, Image* target);

}  // namespace fishgen
}  // namespace brine
