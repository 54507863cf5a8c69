#include "ThumbnailView.h"

#include "ThumbnailDelegate.h"
#include "ThumbnailJob.h"

#include <QPaintEvent>

TThumbnailView::TThumbnailView(TThumbnailOf thumbnailOf, QWidget* parent)
    : QListView(parent)
    , FThumbnailOf(std::move(thumbnailOf)) {
    setItemDelegate(new TThumbnailDelegate(*this));
    // A grid in rows, left to right: laid out by arithmetic however many files there are,
    // which the free placement of the icon mode is not.
    setViewMode(QListView::ListMode);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(true);
    setGridSize(CellSize());
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
}

QSize TThumbnailView::CellSize() const {
    return QSize(TThumbnailJob::kSide + 24, TThumbnailJob::kSide + fontMetrics().height() + 12);
}

void TThumbnailView::doItemsLayout() {
    FFirst = FLast = -1;
    QListView::doItemsLayout();
}

void TThumbnailView::NotePainted(int row) {
    FPaintFirst = FPaintFirst < 0 ? row : std::min(FPaintFirst, row);
    FPaintLast = std::max(FPaintLast, row);
}

void TThumbnailView::paintEvent(QPaintEvent* event) {
    FPaintFirst = FPaintLast = -1;
    QListView::paintEvent(event);
    // A paint of a part (one thumbnail that arrived) says nothing of what is on show.
    if (event->rect() != viewport()->rect() || FPaintFirst < 0)
        return;
    if (FPaintFirst != FFirst || FPaintLast != FLast) {
        FFirst = FPaintFirst;
        FLast = FPaintLast;
        emit ShownRowsChanged(FFirst, FLast);
    }
}

void TThumbnailView::scrollContentsBy(int dx, int dy) {
    QListView::scrollContentsBy(dx, dy);
    // Painted whole rather than the strip scrolled in, so that the paint tells all rows on show.
    viewport()->update();
}

void TThumbnailView::startDrag(Qt::DropActions) {
    if (OnStartDrag)
        OnStartDrag();
}
