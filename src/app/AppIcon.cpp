#include "AppIcon.h"

#include "PaintedIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kLid(0xc9, 0x8a, 0x1b);
const QColor kBody(0xf2, 0xb2, 0x33);
const QColor kIron(0x8a, 0x5a, 0x0b);
const QColor kLock(0x5b, 0x3a, 0x06);

// A chest of game data with a folder tab, on the 64 x 64 grid of the SVG file, shape for shape:
// a change to one belongs in the other.
void DrawChest(QPainter& painter, int side) {
    painter.scale(side / 64.0, side / 64.0);
    QPainterPath tab;
    tab.moveTo(6, 18);
    tab.lineTo(24, 18);
    tab.lineTo(29, 12);
    tab.lineTo(58, 12);
    tab.arcTo(QRectF(56, 12, 4, 4), 90, -90);
    tab.lineTo(60, 18);
    tab.closeSubpath();
    painter.fillPath(tab, kLid);

    painter.setPen(QPen(kIron, 2));
    painter.setBrush(kBody);
    painter.drawRoundedRect(QRectF(4, 18, 56, 38), 3, 3);
    painter.fillRect(QRectF(4, 30, 56, 4), kIron);

    painter.setPen(Qt::NoPen);
    painter.setBrush(kLock);
    painter.drawRoundedRect(QRectF(27, 26, 10, 12), 2, 2);
    painter.setBrush(kBody);
    painter.drawEllipse(QPointF(32, 32), 2, 2);
}

} // namespace

QIcon AppIcon() {
    static const QIcon icon = PaintedIcon(DrawChest);
    return icon;
}
