#include "FolderIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

const QColor kOutline(150, 110, 20);
const QColor kBack(233, 185, 60);
const QColor kFront(253, 216, 100);

QPixmap Draw(bool open) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kOutline, 1));

    // Back of the folder with its tab.
    QPainterPath back;
    back.moveTo(1.5, 13.5);
    back.lineTo(1.5, 3.5);
    back.lineTo(6.0, 3.5);
    back.lineTo(7.5, 5.0);
    back.lineTo(13.5, 5.0);
    back.lineTo(13.5, 13.5);
    back.closeSubpath();
    p.setBrush(kBack);
    p.drawPath(back);

    QPainterPath front;
    if (open) {
        // The front flap tilted forward, showing the inside.
        front.moveTo(1.5, 13.5);
        front.lineTo(4.0, 7.5);
        front.lineTo(15.0, 7.5);
        front.lineTo(12.5, 13.5);
    } else {
        front.moveTo(1.5, 13.5);
        front.lineTo(1.5, 6.5);
        front.lineTo(13.5, 6.5);
        front.lineTo(13.5, 13.5);
    }
    front.closeSubpath();
    p.setBrush(kFront);
    p.drawPath(front);
    return pixmap;
}

} // namespace

QIcon FolderIcon(int imageIndex) {
    static const QIcon open(Draw(true));
    static const QIcon closed(Draw(false));
    return imageIndex == 0 ? open : closed;
}
