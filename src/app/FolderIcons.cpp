#include "FolderIcons.h"

#include "PaintedIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {

const QColor kOutline(150, 110, 20);
const QColor kBack(233, 185, 60);
const QColor kFront(253, 216, 100);

// The folder is laid out on a 16 x 16 grid whose numbers are the pixel columns and rows of
// its lines at 16 pixels. At other sizes every corner lands on a whole device pixel and the
// lines are a whole number of pixels wide, so that straight edges stay sharp at 24 or 32
// pixels too; only slanted ones are smoothed.
void DrawFolder(QPainter& painter, int side, bool open) {
    const qreal scale = side / 16.0;
    const qreal line = std::max<qreal>(1, std::round(scale));
    const auto shape = [&](std::initializer_list<QPointF> corners) {
        QPainterPath path;
        for (const QPointF& corner : corners) {
            const QPointF at(std::round(corner.x() * scale) + line / 2,
                             std::round(corner.y() * scale) + line / 2);
            if (path.elementCount() == 0)
                path.moveTo(at);
            else
                path.lineTo(at);
        }
        path.closeSubpath();
        return path;
    };
    // Square corners stay square; the open flap's sharp ones are cut off instead of spiking.
    QPen pen(kOutline, line, Qt::SolidLine, Qt::SquareCap, Qt::SvgMiterJoin);
    pen.setMiterLimit(1.5);
    painter.setPen(pen);

    // Back of the folder with its tab.
    painter.setBrush(kBack);
    painter.drawPath(shape({{1, 13}, {1, 2}, {5, 2}, {7, 4}, {13, 4}, {13, 13}}));
    painter.setBrush(kFront);
    if (open) // the front flap tilted forward, showing the inside
        painter.drawPath(shape({{1, 13}, {4, 7}, {14, 7}, {12, 13}}));
    else
        painter.drawPath(shape({{1, 13}, {1, 6}, {13, 6}, {13, 13}}));
}

} // namespace

QIcon FolderIcon(int imageIndex) {
    static const QIcon open =
        PaintedIcon([](QPainter& painter, int side) { DrawFolder(painter, side, true); });
    static const QIcon closed =
        PaintedIcon([](QPainter& painter, int side) { DrawFolder(painter, side, false); });
    return imageIndex == 0 ? open : closed;
}
