#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace {

// Room for the window's frame, which is not known before it is shown: a usual title bar and
// borders.
constexpr QSize kFrameRoom(16, 48);

} // namespace

void PlaceCentred(QWidget& window, QSize size) {
    window.resize(size);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        window.resize(window.size().boundedTo(available.size() - kFrameRoom));
        const QPoint centred = available.center() - window.rect().center();
        window.move(std::max(centred.x(), available.left()),
                    std::max(centred.y(), available.top()));
    }
}
