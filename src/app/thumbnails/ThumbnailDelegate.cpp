#include "ThumbnailDelegate.h"

#include "ThumbnailJob.h"
#include "ThumbnailView.h"

#include <QApplication>
#include <QPainter>

TThumbnailDelegate::TThumbnailDelegate(TThumbnailView& view)
    : QStyledItemDelegate(&view)
    , FView(view) {}

QSize TThumbnailDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return FView.CellSize();
}

void TThumbnailDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    FView.NotePainted(index.row());
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QWidget* widget = item.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    // The item's background: selection and focus as the style draws them.
    item.text.clear();
    item.icon = QIcon();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

    constexpr int kPad = 4;
    const int side = TThumbnailJob::kSide;
    const QRect square(option.rect.left() + (option.rect.width() - side) / 2,
                       option.rect.top() + kPad, side, side);
    bool picture = false;
    if (const QImage* thumbnail = FView.FThumbnailOf(index.row(), picture);
        thumbnail && !thumbnail->isNull()) {
        QRect at(QPoint(), thumbnail->size());
        at.moveCenter(square.center());
        painter->drawImage(at, *thumbnail);
    } else if (picture && !thumbnail) {
        painter->save();
        painter->setPen(option.palette.color(QPalette::Mid));
        painter->drawRect(square.adjusted(side / 4, side / 4, -side / 4, -side / 4));
        painter->restore();
    } else {
        const int iconSide = side / 2;
        const QIcon icon = style->standardIcon(QStyle::SP_FileIcon, nullptr, widget);
        QRect at(0, 0, iconSide, iconSide);
        at.moveCenter(square.center());
        icon.paint(painter, at);
    }

    const QRect textRect(option.rect.left() + kPad, square.bottom() + kPad,
                         option.rect.width() - 2 * kPad,
                         option.rect.bottom() - square.bottom() - kPad);
    const QString name = index.data(Qt::DisplayRole).toString();
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(textRect, Qt::AlignHCenter | Qt::AlignTop,
                      option.fontMetrics.elidedText(name, Qt::ElideMiddle, textRect.width()));
    painter->restore();
}
