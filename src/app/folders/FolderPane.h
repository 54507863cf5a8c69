#pragma once

#include <QObject>

class QMenu;
class QModelIndex;
class QTreeView;
class QWidget;
class TDirectoryTreeModel;
struct TDirNode;

// The directory tree on the left (tvDirectories) with its context menu (PopupMenu1): which
// folder is chosen, the open glyph of the chosen one, and dragging a folder out.
class TFolderPane : public QObject {
    Q_OBJECT
public:
    TFolderPane(TDirectoryTreeModel& model, QWidget* parent);

    QTreeView* tvDirectories() const { return FView; }
    QMenu* PopupMenu1() const { return FPopup; }
    TDirNode* SelectedNode() const;

    // A new tree is in the model: its folders opened, the root chosen.
    void ShowTree();
    // Chooses node and scrolls to it.
    void Select(const TDirNode* node);

signals:
    // A folder was chosen (by the user or by Select).
    void FolderChosen(TDirNode* node);
    // "Verzeichnis entpacken..." from the context menu.
    void ExtractRequested();
    // The user drags the chosen folder.
    void DragStarted(const TDirNode* node);

private:
    void CurrentChanged(const QModelIndex& current);

    TDirectoryTreeModel& FModel;
    QTreeView* FView;
    QMenu* FPopup;
};
