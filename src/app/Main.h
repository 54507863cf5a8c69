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

signals:
    void StatusTextChanged(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    enum class TActivity { Idle, Loading, Extracting };

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

    TPrompts& FPrompts;
    std::unique_ptr<THashTable> FDirIndex;
    std::unique_ptr<TPakReader> FReader;
    TDirectoryTreeModel* FTreeModel = nullptr;
    TFileListModel* FEmptyList = nullptr; // shown for a directory without files
    QLabel* FStatusLabel = nullptr;
    bool FArchiveOpen = false;
    bool FCancel = false;

    TActivity FActivity = TActivity::Idle;
    std::optional<QString> FPendingOpen; // asked for while a load was running
    bool FCloseRequested = false;
    int FEventIntervalMs = 20;
    QElapsedTimer FEventClock;
};
