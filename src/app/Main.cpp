#include "Main.h"

#include "AppIcon.h"
#include "AppText.h"
#include "ArchiveSession.h"
#include "ColorScheme.h"
#include "CompareCommand.h"
#include "DirectoryTreeModel.h"
#include "DragSource.h"
#include "DragView.h"
#include "Exception.h"
#include "ExtractionCommands.h"
#include "FilePane.h"
#include "FolderPane.h"
#include "OpenCommand.h"
#include "PathBar.h"
#include "PreviewContent.h"
#include "PreviewDialog.h"
#include "Prompts.h"
#include "RecentArchives.h"
#include "RegistryStore.h"
#include "RunController.h"
#include "SelectionStatus.h"
#include "StatusLine.h"
#include "ThumbnailView.h"
#include "Thumbnails.h"
#include "UpdateCommand.h"
#include "WindowPlacement.h"
#include "WindowState.h"
#include "uPakReader.h"

#include <QAction>
#include <QCloseEvent>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString kRegistryPath = QStringLiteral("\\Software\\Varnholm Archiv-Explorer");

} // namespace

TfrmMain::TfrmMain(TPrompts& prompts, std::shared_ptr<IRegistryStore> store, QWidget* parent)
    : QMainWindow(parent)
    , FPrompts(prompts) {
    // One store for the recent list and the window's own state.
    if (!store)
        store = std::make_shared<SettingsRegistryStore>();
    FState = std::make_unique<TWindowState>(store, kRegistryPath.mid(1));
    // The colours first, so that the window is built in them.
    FScheme = new TColorScheme(*FState, this);
    CreateFeatures();
    CreateMenus();
    CreateKeys();
    FRecent =
        new TRecentArchives(std::move(store), kRegistryPath, FControls.mnRecent, FPrompts, this);
    ConnectFeatures();
    PlaceWindow();
    setAcceptDrops(true);
}

TfrmMain::~TfrmMain() {
    // The runs read the archive: they end first.
    delete FRuns;
    FState->SetBytes(TWindowState::kGeometry, saveGeometry());
    FState->SetBytes(TWindowState::kSplitter, FControls.Splitter1->saveState());
    FState->SetBytes(TWindowState::kPanes, saveState());
    // The load ends and the archive closes while its views are there to let go of it; the
    // views go before the models they show.
    FSession->Shutdown();
    delete FControls.Splitter1;
    delete FThumbs;
    delete FSession;
    delete FRecent;
}

void TfrmMain::CreateFeatures() {
    // Created in the order of the focus chain: the tree, the find bar, the list, the panel.
    FStatus = new TStatusLine(this);
    FSession = new TArchiveSession(FPrompts, *FStatus, *FState, this);
    FControls.Splitter1 = new QSplitter(Qt::Horizontal, this);
    QSplitter* splitter = FControls.Splitter1;
    splitter->setHandleWidth(1);
    splitter->setOpaqueResize(true);
    splitter->setChildrenCollapsible(false);
    setCentralWidget(splitter);
    FFolders = new TFolderPane(FSession->Tree(), splitter);
    // The path bar above the file list.
    auto* right = new QWidget(splitter);
    auto* column = new QVBoxLayout(right);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    FPathBar = new TPathBar(FSession->Tree(), FPrompts, right);
    FFiles = new TFilePane(*FSession, FPrompts, *FStatus, *FState, right);
    column->addWidget(FPathBar);
    column->addWidget(FFiles, 1);
    splitter->addWidget(FFolders->tvDirectories());
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({201, 744 - 201});
    FThumbs = new TThumbnails(*FSession, *FFiles, *FState, this);
    dlgPreview = new TPreviewDialog(FSession->Reader(), this);
    addDockWidget(Qt::RightDockWidgetArea, dlgPreview);
    dlgPreview->hide(); // until there is something to show

    FRuns = new TRunController(FSession->Reader(), FPrompts, *FStatus, this);
    statusBar()->addWidget(FStatus, 1);
    FSelection = new TSelectionStatus(*FFiles, *FSession, this);
    statusBar()->addWidget(FSelection);
    statusBar()->addPermanentWidget(FRuns->btOpenFolder());
    statusBar()->setSizeGripEnabled(true);
    FExtract = new TExtractionCommands(*FSession, *FRuns, FPrompts, *FStatus, *FState, this);
    FDrag = new TDragSource(*FSession, *FRuns, *this, FPrompts, *FStatus, this);
    FUpdate = new TUpdateCommand(*FSession, *FRuns, FPrompts, *FStatus, *FState, this);
    FCompare =
        new TCompareCommand(*FSession, *FRuns, *FFiles, *dlgPreview, FPrompts, *FStatus, this);
    FOpen = new TOpenCommand(*FSession, *FRuns, FPrompts, this);
}

void TfrmMain::CreateMenus() {
    TControls& c = FControls;
    menuBar()->setAccessibleName(QStringLiteral("Menüleiste"));
    c.mnFile = menuBar()->addMenu(QStringLiteral("&Datei"));
    c.acOpen = c.mnFile->addAction(QStringLiteral("Ö&ffnen"), this, &TfrmMain::OpenCommand);
    c.acOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    c.mnRecent = c.mnFile->addMenu(QStringLiteral("Erneut öffnen"));
    c.mnFile->addSeparator();
    c.acCompare =
        c.mnFile->addAction(QStringLiteral("&Vergleichen mit..."), this, &TfrmMain::CompareCommand);
    c.acUpdate = c.mnFile->addAction(QStringLiteral("Archiv mit Ordner &aktualisieren..."), this,
                                     &TfrmMain::UpdateArchiveCommand);
    c.mnFile->addSeparator();
    c.acExit = c.mnFile->addAction(QStringLiteral("&Beenden"), this, &TfrmMain::ExitCommand);

    c.mnExtract = menuBar()->addMenu(QStringLiteral("&Entpacken"));
    c.acExtractSelected = c.mnExtract->addAction(QStringLiteral("Gewählte Datei..."), this,
                                                 &TfrmMain::ExtractSelectedFileCommand);
    c.acExtractSelected->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    c.acExtractAll = c.mnExtract->addAction(QStringLiteral("Alle Dateien..."), this,
                                            &TfrmMain::ExtractAllFilesCommand);
    c.acExtractAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    c.acExtractDirectory = c.mnExtract->addAction(QStringLiteral("Verzeichnis entpacken..."), this,
                                                  &TfrmMain::ExtractDirectoryCommand);
    c.mnExtract->addSeparator();
    c.acPreview =
        c.mnExtract->addAction(QStringLiteral("&Vorschau"), this, &TfrmMain::PreviewCommand);
    c.acPreview->setShortcut(QKeySequence(Qt::Key_F3));
    c.acCheck = c.mnExtract->addAction(QStringLiteral("Archiv &prüfen..."), this,
                                       &TfrmMain::CheckArchiveCommand);

    c.mnView = menuBar()->addMenu(QStringLiteral("&Ansicht"));
    FFiles->FillViewMenu(c.mnView);
    c.mnView->addSeparator();
    c.mnView->addAction(FThumbs->acThumbnails());
    FScheme->FillMenu(c.mnView);
    FFiles->AddToContextMenu(c.acPreview);
    FFiles->PopupFiles()->insertActions(FFiles->PopupFiles()->actions().value(0),
                                        {FOpen->acOpen(), FOpen->acOpenWith()});
    FFiles->lvFiles()->addAction(FOpen->acOpen());

    c.mnHelp = menuBar()->addMenu(QStringLiteral("&Hilfe"));
    c.acAbout = c.mnHelp->addAction(QStringLiteral("Über..."), this, &TfrmMain::AboutCommand);
}

void TfrmMain::CreateKeys() {
    connect(new QShortcut(Qt::Key_F10, this), &QShortcut::activated, this,
            &TfrmMain::MenuBarCommand);
    for (const QKeySequence& keys :
         {QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this,
                &TfrmMain::ContextMenuCommand);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F), this),
            &QShortcut::activated, this, &TfrmMain::FindInContentCommand);
}

void TfrmMain::ConnectFeatures() {
    connect(FStatus, &TStatusLine::Changed, this, &TfrmMain::StatusTextChanged);
    connect(FUpdate, &TUpdateCommand::OpenRequested, this, &TfrmMain::OpenArchiveCommand);
    connect(FSession, &TArchiveSession::Closing, this, [this] {
        FFiles->ForgetArchive();
        FPathBar->Forget();
        FThumbs->ForgetArchive();
        FDrag->RemoveDragCopies();
        dlgPreview->Forget();
    });
    connect(FSession, &TArchiveSession::Closed, FFiles, &TFilePane::ShowEmpty);
    connect(FSession, &TArchiveSession::Installed, this, &TfrmMain::ArchiveInstalled);
    connect(FSession, &TArchiveSession::RecentGone, FRecent, &TRecentArchives::OfferToForget);
    connect(FRecent, &TRecentArchives::Chosen, this, [this](const QString& fileName) {
        FSession->SetRecentClicked(fileName);
        OpenArchiveCommand(fileName);
    });
    connect(FSession, &TArchiveSession::LoadEnded, this, &TfrmMain::AfterCommand);

    connect(FRuns, &TRunController::RealSizeFound, FSession, &TArchiveSession::NoteRealSize);
    connect(FRuns, &TRunController::ExtractProgress, this, &TfrmMain::ExtractProgress);
    connect(FRuns, &TRunController::ExtractionFinished, this, &TfrmMain::ExtractionFinished);
    connect(FRuns, &TRunController::Ended, this, &TfrmMain::AfterCommand);
    connect(FRuns->btOpenFolder(), &QPushButton::clicked, this,
            [this] { Run([&] { FRuns->OpenRunFolder(); }); });

    connect(FFolders, &TFolderPane::FolderChosen, this,
            [this](TDirNode* node) { Run([&] { FFiles->ShowFolder(node); }); });
    connect(FFolders, &TFolderPane::FolderChosen, FPathBar, &TPathBar::ShowFolder);
    connect(FPathBar, &TPathBar::FolderWanted, FFolders, &TFolderPane::Select);
    connect(FFolders, &TFolderPane::ExtractRequested, this, &TfrmMain::ExtractDirectoryCommand);
    connect(FFolders, &TFolderPane::DragStarted, this,
            [this](const TDirNode* node) { Run([&] { FDrag->StartDrag({}, node); }); });

    connect(FFiles, &TFilePane::FileActivated, this, [this](const QModelIndex& item) {
        Run([&] { FExtract->ExtractFile(TFilePane::EntryOfItem(item)); });
    });
    connect(FFiles, &TFilePane::ExtractRequested, this, &TfrmMain::ExtractSelectedFileCommand);
    connect(FFiles, &TFilePane::PreviewRequested, this, &TfrmMain::PreviewCommand);
    connect(FFiles, &TFilePane::CurrentEntryChanged, this, &TfrmMain::FileChanged);
    connect(FFiles, &TFilePane::DragStarted, this, [this](const std::vector<int32_t>& entries) {
        Run([&] { FDrag->StartDrag(entries, nullptr); });
    });
    connect(FFiles, &TFilePane::FolderWanted, FFolders, &TFolderPane::Select);
    connect(FFiles, &TFilePane::FindFinished, this, &TfrmMain::FindFinished);
    connect(FFiles->acFind(), &QAction::triggered, this, &TfrmMain::FindCommand);
    connect(FFiles->acShowInFolder(), &QAction::triggered, this, &TfrmMain::ShowInFolderCommand);
    connect(FFiles->acCopyPaths(), &QAction::triggered, this, &TfrmMain::CopyPathsCommand);
    connect(FFiles->acProperties(), &QAction::triggered, this, &TfrmMain::PropertiesCommand);
    connect(FOpen->acOpen(), &QAction::triggered, this, [this] { OpenFileCommand(false); });
    connect(FOpen->acOpenWith(), &QAction::triggered, this, [this] { OpenFileCommand(true); });

    connect(dlgPreview, &TPreviewDialog::Updated, this, [this] {
        if (const TPreview* shown = dlgPreview->Shown();
            shown && shown->RealSize && !shown->OtherArchive)
            FSession->NoteRealSize(shown->Index, *shown->RealSize);
    });
}

void TfrmMain::PlaceWindow() {
    setWindowTitle(QStringLiteral("Varnholm Archiv-Explorer 1.0"));
    setWindowIcon(AppIcon());
    PlaceCentred(*this, QSize(744, 541));
    // As the user left it last time; the first start keeps the centred default.
    restoreGeometry(FState->Bytes(TWindowState::kGeometry));
    FControls.Splitter1->restoreState(FState->Bytes(TWindowState::kSplitter));
    restoreState(FState->Bytes(TWindowState::kPanes));
    dlgPreview->hide(); // it may have been open at the end; no archive is open yet
}

// --- the error display and what follows a command ---

void TfrmMain::RunCommand(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(ErrorText(e)));
    } catch (...) {
        ShowError(QStringLiteral("Unbekannter Fehler"));
    }
    AfterCommand();
}

void TfrmMain::ShowError(const QString& message) {
    ShowErrorMessage(FPrompts, this, message);
}

void TfrmMain::AfterCommand() {
    // A close asked for while a load or extraction ran happens once it has ended.
    if (FCloseRequested && !Busy())
        QTimer::singleShot(0, this, &QWidget::close);
}

// --- commands ---

void TfrmMain::OpenCommand() {
    Run([&] {
        if (!FRuns->RefuseWhileRunning())
            FSession->AskAndOpen();
    });
}

void TfrmMain::OpenArchiveCommand(const QString& fileName) {
    Run([&] {
        if (!FRuns->RefuseWhileRunning())
            FSession->OpenArchive(fileName);
    });
}

void TfrmMain::ExitCommand() {
    close();
}

void TfrmMain::AboutCommand() {
    FPrompts.ShowMessage(this,
                         ApplicationTitle() +
                             QStringLiteral(" 1.0 – zum Ansehen und Entpacken der Archive des "
                                            "Spiels Varnholm."),
                         TPrompts::TIcon::Information);
}

void TfrmMain::CancelCommand() {
    FRuns->Cancel();
}

void TfrmMain::ExtractSelectedFileCommand() {
    Run([&] {
        FExtract->ExtractSelection(FFiles->SelectedRowCount(), FFiles->FirstSelectedEntry(),
                                   FFiles->SelectedEntries(), FFiles->FindOpen());
    });
}

void TfrmMain::ExtractAllFilesCommand() {
    Run([&] { FExtract->ExtractAll(); });
}

void TfrmMain::ExtractDirectoryCommand() {
    Run([&] { FExtract->ExtractDirectory(FFolders->SelectedNode()); });
}

void TfrmMain::CompareCommand() {
    Run([&] { FCompare->Run(); });
}

void TfrmMain::UpdateArchiveCommand() {
    Run([&] { FUpdate->Run(); });
}

void TfrmMain::CheckArchiveCommand() {
    Run([&] {
        if (FSession->RequireOpen() && !FRuns->RefuseWhileRunning())
            FRuns->Check();
    });
}

void TfrmMain::PreviewCommand() {
    Run([&] {
        if (!FSession->RequireOpen())
            return;
        if (const int32_t entry = FFiles->CurrentEntry(); entry >= 0)
            dlgPreview->ShowEntry(entry, nullptr, FFiles->CurrentHitLine());
        else if (!FCompare->PreviewRemoved())
            FStatus->Set(QStringLiteral("Keine Datei gewählt: bitte zuerst eine Datei in der "
                                        "Liste wählen."));
    });
}

void TfrmMain::OpenFileCommand(bool choose) {
    Run([&] { FOpen->Open(FFiles->FirstSelectedEntry(), choose); });
}

void TfrmMain::FindCommand() {
    Run([&] { FFiles->Find(); });
}
void TfrmMain::FindInContentCommand() {
    Run([&] { FFiles->FindInContent(); });
}
void TfrmMain::SetFindText(const QString& text) {
    FFiles->SetFindText(text);
}
void TfrmMain::CloseFindCommand() {
    FFiles->CloseFind();
}
void TfrmMain::ShowInFolderCommand() {
    Run([&] { FFiles->ShowInFolder(); });
}
void TfrmMain::CopyPathsCommand() {
    Run([&] { FFiles->CopyPaths(); });
}
void TfrmMain::PropertiesCommand() {
    Run([&] { FFiles->ShowProperties(); });
}
void TfrmMain::SortCommand(int column) {
    Run([&] { FFiles->Sort(column); });
}
void TfrmMain::ShowColumnCommand(TListColumn column, bool shown) {
    FFiles->ShowColumn(column, shown);
}

void TfrmMain::MenuBarCommand() {
    menuBar()->setActiveAction(FControls.mnFile->menuAction());
}

void TfrmMain::ContextMenuCommand() {
    // (The hidden list has the grid as its focus proxy while the grid is on.)
    for (QAbstractItemView* view : std::initializer_list<QAbstractItemView*>{
             FThumbs->lvThumbnails(), FFiles->lvFiles(), FFolders->tvDirectories()})
        if (view->isVisible() && view->hasFocus()) {
            RequestContextMenuAtCurrent(view);
            return;
        }
}

// --- what the features tell the frame ---

void TfrmMain::ArchiveInstalled(const QString& fileName) {
    FFolders->ShowTree();
    FStatus->Set(QStringLiteral("%1 Dateien").arg(FSession->Reader().Count()));
    FRecent->Add(fileName);
}

void TfrmMain::FileChanged(int32_t entry) {
    // An open preview follows the list.
    if (FSession->Open() && dlgPreview->isVisible() && entry >= 0)
        dlgPreview->ShowEntry(entry, nullptr, FFiles->CurrentHitLine());
}

// --- window events ---

void TfrmMain::closeEvent(QCloseEvent* event) {
    // A load ends by itself and loses nothing; a second close has been answered already.
    if (!FCloseRequested && !FRuns->ConfirmStop()) {
        event->ignore();
        return;
    }
    // The run may have ended while the question was open.
    if (Busy()) {
        // The running job ends first; AfterCommand closes the window then.
        FCloseRequested = true;
        FSession->StopForClose();
        CancelCommand();
        event->ignore();
        return;
    }
    event->accept();
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event) {
    // Files dragged out of this window are no archive to open.
    if (event->source() == nullptr && event->mimeData()->hasUrls() &&
        event->mimeData()->urls().first().isLocalFile())
        event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    event->acceptProposedAction();
    const QString fileName = urls.first().toLocalFile();
    // Leave the drag-and-drop handling of the system before a long load starts.
    QTimer::singleShot(0, this, [this, fileName] { OpenArchiveCommand(fileName); });
}
