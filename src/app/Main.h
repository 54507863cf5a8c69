#pragma once

#include "ExtractionJob.h"

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
class TDirectoryTreeModel;
class TFileListModel;
class THashTable;
class TPBFolderDialog;
class TPakReader;
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
// opens the new one; during an extraction, opening and a second extraction are refused with a
// message before any dialog opens; closing the window waits until the running job has ended (an
// extraction is cancelled first).
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

    bool ArchiveOpen() const { return FArchiveOpen; }
    bool CancelRequested() const { return FCancel; }
    // A load or an extraction is running.
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
    enum class TActivity { Idle, Loading, Extracting };

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
    void ShowDamagedMessage(const std::string& message);

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
    bool FSingleFile = false; // the job writes one file through the save dialog
    QElapsedTimer FJobClock;  // since the job started
    QTimer* FPanelTimer = nullptr;
    std::optional<QString> FPendingOpen; // asked for while a load was running
    bool FCloseRequested = false;
    int FEventIntervalMs = 100;
    int FWorkerCount;
};
