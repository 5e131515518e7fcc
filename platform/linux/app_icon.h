// The program's icon "RES_ICON_APP": a small goldfish drawn with QPainter at the sizes a tray and
// a window list ask for, so no image file has to ship with the program.
#pragma once
#include <QIcon>
#include <QPixmap>

namespace brine {

// One goldfish picture of size x size pixels on a transparent ground.
QPixmap draw_goldfish(int size);
// The icon with pictures of 16, 22, 24, 32 and 48 pixels.
QIcon app_icon();

}  // namespace brine
