#pragma once

#include "ArchiveSession.h"
#include "CommandRunner.h"
#include "FileListModel.h"
#include "FilePane.h"
#include "RunController.h"
#include "StatusLine.h"

#include <QMainWindow>
#include <memory>

class QAction;
class QMenu;
class QMimeData;
class QModelIndex;
class QSplitter;
class IRegistryStore;
class TDirectoryTreeModel;
class TDragSource;
class TExtractionCommands;
class TFolderPane;
class TOpenCommand;
class TPathBar;
class TPakReader;
class TPreviewDialog;
class TPrompts;
class TRecentArchives;
class TColorScheme;
class TSelectionStatus;
class TThumbnails;
class TCompareCommand;
class TUpdateCommand;
class TWindowState;
struct TDirNode;

// The main window, as a frame: the menus, the splitter with the folder pane on the left and the
// file list pane on the right, the status bar, and the features the commands hand on to (the
// archive session, the run controller with its progress panel, the extraction commands, the
// drag source, the preview). It connects them, runs every command inside the application's
// error display, and handles the close and an archive dropped onto it.
//
// What stays reachable while a job runs is settled here: opening an archive during a load ends
// the running load and then opens the new one; during an extraction or a check, opening,
// extracting and checking are refused with a message before any dialog opens, while the preview
// stays open to use; closing the window waits until the running job has ended (an extraction or
// check is cancelled first, once the user has agreed to it).
class TfrmMain : public QMainWindow, private ICommandRunner {
    Q_OBJECT
public:
    // The frame's own controls: its menus and their items, and the splitter.
    struct TControls {
        QSplitter* Splitter1 = nullptr;
        QMenu* mnFile = nullptr;
        QMenu* mnRecent = nullptr; // "Erneut öffnen"
        QMenu* mnExtract = nullptr;
        QMenu* mnView = nullptr; // "Ansicht"
        QMenu* mnHelp = nullptr;
        QAction* acOpen = nullptr;
        QAction* acCompare = nullptr; // "Vergleichen mit..."
        QAction* acUpdate = nullptr;  // "Archiv mit Ordner aktualisieren..."
        QAction* acExit = nullptr;
        QAction* acExtractSelected = nullptr;
        QAction* acExtractAll = nullptr;
        QAction* acExtractDirectory = nullptr;
        QAction* acPreview = nullptr; // "Vorschau"
        QAction* acCheck = nullptr;   // "Archiv prüfen..."
        QAction* acAbout = nullptr;
    };

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
    // The same over the files' content (Ctrl+Umschalt+F): "im Inhalt" in the find bar.
    void FindInContentCommand();
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
    // The selected file in the desktop's program for it, or (choose) in one the user chooses.
    void OpenFileCommand(bool choose);
    // Checks every entry of the archive, writing nothing.
    void CheckArchiveCommand();
    // A new archive from the open one and a folder of edited and added files.
    void UpdateArchiveCommand();
    // What changed since an older version of the open archive, in the file list.
    void CompareCommand();
    // F10: the menu bar, with its first menu open.
    void MenuBarCommand();
    // Shift+F10 and the Menu key: the context menu of the focused view, at its current item.
    void ContextMenuCommand();

    bool ArchiveOpen() const { return FSession->Open(); }
    bool FindOpen() const { return FFiles->FindOpen(); }
    bool CancelRequested() const { return FRuns->CancelRequested(); }
    // A load, an extraction or a check is running.
    bool Busy() const { return FSession->Loading() || FRuns->Running(); }
    QString StatusText() const { return FStatus->text(); }
    const TPakReader& Reader() const { return FSession->Reader(); }
    TDirectoryTreeModel& DirectoryModel() const { return FSession->Tree(); }
    // How often the progress panel is brought up to date; 0 means before every file, with the
    // extraction waiting until the window has handled its events (as tests want it).
    void SetEventInterval(int milliseconds) { FRuns->SetEventInterval(milliseconds); }
    // How many files an extraction writes at once.
    void SetWorkerCount(int workers) { FRuns->SetWorkerCount(workers); }

    // The features, with the controls they own.
    const TControls& Controls() const { return FControls; }
    TFolderPane& Folders() const { return *FFolders; }
    TFilePane& Files() const { return *FFiles; }
    TRunController& Runs() const { return *FRuns; }
    TExtractionCommands& Extraction() const { return *FExtract; }
    TDragSource& Drag() const { return *FDrag; }
    TPreviewDialog& Preview() const { return *dlgPreview; }
    TThumbnails& Thumbnails() const { return *FThumbs; }
    TRecentArchives& Recent() const { return *FRecent; }
    TUpdateCommand& Update() const { return *FUpdate; }
    TCompareCommand& Compare() const { return *FCompare; }
    TColorScheme& Scheme() const { return *FScheme; }
    TPathBar& PathBar() const { return *FPathBar; }
    TOpenCommand& Opener() const { return *FOpen; }
    // The status bar's second field: the selection's files and sizes.
    TSelectionStatus& SelectionStatus() const { return *FSelection; }

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
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateFeatures();
    void CreateMenus();
    void CreateKeys();
    void ConnectFeatures();
    void PlaceWindow();
    void RunCommand(const std::function<void()>& command) override;
    // The application's error display around one command.
    template <class Command> void Run(Command&& command) { RunCommand(command); }
    void ShowError(const QString& message);
    void AfterCommand();
    void ArchiveInstalled(const QString& fileName);
    void FileChanged(int32_t entry);

    TPrompts& FPrompts;
    std::unique_ptr<TWindowState> FState;
    TControls FControls;
    TStatusLine* FStatus = nullptr;
    TArchiveSession* FSession = nullptr;
    TRunController* FRuns = nullptr;
    TFolderPane* FFolders = nullptr;
    TFilePane* FFiles = nullptr;
    TExtractionCommands* FExtract = nullptr;
    TDragSource* FDrag = nullptr;
    TPreviewDialog* dlgPreview = nullptr;
    TThumbnails* FThumbs = nullptr;
    TRecentArchives* FRecent = nullptr;
    TUpdateCommand* FUpdate = nullptr;
    TCompareCommand* FCompare = nullptr;
    TColorScheme* FScheme = nullptr;
    TPathBar* FPathBar = nullptr;
    TOpenCommand* FOpen = nullptr;
    TSelectionStatus* FSelection = nullptr;
    bool FCloseRequested = false;
};
