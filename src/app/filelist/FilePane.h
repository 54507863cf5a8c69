#pragma once

#include "FileListModel.h"

#include <QWidget>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QLineEdit;
class QMenu;
class QModelIndex;
class QTreeView;
class TArchiveSession;
class TContentFind;
class TFindBar;
class TFindJob;
class TPrompts;
class TStatusLine;
class TWindowState;
struct TDirNode;

// The files of the chosen folder, or the hits of a find, on the right (lvFiles): their columns
// (the optional ones of "Ansicht"), sorting by a click on a header, the selection of several
// files, the list's context menu (PopupFiles) with the paths to copy and the properties, and
// the find bar above the list (pnFind) whose hits take the folder's place until Escape.
class TFilePane : public QWidget {
    Q_OBJECT
public:
    TFilePane(TArchiveSession& session, TPrompts& prompts, TStatusLine& status, TWindowState& state,
              QWidget* parent);
    ~TFilePane() override;

    QTreeView* lvFiles() const { return FView; }
    QMenu* PopupFiles() const { return FPopup; }
    TFindBar* pnFind() const { return FFindBar; }
    QLineEdit* edFind() const;
    QAction* acFind() const { return FFindAction; }
    QAction* acShowInFolder() const { return FShowInFolder; }
    QAction* acCopyPaths() const { return FCopyPaths; }
    QAction* acProperties() const { return FProperties; }
    QAction* ColumnAction(TListColumn column) const;
    // "Größen lesbar": sizes in units rather than plain numbers, remembered.
    QAction* acReadableSizes() const { return FReadableSizes; }

    // The items of "Ansicht" (find, show in folder, the optional columns) into menu; preview
    // (shared with the menu "Entpacken") into the context menu.
    void FillViewMenu(QMenu* menu);
    // Another view of the list (the thumbnails) where the list is, below the find bar.
    void AddView(QWidget* view);
    void AddToContextMenu(QAction* preview);

    bool FindOpen() const { return FFindOpen; }
    // The entry a row of the list shows, or -1.
    static int32_t EntryOfItem(const QModelIndex& item);
    int32_t CurrentEntry() const;
    // For a hit of the find in the content: the number of its first matching line; else 0.
    uint64_t CurrentHitLine() const;
    int SelectedRowCount() const;
    // The first selected row's entry (-1 when none), as a single file is taken.
    int32_t FirstSelectedEntry() const;
    // The entries of the selected rows, in the list's order.
    std::vector<int32_t> SelectedEntries() const;

    // The list of node (nothing but the headers for none, or a folder without files). A find
    // that is open ends.
    void ShowFolder(const TDirNode* node);
    // Shows list (a comparison's) in place of the folder's until Escape, a folder, a find or the
    // archive's end takes its place; then OtherListClosed.
    void ShowOtherList(TFileListModel* list);
    bool OtherListShown() const { return FOther != nullptr; }
    // The archive goes: the find with it, and the list is empty.
    void ForgetArchive();
    void ShowEmpty();

    void Find();
    // The find in the files' content: the find bar opens with "im Inhalt" chosen.
    void FindInContent();
    void SetFindText(const QString& text);
    void CloseFind();
    // The folder of the current hit, with the hit chosen.
    void ShowInFolder();
    void CopyPaths();
    void ShowProperties();
    void Sort(int column);
    void ShowColumn(TListColumn column, bool shown);

signals:
    // A double-click on item.
    void FileActivated(const QModelIndex& item);
    // Enter, or "Entpacken..." of the context menu: the selected files.
    void ExtractRequested();
    // Space in the list.
    void PreviewRequested();
    void CurrentEntryChanged(int32_t entry);
    void DragStarted(const std::vector<int32_t>& entries);
    // The hit's folder is to be chosen in the tree (ShowInFolder).
    void FolderWanted(const TDirNode* node);
    // A find has put its hits in the list.
    void FindFinished(int hits);
    // The list of ShowOtherList is no longer shown.
    void OtherListClosed();
    // The selected rows, the rows shown or the list itself may have changed.
    void SelectionChanged();
    // lvFiles shows another model (with a selection model of its own).
    void ListChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateView();
    void CreateMenus();
    void ShowList(TFileListModel* list);
    TFileListModel* ShownList() const;
    // The order the user chose for every list (by a header), or the tree's own.
    std::pair<TListColumn, Qt::SortOrder> ChosenOrder() const;
    std::vector<TListColumn> ListColumns(bool hits) const;
    // An optional column was shown or hidden: remembered, and the list follows.
    void ColumnsChanged();
    void ApplyColumnWidths();
    void FoundHits(const QString& text);
    void PrepareFileView();
    // The find bar goes and the hits with it; the caller shows a folder's list.
    void EndFind();
    void IntoHits();
    void ShowFileCount();

    TArchiveSession& FSession;
    TPrompts& FPrompts;
    TStatusLine& FStatus;
    TWindowState& FState;
    TFindBar* FFindBar = nullptr;
    QTreeView* FView = nullptr;
    QMenu* FPopup = nullptr;
    QAction* FFindAction = nullptr;
    QAction* FShowInFolder = nullptr;
    QAction* FCopyPaths = nullptr;
    QAction* FProperties = nullptr;
    std::map<TListColumn, QAction*> FColumnActions;
    QAction* FReadableSizes = nullptr;
    TFileListModel* FEmptyList; // shown for a directory without files
    TFileListModel* FHits;
    TFileListModel* FOther = nullptr; // see ShowOtherList
    TContentFind* FContent;           // the find's "im Inhalt"

    std::unique_ptr<TFindJob> FFind;
    bool FFindOpen = false;
    std::optional<TListColumn> FSortColumn; // none: the tree's own order
    Qt::SortOrder FSortOrder = Qt::AscendingOrder;
    std::map<TListColumn, int> FColumnWidths;
    bool FApplyingWidths = false;
};
