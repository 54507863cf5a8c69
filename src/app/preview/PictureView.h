#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

// One picture, centred: made smaller to fit, and small ones larger by whole factors, so that
// the pixels of an icon stay sharp. Assistive technology is told its size (see
// TPictureViewAccessible).
class TPictureView : public QWidget {
    Q_OBJECT
public:
    explicit TPictureView(QWidget* parent = nullptr);

    void SetPicture(const QImage& picture);
    // The size the picture is shown at.
    QSize ShownSize() const;
    // Its own size in pixels; empty without one.
    QSize PictureSize() const { return FPicture.size(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage FPicture;
    QPixmap FScaled; // for the current size; made when first painted
};
