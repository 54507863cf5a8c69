#pragma once

#include "Exception.h"
#include "ExtractionJob.h"
#include "FileListModel.h"
#include "RunController.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMimeData;
class QMenu;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTreeView;
class IRegistryStore;
class QTimer;
class TadpMRU;
class TArchiveLoad;
class TCheckJob;
class TDirectoryTreeModel;
class TFindJob;
class TPBFolderDialog;
class TPakReader;
class TPreviewDialog;
class TPrompts;
class TStatusLine;
class TWindowState;
struct TDirNode;
struct TDragCopy;

// The main window: a directory tree on the left, the selected directory's files on the right,
// the commands to open archives and extract files, and a progress panel for long extractions.
//
// Loading and extracting run as jobs of their own (TArchiveLoad, TExtractionJob) on threads of
// their own: the commands start them and return, the window shows what they report and may ask
// them to stop, and its own thread stays free for painting and input. What stays reachable
// meanwhile is settled here: opening an archive during a load ends the running load and then
// opens the new one; during an extraction or a check, opening, extracting and checking are
// refused with a message before any dialog opens, while the preview stays open to use; closing
// the window waits until the running job has ended (an extraction or check is cancelled first,
// once the user has agreed to it).
// The check (TCheckJob) and the preview's reading (TPreviewJob, behind TPreviewDialog) are jobs
// of the same kind.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    // store: where the recent archives are kept; nullptr takes the user's own store.
    explicit TfrmMain(TPrompts& prompts, std::shared_ptr<IRegistryStore> store = nullptr,
                      QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The commands, as menu items, shortcuts, buttons and double-clicks run them. Each shows its
    // errors in the application's error box and never lets an exception escape.
    void OpenCommand();
    void OpenArchiveCommand(const QString& fileName);
    void ExitCommand();
    void AboutCommand();
    void ExtractSelectedFileCommand();
    void ExtractAllFilesCommand();
    void ExtractDirectoryCommand();
    void CancelCommand();
    // The find over the names of the whole archive (Ctrl+F); its hits replace the folder's
    // list until Escape closes the find.
    void FindCommand();
    void SetFindText(const QString& text);
    void CloseFindCommand();
    // The folder of the current hit, with the hit selected (Ctrl+L).
    void ShowInFolderCommand();
    // The archive paths of the selected files, one per line.
    void CopyPathsCommand();
    void PropertiesCommand();
    // As a click on the column's header: sorts by it, a second time in reverse.
    void SortCommand(int column);
    // The optional columns of the menu "Ansicht".
    void ShowColumnCommand(TListColumn column, bool shown);
    // Shows the file list's current file in the preview window.
    void PreviewCommand();
    // Checks every entry of the archive, writing nothing.
    void CheckArchiveCommand();
    // F10: the menu bar, with its first menu open.
    void MenuBarCommand();
    // Shift+F10 and the Menu key: the context menu of the focused view, at its current item.
    void ContextMenuCommand();

    bool ArchiveOpen() const { return FArchiveOpen; }
    bool FindOpen() const { return FFindOpen; }
    // What a drag of these entries offers: their files, extracted below a temporary folder once a
    // drop target asks for them (by a job that the drop waits for, with the panel and cancel if
    // it takes long), and removed when the data goes. Entries are files of the list; a folder
    // node brings everything below it. Refused with a message (nullptr) when the files would not
    // fit into the temporary folder.
    QMimeData* CreateDragData(const std::vector<int32_t>& entries, const TDirNode* folder);
    bool CancelRequested() const { return FRuns->CancelRequested(); }
    // A load, an extraction or a check is running.
    bool Busy() const { return FLoad || FRuns->Running(); }
    QString StatusText() const;
    const TPakReader& Reader() const { return *FReader; }
    TDirectoryTreeModel& DirectoryModel() const { return *FTreeModel; }
    // How often the progress panel is brought up to date; 0 means before every file, with the
    // extraction waiting until the window has handled its events (as tests want it).
    void SetEventInterval(int milliseconds) { FRuns->SetEventInterval(milliseconds); }
    // How many files an extraction writes at once.
    void SetWorkerCount(int workers) { FRuns->SetWorkerCount(workers); }

    // Controls, named by kind and role.
    QTreeView* tvDirectories = nullptr;
    QSplitter* Splitter1 = nullptr;
    QTreeView* lvFiles = nullptr;
    QFrame* pnExtract = nullptr;
    QLabel* lbExtract = nullptr;
    QProgressBar* pbProgress = nullptr;
    QPushButton* btCancel = nullptr;
    QMenu* mnFile = nullptr;
    QMenu* mnRecent = nullptr; // "Erneut öffnen"
    QMenu* mnExtract = nullptr;
    QMenu* mnView = nullptr; // "Ansicht"
    QMenu* mnHelp = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QMenu* PopupFiles = nullptr; // the file list's context menu
    QWidget* pnFind = nullptr;
    QLineEdit* edFind = nullptr;
    QAction* acOpen = nullptr;
    QAction* acExit = nullptr;
    QAction* acExtractSelected = nullptr;
    QAction* acExtractAll = nullptr;
    QAction* acExtractDirectory = nullptr;
    QAction* acAbout = nullptr;
    QAction* acFind = nullptr;
    QAction* acShowInFolder = nullptr;
    QAction* acCopyPaths = nullptr;
    QAction* acProperties = nullptr;
    QAction* acColumnUnpacked = nullptr;
    QAction* acColumnRatio = nullptr;
    QAction* acColumnKind = nullptr;
    QAction* acPreview = nullptr;        // "Vorschau"
    QAction* acCheck = nullptr;          // "Archiv prüfen..."
    QPushButton* btOpenFolder = nullptr; // beside a run's summary in the status bar
    TPreviewDialog* dlgPreview = nullptr;
    TadpMRU* adpMRU1 = nullptr; // the recent archives of "Erneut öffnen"
    TPBFolderDialog* PBFolderDialog1 = nullptr;

signals:
    void StatusTextChanged(const QString& text);
    // The progress panel was brought up to date: the file being extracted and the bar's
    // position.
    void ExtractProgress(const QString& name, int position);
    // An extraction has ended and the window has shown what it reported.
    void ExtractionFinished();
    // A find has put its hits in the list.
    void FindFinished(int hits);

protected:
    // Closing during an extraction or a check asks first; the run is cancelled, and the window
    // closes once it has ended.
    void closeEvent(QCloseEvent* event) override;
    // The keys of the file list and the find field.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateControls();
    void CreateMenus();
    void CreateRecentList(std::shared_ptr<IRegistryStore> store);
    void CreateFindBar(QWidget* parent);
    void CreateListMenus();
    void CreateKeys();
    // The application's error display around one command.
    template <class Command> void Run(Command&& command);
    void ShowError(const QString& message);
    void SetStatusText(const QString& text);
    void UpdateFileCountStatus();
    bool RequireArchive();
    // A command for the list's file found none: the status line says so.
    void SayNothingSelected();
    // An extraction or a check is running: says so, and the command stops.
    bool RefuseWhileExtracting();
    void AfterCommand();
    // Whether the user wants to close although a run goes on (asks only when one does).
    bool ConfirmClose();

    void OpenArchive(const QString& fileName);
    void StartLoad(const QString& fileName);
    void ForgetLoad();
    // The message of a recent archive that is gone, with the offer to take it off the list.
    void OfferToForget(const QString& fileName, const QString& message);
    void LoadEnded();
    void InstallTree();
    void CloseArchive();
    void DirectoryChanged(const QModelIndex& current);
    TDirNode* SelectedNode() const;
    // The entry a row of the file list shows, or -1.
    int32_t EntryOfItem(const QModelIndex& item) const;
    void FileChanged(const QModelIndex& current);

    // The list the file view shows: its columns, widths and order made as the user chose them.
    void ShowList(TFileListModel* list);
    TFileListModel* ShownList() const;
    // The order the user chose for every list (by a header), or the tree's own.
    std::pair<TListColumn, Qt::SortOrder> ChosenOrder() const;
    std::vector<TListColumn> ListColumns(bool hits) const;
    // An optional column was shown or hidden: remembered, and the list follows.
    void ColumnsChanged();
    void ApplyColumnWidths();
    // The entries of the selected rows, in the list's order.
    std::vector<int32_t> SelectedEntries() const;
    void FoundHits(const QString& text);
    void PrepareFileView();
    // The find bar goes and the hits with it; the caller shows a folder's list.
    void EndFind();
    void StartDrag(const std::vector<int32_t>& entries, const TDirNode* folder);
    // A drop target asks for a drag's files: they are written, and the drop waits for them.
    void WriteDragCopy(TDragCopy& copy);
    // The copies of earlier drags go, and their data offers nothing any more.
    void RemoveDragCopies();
    // The true size of an entry that declares more, once it is known.
    std::optional<uint64_t> RealSize(int32_t entry) const;

    void ExtractSelectedFile(const QModelIndex& item);
    // The selected files into a folder the user chooses (the hits of a find with their folders).
    void ExtractSelectedFiles(const std::vector<int32_t>& entries);
    void ExtractAllFiles();
    void ExtractDirectory();
    bool AskDestination(QString& folder);
    // The files of node and every folder below it, in the tree's order, with cut bytes cut from
    // the front of their directories.
    std::vector<TExtractionJob::TItem> ItemsBelow(const TDirNode* node, uint32_t cut) const;
    // The panel and a multi-file job for items below folder.
    void ExtractItems(const QString& folder, std::vector<TExtractionJob::TItem> items);
    void CheckArchive();

    TPrompts& FPrompts;
    std::unique_ptr<TWindowState> FState;
    std::unique_ptr<TPakReader> FReader;
    TDirectoryTreeModel* FTreeModel = nullptr;
    TFileListModel* FEmptyList = nullptr; // shown for a directory without files
    // The tree's own order: entries by position, and each entry's position.
    std::shared_ptr<const std::vector<int32_t>> FTreeOrder;
    std::vector<int32_t> FTreeRank;

    std::unique_ptr<TFindJob> FFind;
    TFileListModel* FHits = nullptr;
    bool FFindOpen = false;
    std::optional<TListColumn> FSortColumn; // none: the tree's own order
    Qt::SortOrder FSortOrder = Qt::AscendingOrder;
    std::map<TListColumn, int> FColumnWidths;
    bool FApplyingWidths = false;
    // The drags whose data may still be asked for, or whose copies may still be in use.
    std::vector<std::weak_ptr<TDragCopy>> FDragCopies;
    TStatusLine* FStatusLabel = nullptr;
    TRunController* FRuns = nullptr;
    bool FArchiveOpen = false;

    std::unique_ptr<TArchiveLoad> FLoad;
    // Entries whose content turned out smaller than they declare (read by the preview or
    // written by an extraction), with their true sizes.
    std::unordered_map<int32_t, uint64_t> FRealSizes;
    std::optional<QString> FPendingOpen; // asked for while a load was running
    QString FRecentClicked;              // chosen from "Erneut öffnen", until its load ends
    bool FCloseRequested = false;
};

template <class Command> void TfrmMain::Run(Command&& command) {
    try {
        command();
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(ErrorText(e)));
    } catch (...) {
        ShowError(QStringLiteral("Unbekannter Fehler"));
    }
    AfterCommand();
}
