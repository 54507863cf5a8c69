#pragma once

#include <QStyledItemDelegate>

class TThumbnailView;

// Paints one item of the thumbnail grid: the picture centred in its square, or a file icon,
// and the name below, elided; notes each row painted with its view.
class TThumbnailDelegate : public QStyledItemDelegate {
public:
    explicit TThumbnailDelegate(TThumbnailView& view);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    TThumbnailView& FView;
};
