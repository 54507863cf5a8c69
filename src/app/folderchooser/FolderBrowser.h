#pragma once

#include "FolderItem.h"

#include <QDialog>
#include <QSet>
#include <cstdint>
#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QTreeView;
class TFolderBrowser;
class TFolderTreeModel;

// What a caller hands the folder browser, and what it gets back besides the confirmed item.
struct TBrowseInfo {
    // The window the browser is modal to; none makes it modal to the whole application.
    QWidget* Owner = nullptr;
    // The top of the tree; none for the whole tree.
    std::optional<TFolderItem> Root;
    // The text above the tree.
    QString Title;
    // BIF_* bits: BIF_RETURNONLYFSDIRS enables OK for folders on disk only, BIF_STATUSTEXT shows
    // the status line. The browser has no computers, printers or domains to offer, so the other
    // bits change nothing.
    uint32_t Flags = 0;
    // Called once the browser exists, sized but not yet on screen; the caller may add controls
    // and send commands.
    std::function<void(TFolderBrowser& browser)> Initialized;
    // Called after every change of the selection, the initial one included.
    std::function<void(TFolderBrowser& browser, const TFolderItem& item)> SelectionChanged;

    // Written when an item is confirmed.
    QString DisplayName;
    int ImageIndex = 0;
};

// The modal folder-browsing dialog: a title, the folder tree, a status line, OK and Cancel.
// Controls a caller adds to it keep their distance from the lower edge when it is resized.
class TFolderBrowser : public QDialog {
    Q_OBJECT
public:
    // Runs the browser modally: the confirmed item, or none when it was cancelled or closed.
    static std::optional<TFolderItem> Browse(TBrowseInfo& info);

    // Selects an item of the tree and reports the change; an item outside the tree is ignored.
    void SetSelection(const TFolderItem& item);
    void EnableOk(bool enabled);
    void SetStatusText(const QString& text);

    std::optional<TFolderItem> CurrentItem() const;
    QString TitleText() const;
    QString StatusText() const;
    bool IsStatusLineShown() const;
    QPushButton* OkButton() const { return FOk; }
    QPushButton* CancelButton() const { return FCancel; }
    QTreeView* Tree() const { return FTree; }
    TFolderTreeModel* Model() const { return FModel; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    explicit TFolderBrowser(TBrowseInfo& info);
    void CurrentChanged(const QModelIndex& current);
    void Confirm();

    TBrowseInfo& FInfo;
    TFolderTreeModel* FModel;
    QLabel* FTitle;
    QTreeView* FTree;
    QLabel* FStatus;
    QPushButton* FOk;
    QPushButton* FCancel;
    QSet<QWidget*> FOwnWidgets;
    bool FInitialized = false;
    std::optional<TFolderItem> FConfirmed;
};

// The folder of a platform special-folder identifier (CSIDL_*), or none when this system has no
// such folder: the personal documents, the desktop folder, programs and fonts where they exist,
// and the computer node for CSIDL_DRIVES.
std::optional<TFolderItem> SpecialFolderLocation(int csidl);

// The browser's item for a folder path; none unless the path is an absolute path of a folder.
std::optional<TFolderItem> FolderItemForPath(const QString& path);
