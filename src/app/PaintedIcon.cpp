#include "PaintedIcon.h"

#include <QApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

namespace {

class TPaintedIconEngine : public QIconEngine {
public:
    explicit TPaintedIconEngine(TIconDrawing draw)
        : FDraw(draw) {}

    QIconEngine* clone() const override { return new TPaintedIconEngine(FDraw); }

    // The pictures are square: the largest square that fits.
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = std::min(size.width(), size.height());
        return {side, side};
    }

    // QIcon asks for the size in device pixels already.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        const int side = std::min(size.width(), size.height());
        if (side <= 0)
            return {};
        const int key = side * 4 + mode; // four modes
        if (const auto found = FCache.constFind(key); found != FCache.cend())
            return *found;
        QPixmap picture(side, side);
        picture.fill(Qt::transparent);
        {
            QPainter painter(&picture);
            painter.setRenderHint(QPainter::Antialiasing);
            FDraw(painter, side);
        }
        // Disabled and selected pictures as the style makes them of bitmaps (greyed, tinted).
        if (mode != QIcon::Normal) {
            QStyleOption option;
            option.palette = QGuiApplication::palette();
            picture = QApplication::style()->generatedIconPixmap(mode, picture, &option);
        }
        FCache.insert(key, picture);
        return picture;
    }

    // Views paint their icons through here: the picture gets one pixel per device pixel.
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal ratio = painter->device()->devicePixelRatio();
        const QPixmap picture = pixmap(rect.size() * ratio, mode, state);
        const QSizeF size = QSizeF(picture.size()) / ratio;
        const QPointF corner(rect.x() + (rect.width() - size.width()) / 2,
                             rect.y() + (rect.height() - size.height()) / 2);
        painter->drawPixmap(QRectF(corner, size), picture, QRectF(picture.rect()));
    }

private:
    TIconDrawing FDraw;
    // One picture per side and mode: a view asks again on every repaint.
    QHash<int, QPixmap> FCache;
};

} // namespace

QIcon PaintedIcon(TIconDrawing draw) {
    return QIcon(new TPaintedIconEngine(draw));
}
