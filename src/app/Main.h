#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <memory>
#include <optional>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTreeView;
class IRegistryStore;
class TadpMRU;
class TDirectoryTreeModel;
class TFileListModel;
class THashTable;
class TExtractor;
class TPBFolderDialog;
class TPakReader;
class TPrompts;
struct TDirNode;

// The main window: a directory tree on the left, the selected directory's files on the right,
// the commands to open archives and extract files, and a progress panel for long extractions.
//
// Loading and extracting process pending events so that the window repaints and "Abbrechen"
// works. What that makes reachable meanwhile is settled here: opening an archive during a load
// ends the running load and then opens the new one; during an extraction, opening and a second
// extraction are refused with a message; closing the window waits until the running command has
// returned (an extraction is cancelled first).
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
    QString StatusText() const;
    const TPakReader& Reader() const { return *FReader; }
    TDirectoryTreeModel& DirectoryModel() const { return *FTreeModel; }
    // How often long operations let the window handle events; 0 means after every entry.
    void SetEventInterval(int milliseconds) { FEventIntervalMs = milliseconds; }

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
    // The progress panel was brought up to date: the file about to be extracted and the bar's
    // position. Sent whenever the window handles events during an extraction.
    void ExtractProgress(const QString& name, int position);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    enum class TActivity { Idle, Loading, Extracting };

    // The window's activity for the life of one load or extraction.
    class TScopedActivity {
    public:
        TScopedActivity(TActivity& target, TActivity value)
            : FTarget(target)
            , FOld(target) {
            FTarget = value;
        }
        ~TScopedActivity() { FTarget = FOld; }
        TScopedActivity(const TScopedActivity&) = delete;
        TScopedActivity& operator=(const TScopedActivity&) = delete;

    private:
        TActivity& FTarget;
        TActivity FOld;
    };

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
    bool EventsDue() const;
    void ProcessEvents();
    void AfterCommand();

    void OpenArchive(const QString& fileName);
    // Loads one archive; false when a newer open request ended it early.
    bool LoadArchive(const QString& fileName);
    void CloseArchive();
    TDirNode* AddDirectoryPath(TDirNode* start, std::string_view path);
    void DirectoryChanged(const QModelIndex& current);
    TDirNode* SelectedNode() const;

    void ExtractSelectedFile(const QModelIndex& item);
    void ExtractAllFiles();
    void ExtractDirectory();
    bool AskDestination(QString& folder);
    // Runs one multi-file extraction with the panel shown, then hides it and reports refused
    // entries, also when an error ends it.
    template <class Body> void RunExtraction(const QString& folder, Body&& body);
    void ShowExtractPanel();
    bool ReportProgress(int32_t index);
    void WalkDirectoryNode(const TDirNode* node, TExtractor* extractor, size_t prefixLength,
                           int& total);
    void ShowDamagedMessage(const std::string& message);

    TPrompts& FPrompts;
    std::unique_ptr<THashTable> FDirIndex;
    std::unique_ptr<TPakReader> FReader;
    TDirectoryTreeModel* FTreeModel = nullptr;
    TFileListModel* FEmptyList = nullptr; // shown for a directory without files
    QLabel* FStatusLabel = nullptr;
    bool FArchiveOpen = false;
    bool FCancel = false;
    int FProgressPosition = 0;

    TActivity FActivity = TActivity::Idle;
    std::optional<QString> FPendingOpen; // asked for while a load was running
    bool FCloseRequested = false;
    int FEventIntervalMs = 20;
    QElapsedTimer FEventClock;
};
