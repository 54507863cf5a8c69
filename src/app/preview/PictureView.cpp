#include "PictureView.h"

#include "LineViewAccessible.h"

#include <QPainter>
#include <cmath>

TPictureView::TPictureView(QWidget* parent)
    : QWidget(parent) {
    InstallPreviewAccessibility();
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

void TPictureView::SetPicture(const QImage& picture) {
    FPicture = picture;
    FScaled = QPixmap();
    update();
}

QSize TPictureView::ShownSize() const {
    if (FPicture.isNull() || width() <= 0 || height() <= 0)
        return {};
    const double fit =
        std::min(double(width()) / FPicture.width(), double(height()) / FPicture.height());
    if (fit < 1)
        return FPicture.size().scaled(size(), Qt::KeepAspectRatio);
    return FPicture.size() * std::floor(fit);
}

void TPictureView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FScaled = QPixmap();
}

void TPictureView::paintEvent(QPaintEvent*) {
    const QSize shown = ShownSize();
    if (shown.isEmpty())
        return;
    if (FScaled.size() != shown) {
        const bool smaller = shown.width() < FPicture.width();
        FScaled = QPixmap::fromImage(
            FPicture.scaled(shown, Qt::IgnoreAspectRatio,
                            smaller ? Qt::SmoothTransformation : Qt::FastTransformation));
    }
    QPainter painter(this);
    painter.drawPixmap((width() - shown.width()) / 2, (height() - shown.height()) / 2, FScaled);
}
