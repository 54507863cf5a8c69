// The window's keyboard beyond the menus' own shortcuts: F10 into the menu bar, Shift+F10 and
// the Menu key for the context menu of the focused view, at its current item.
#include "Main.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QTreeView>

void TfrmMain::CreateKeys() {
    connect(new QShortcut(Qt::Key_F10, this), &QShortcut::activated, this,
            &TfrmMain::MenuBarCommand);
    for (const QKeySequence& keys :
         {QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this,
                &TfrmMain::ContextMenuCommand);
}

void TfrmMain::MenuBarCommand() {
    menuBar()->setActiveAction(mnFile->menuAction());
}

void TfrmMain::ContextMenuCommand() {
    QTreeView* view = lvFiles->hasFocus()         ? lvFiles
                      : tvDirectories->hasFocus() ? tvDirectories
                                                  : nullptr;
    if (!view || !view->currentIndex().isValid())
        return;
    view->scrollTo(view->currentIndex());
    // Inside the item, a little to the right of its start, as the mouse would have asked.
    const QRect item = view->visualRect(view->currentIndex());
    emit view->customContextMenuRequested(
        QPoint(std::min(item.left() + item.height(), item.right()), item.bottom()));
}
