#pragma once

#include <QTreeView>
#include <algorithm>
#include <functional>

// A tree view whose drags the window makes itself: what is dragged out of the archive must be
// extracted first, which the view's own drag of model data knows nothing of.
class TDragView : public QTreeView {
public:
    using QTreeView::QTreeView;
    std::function<void()> OnStartDrag;

protected:
    void startDrag(Qt::DropActions) override {
        if (OnStartDrag)
            OnStartDrag();
    }
};

// Shift+F10 and the Menu key in view: its context menu at the current item, inside the item a
// little to the right of its start, as the mouse would have asked for it.
inline void RequestContextMenuAtCurrent(QAbstractItemView* view) {
    if (!view->currentIndex().isValid())
        return;
    view->scrollTo(view->currentIndex());
    const QRect item = view->visualRect(view->currentIndex());
    emit view->customContextMenuRequested(
        QPoint(std::min(item.left() + item.height(), item.right()), item.bottom()));
}
