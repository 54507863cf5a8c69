#pragma once

#include <QTreeView>
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
