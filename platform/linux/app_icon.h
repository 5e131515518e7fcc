// The program's icon "RES_ICON_APP": a small goldfish drawn with QPainter, so no image file has
// to ship with the program. The tray and window list take it at run time; the build renders the
// menu's icons (hicolor PNGs) and the Windows .ico from the same drawing (tools/appicon).
// Must not depend on anything but QtGui; painting needs no application object.
#pragma once
#include <QIcon>
#include <QImage>

namespace brine {

// One goldfish picture of size x size pixels on a transparent ground (ARGB32, premultiplied).
QImage draw_goldfish(int size);
// The icon with pictures of 16, 22, 24, 32 and 48 pixels.
QIcon app_icon();

}  // namespace brine
