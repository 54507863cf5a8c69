#include "PictureViewAccessible.h"

TPictureViewAccessible::TPictureViewAccessible(TPictureView* view)
    : QAccessibleWidget(view, QAccessible::Graphic) {}

TPictureView* TPictureViewAccessible::View() const {
    return static_cast<TPictureView*>(widget());
}

QString TPictureViewAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Value)
        return imageDescription();
    return QAccessibleWidget::text(kind);
}

void* TPictureViewAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ImageInterface)
        return static_cast<QAccessibleImageInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString TPictureViewAccessible::imageDescription() const {
    const QSize size = View()->PictureSize();
    if (size.isEmpty())
        return QStringLiteral("Kein Bild");
    return QStringLiteral("Bild, %1 × %2 Pixel").arg(size.width()).arg(size.height());
}

QSize TPictureViewAccessible::imageSize() const {
    return View()->ShownSize();
}

QPoint TPictureViewAccessible::imagePosition() const {
    const QSize shown = View()->ShownSize();
    const QPoint corner((View()->width() - shown.width()) / 2,
                        (View()->height() - shown.height()) / 2);
    return View()->mapToGlobal(corner);
}
