#pragma once

#include "ExtractionJob.h"
#include "RunStatus.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QFrame;
class QLabel;
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
class TFileListModel;
class THashTable;
class TPBFolderDialog;
class TPakReader;
class TPreviewDialog;
class TPrompts;
class TWindowState;
struct TDirNode;

// The main window: a directory tree on the left, the selected directory's files on the right,
// the commands to open archives and extract files, and a progress panel for long extractions.
//
// Loading and extracting run as jobs of their own (TArchiveLoad, TExtractionJob) on threads of
// their own: the commands start them and return, the window shows what they report and may ask
// them to stop, and its own thread stays free for painting and input. What stays reachable
// meanwhile is settled here: opening an archive during a load ends the running load and then
// opens the new one; during an extraction or a check, opening, extracting and checking are
// refused with a message before any dialog opens, while the preview stays open to use; closing
// the window waits until the running job has ended (an extraction or check is cancelled first).
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
    // Shows the file list's current file in the preview window.
    void PreviewCommand();
    // Checks every entry of the archive, writing nothing.
    void CheckArchiveCommand();

    bool ArchiveOpen() const { return FArchiveOpen; }
    bool CancelRequested() const { return FCancel; }
    // A load, an extraction or a check is running.
    bool Busy() const { return FActivity != TActivity::Idle; }
    QString StatusText() const;
    const TPakReader& Reader() const { return *FReader; }
    TDirectoryTreeModel& DirectoryModel() const { return *FTreeModel; }
    // How often the progress panel is brought up to date; 0 means before every file, with the
    // extraction waiting until the window has handled its events (as tests want it).
    void SetEventInterval(int milliseconds) { FEventIntervalMs = milliseconds; }
    // How many files an extraction writes at once.
    void SetWorkerCount(int workers) { FWorkerCount = workers; }

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
    QMenu* mnHelp = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* acOpen = nullptr;
    QAction* acExit = nullptr;
    QAction* acExtractSelected = nullptr;
    QAction* acExtractAll = nullptr;
    QAction* acExtractDirectory = nullptr;
    QAction* acAbout = nullptr;
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

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    enum class TActivity { Idle, Loading, Extracting, Checking };

    // Geometry of the progress panel, which is fixed in pixels of a 13-pixel font.
    static constexpr int kPanelHeight = 89;
    int Scaled(int pixels) const;
    void CreateControls();
    void CreateMenus();
    void CreateRecentList(std::shared_ptr<IRegistryStore> store);
    // The application's error display around one command.
    template <class Command> void Run(Command&& command);
    void ShowError(const QString& message);
    void SetStatusText(const QString& text);
    void UpdateFileCountStatus();
    bool RequireArchive();
    // An extraction or a check is running: says so, and the command stops.
    bool RefuseWhileExtracting();
    void AfterCommand();

    void OpenArchive(const QString& fileName);
    void StartLoad(const QString& fileName);
    void ForgetLoad();
    void LoadEnded();
    void InstallTree();
    void CloseArchive();
    void DirectoryChanged(const QModelIndex& current);
    TDirNode* SelectedNode() const;
    // The entry a row of the file list shows, or -1.
    int32_t EntryOfItem(const QModelIndex& item) const;
    void FileChanged(const QModelIndex& current);

    void ExtractSelectedFile(const QModelIndex& item);
    void ExtractAllFiles();
    void ExtractDirectory();
    bool AskDestination(QString& folder);
    // The panel and a multi-file job for items below folder.
    void ExtractItems(const QString& folder, std::vector<TExtractionJob::TItem> items);
    void StartExtraction(std::unique_ptr<TExtractionJob> job);
    void ExtractionStepped(int32_t index);
    void ExtractionEnded();
    void RefreshPanel();
    void ShowExtractPanel();

    // Runs over many files (MainRuns.cpp): the check, the status line, damaged entries and the
    // summary.
    void CheckArchive();
    void CheckEnded();
    std::optional<TJobProgress> RunProgress() const;
    void ShowRunStatus(const TJobProgress& progress);
    void ShowRunSummary(const TRunStatus::TOutcome& outcome);
    void ReportDamaged(int32_t index);
    QStringList DamagedList(const std::vector<int32_t>& entries) const;
    void OpenRunFolder();

    TPrompts& FPrompts;
    std::unique_ptr<TWindowState> FState;
    std::unique_ptr<THashTable> FDirIndex;
    std::unique_ptr<TPakReader> FReader;
    TDirectoryTreeModel* FTreeModel = nullptr;
    TFileListModel* FEmptyList = nullptr; // shown for a directory without files
    QLabel* FStatusLabel = nullptr;
    bool FArchiveOpen = false;
    bool FCancel = false;

    TActivity FActivity = TActivity::Idle;
    std::unique_ptr<TArchiveLoad> FLoad;
    std::unique_ptr<TExtractionJob> FJob;
    std::unique_ptr<TCheckJob> FCheck;
    std::optional<TRunStatus> FRun; // the status line of the run over many files going on
    QString FRunFolder;             // where it writes; empty for a check
    std::vector<int32_t> FDamaged;  // found by the run, in the order they were found
    bool FDamagedQuiet = false;     // the user wants the rest of them in the summary only

    bool FSingleFile = false; // the job writes one file through the save dialog
    QElapsedTimer FJobClock;  // since the job started
    QTimer* FPanelTimer = nullptr;
    std::optional<QString> FPendingOpen; // asked for while a load was running
    bool FCloseRequested = false;
    int FEventIntervalMs = 100;
    int FWorkerCount;
};
