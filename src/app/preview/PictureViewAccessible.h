#pragma once

#include "PictureView.h"

#include <QAccessibleWidget>

// The preview's picture as assistive technology reads it: a graphic whose value tells its size
// in pixels, or that there is none, with the size and place it is shown at.
class TPictureViewAccessible : public QAccessibleWidget, public QAccessibleImageInterface {
public:
    explicit TPictureViewAccessible(TPictureView* view);

    QString text(QAccessible::Text kind) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QString imageDescription() const override;
    QSize imageSize() const override;
    QPoint imagePosition() const override;

private:
    TPictureView* View() const;
};
