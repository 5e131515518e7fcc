// The program's goldfish icon, painted with QPainter onto images.
#include "platform/linux/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>

namespace brine {

QImage draw_goldfish(int size) {
    QImage pixmap(size, size, QImage::Format_ARGB32_Premultiplied);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 48.0, size / 48.0);  // drawn on a 48-unit square

    const QColor body(0xF0, 0x50, 0x1E);  // orange-red
    const QColor fin(0xFF, 0x8C, 0x3C);
    const QColor outline(0x9A, 0x28, 0x0A);

    // Tail: a forked fan behind the body, on the right.
    QPainterPath tail;
    tail.moveTo(31, 24);
    tail.cubicTo(38, 14, 44, 9, 46, 10);
    tail.cubicTo(42, 18, 41, 22, 43, 24);
    tail.cubicTo(41, 26, 42, 30, 46, 38);
    tail.cubicTo(44, 39, 38, 34, 31, 24);
    painter.setPen(QPen(outline, 1.2));
    painter.setBrush(fin);
    painter.drawPath(tail);

    // Dorsal fin.
    QPainterPath dorsal;
    dorsal.moveTo(14, 16);
    dorsal.cubicTo(18, 8, 26, 8, 29, 15);
    dorsal.closeSubpath();
    painter.drawPath(dorsal);

    // Body: an egg shape with the head to the left.
    painter.setBrush(body);
    painter.drawEllipse(QRectF(3, 13, 32, 22));

    // Eye, placed in pixels so that even the 16-pixel icon keeps a solid black pupil.
    painter.resetTransform();
    const double unit = size / 48.0;
    const QPointF eye(12.0 * unit, 22.5 * unit);
    const double white = std::max(1.5, 3.5 * unit);
    const double pupil = std::max(1.0, 2.0 * unit);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(eye, white, white);
    painter.setRenderHint(QPainter::Antialiasing, size >= 32);
    painter.setBrush(Qt::black);
    painter.drawEllipse(eye, pupil, pupil);
    painter.end();
    return pixmap;
}

QIcon app_icon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48}) icon.addPixmap(QPixmap::fromImage(draw_goldfish(size)));
    return icon;
}

}  // namespace brine
