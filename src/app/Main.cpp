#include "Main.h"

#include "AnsiText.h"
#include "AppIcon.h"
#include "AppText.h"
#include "ArchiveLoad.h"
#include "CheckJob.h"
#include "DirectoryTreeModel.h"
#include "DragView.h"
#include "ExtractionJob.h"
#include "Extractor.h"
#include "FileListModel.h"
#include "FindJob.h"
#include "PBFolderDialog.h"
#include "PreviewContent.h"
#include "PreviewDialog.h"
#include "ProgressPanel.h"
#include "Prompts.h"
#include "RegistryStore.h"
#include "StatusLine.h"
#include "WindowState.h"
#include "adpMRU.h"
#include "uPakReader.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <system_error>

namespace {

// Folders deeper than this are not opened by a load: the view lays out open folders by
// recursion, and no one reads a tree that deep anyway.
constexpr int kMaxExpandedDepth = 64;

// Room for the window's frame, which is not known before it is shown: a usual title bar and
// borders.
constexpr QSize kFrameRoom(16, 48);

// The archives first; "Alle Dateien" opens one with another ending.
const QString kOpenFilter = QStringLiteral("Varnholm Archivdateien (*.p?\?);;Alle Dateien (*)");
const QString kRegistryPath = QStringLiteral("\\Software\\Varnholm Archiv-Explorer");

QTreeView* CreateFileView(QWidget* parent) {
    auto* view = new TDragView(parent);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true); // lists of a million rows stay fast
    // Were the bar to come and go, the view would lay out its rows once more each time.
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Ctrl and Shift select several files, as in every file manager.
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setDragEnabled(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setAllColumnsShowFocus(true);
    view->header()->setStretchLastSection(false);
    view->header()->setSectionsMovable(false);
    view->header()->setMinimumSectionSize(20);
    return view;
}

} // namespace

TfrmMain::TfrmMain(TPrompts& prompts, std::shared_ptr<IRegistryStore> store, QWidget* parent)
    : QMainWindow(parent)
    , FPrompts(prompts)
    , FReader(std::make_unique<TPakReader>()) {
    CreateControls();
    CreateMenus();
    // One store for the recent list and the window's own state.
    if (!store)
        store = std::make_shared<SettingsRegistryStore>();
    FState = std::make_unique<TWindowState>(store, kRegistryPath.mid(1));
    CreateListMenus();
    CreateKeys();
    CreateRecentList(std::move(store));
    PBFolderDialog1 = new TPBFolderDialog(this);
    PBFolderDialog1->SetFlags({TBrowseInfoFlags::OnlyFileSystem, TBrowseInfoFlags::ShowPath});
    PBFolderDialog1->FinishLoading();
    mnRecent->menuAction()->setEnabled(!mnRecent->actions().isEmpty());

    setWindowTitle(QStringLiteral("Varnholm Archiv-Explorer 1.0"));
    setWindowIcon(AppIcon());
    resize(744, 541);
    // Centred; on a screen smaller than the window (a laptop at a scale factor of 1.5 or 2) made
    // smaller too, as the title bar must stay within reach.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        resize(size().boundedTo(available.size() - kFrameRoom));
        const QPoint centred = available.center() - rect().center();
        move(std::max(centred.x(), available.left()), std::max(centred.y(), available.top()));
    }
    // As the user left it last time; the first start keeps the centred default.
    restoreGeometry(FState->Bytes(TWindowState::kGeometry));
    Splitter1->restoreState(FState->Bytes(TWindowState::kSplitter));
    dlgPreview->RestorePlacement(FState->Bytes(TWindowState::kPreviewGeometry));
    setAcceptDrops(true);
}

TfrmMain::~TfrmMain() {
    // The jobs use the reader: they end first.
    delete FRuns;
    FLoad.reset();
    FFind.reset();
    FState->SetBytes(TWindowState::kGeometry, saveGeometry());
    FState->SetBytes(TWindowState::kSplitter, Splitter1->saveState());
    if (const QByteArray placement = dlgPreview->Placement(); !placement.isEmpty())
        FState->SetBytes(TWindowState::kPreviewGeometry, placement);
    // A view must not outlive the models it shows.
    lvFiles->setModel(nullptr);
    CloseArchive();
    FReader.reset();
    // The recent list writes itself now, while its submenu still exists.
    delete adpMRU1;
}

void TfrmMain::CreateControls() {
    FTreeModel = new TDirectoryTreeModel(this);
    FEmptyList = new TFileListModel(*FReader, this);
    FHits = new TFileListModel(*FReader, this);

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setHandleWidth(1);
    Splitter1->setOpaqueResize(true);
    Splitter1->setChildrenCollapsible(false);
    setCentralWidget(Splitter1);

    auto* directories = new TDragView(Splitter1);
    tvDirectories = directories;
    directories->setDragEnabled(true);
    directories->OnStartDrag = [this] { StartDrag({}, SelectedNode()); };
    tvDirectories->setModel(FTreeModel);
    tvDirectories->setHeaderHidden(true);
    tvDirectories->setIndentation(19);
    tvDirectories->setIconSize(QSize(16, 16));
    tvDirectories->setUniformRowHeights(true);
    tvDirectories->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvDirectories->setMouseTracking(true); // hot tracking
    tvDirectories->setAttribute(Qt::WA_Hover);
    tvDirectories->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tvDirectories->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { Run([&] { DirectoryChanged(current); }); });
    connect(tvDirectories, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = tvDirectories->indexAt(at);
        if (!index.isValid())
            return;
        tvDirectories->setCurrentIndex(index);
        PopupMenu1->popup(tvDirectories->viewport()->mapToGlobal(at));
    });

    // The find bar sits above the file list, hidden until a find is opened.
    auto* filePane = new QWidget(Splitter1);
    auto* filePaneLayout = new QVBoxLayout(filePane);
    filePaneLayout->setContentsMargins(0, 0, 0, 0);
    filePaneLayout->setSpacing(0);
    CreateFindBar(filePane);
    lvFiles = CreateFileView(filePane);
    static_cast<TDragView*>(lvFiles)->OnStartDrag = [this] {
        StartDrag(SelectedEntries(), nullptr);
    };
    filePaneLayout->addWidget(pnFind);
    filePaneLayout->addWidget(lvFiles, 1);
    lvFiles->setModel(FEmptyList);
    lvFiles->header()->resizeSection(0, 300);
    lvFiles->header()->resizeSection(1, 80);
    connect(lvFiles->header(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size) {
                if (section == 0 && size < 50)
                    lvFiles->header()->resizeSection(0, 50);
            });
    connect(lvFiles, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& item) { Run([&] { ExtractSelectedFile(item); }); });
    // Space in the list only: elsewhere it belongs to buttons and text fields.
    connect(new QShortcut(Qt::Key_Space, lvFiles, nullptr, nullptr, Qt::WidgetShortcut),
            &QShortcut::activated, this, &TfrmMain::PreviewCommand);
    dlgPreview = new TPreviewDialog(*FReader, this);
    connect(dlgPreview, &TPreviewDialog::Updated, this, [this] {
        if (const TPreview* shown = dlgPreview->Shown(); shown && shown->RealSize)
            FRealSizes[shown->Index] = *shown->RealSize;
    });

    Splitter1->addWidget(tvDirectories);
    Splitter1->addWidget(filePane);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({201, 744 - 201});

    FStatusLabel = new TStatusLine(this);
    connect(FStatusLabel, &TStatusLine::Changed, this, &TfrmMain::StatusTextChanged);
    statusBar()->addWidget(FStatusLabel, 1);
    FRuns = new TRunController(*FReader, FPrompts, *FStatusLabel, this);
    pnExtract = &FRuns->Panel();
    lbExtract = FRuns->Panel().lbExtract();
    pbProgress = FRuns->Panel().pbProgress();
    btCancel = FRuns->Panel().btCancel();
    btOpenFolder = FRuns->btOpenFolder();
    connect(btOpenFolder, &QPushButton::clicked, this,
            [this] { Run([&] { FRuns->OpenRunFolder(); }); });
    connect(FRuns, &TRunController::RealSizeFound, this,
            [this](int32_t index, uint64_t bytes) { FRealSizes[index] = bytes; });
    connect(FRuns, &TRunController::ExtractProgress, this, &TfrmMain::ExtractProgress);
    connect(FRuns, &TRunController::ExtractionFinished, this, &TfrmMain::ExtractionFinished);
    connect(FRuns, &TRunController::Ended, this, &TfrmMain::AfterCommand);
    statusBar()->addPermanentWidget(btOpenFolder);
    statusBar()->setSizeGripEnabled(true);
}

void TfrmMain::CreateMenus() {
    mnFile = menuBar()->addMenu(QStringLiteral("&Datei"));
    acOpen = mnFile->addAction(QStringLiteral("Ö&ffnen"), this, &TfrmMain::OpenCommand);
    acOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnRecent = mnFile->addMenu(QStringLiteral("Erneut öffnen"));
    mnFile->addSeparator();
    acExit = mnFile->addAction(QStringLiteral("&Beenden"), this, &TfrmMain::ExitCommand);

    mnExtract = menuBar()->addMenu(QStringLiteral("&Entpacken"));
    acExtractSelected = mnExtract->addAction(QStringLiteral("Gewählte Datei..."), this,
                                             &TfrmMain::ExtractSelectedFileCommand);
    acExtractSelected->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    acExtractAll = mnExtract->addAction(QStringLiteral("Alle Dateien..."), this,
                                        &TfrmMain::ExtractAllFilesCommand);
    acExtractAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    acExtractDirectory = mnExtract->addAction(QStringLiteral("Verzeichnis entpacken..."), this,
                                              &TfrmMain::ExtractDirectoryCommand);
    mnExtract->addSeparator();
    acPreview = mnExtract->addAction(QStringLiteral("&Vorschau"), this, &TfrmMain::PreviewCommand);
    acPreview->setShortcut(QKeySequence(Qt::Key_F3));
    acCheck = mnExtract->addAction(QStringLiteral("Archiv &prüfen..."), this,
                                   &TfrmMain::CheckArchiveCommand);

    mnHelp = menuBar()->addMenu(QStringLiteral("&Hilfe"));
    acAbout = mnHelp->addAction(QStringLiteral("Über..."), this, &TfrmMain::AboutCommand);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->addAction(QStringLiteral("Verzeichnis entpacken..."), this,
                          &TfrmMain::ExtractDirectoryCommand);
}

void TfrmMain::CreateRecentList(std::shared_ptr<IRegistryStore> store) {
    adpMRU1 = new TadpMRU(this, std::move(store));
    adpMRU1->SetErrorReport([this](const QString& message) { ShowError(message); });
    // The list is read twice (when its key is set and when set-up is finished); a damaged
    // store would fail both times, and once is enough to say so.
    QString lastError;
    auto read = [&](auto&& step) {
        try {
            step();
        } catch (const std::exception& e) {
            const QString message = QString::fromUtf8(ErrorText(e));
            if (message != lastError)
                ShowError(message);
            lastError = message;
        }
    };
    adpMRU1->SetMaxItems(5);
    read([&] { adpMRU1->SetRegistryPath(kRegistryPath); });
    adpMRU1->SetOnClick([this](QObject*, const QString& fileName) {
        FRecentClicked = fileName;
        OpenArchiveCommand(fileName);
    });
    adpMRU1->SetParentMenuItem(mnRecent);
    read([&] { adpMRU1->FinishLoading(); });
}

// --- the error display, status line and event processing ---

void TfrmMain::ShowError(const QString& message) {
    ShowErrorMessage(FPrompts, this, message);
}

void TfrmMain::AfterCommand() {
    // A close asked for while a load or extraction ran happens once it has ended.
    if (FCloseRequested && !Busy())
        QTimer::singleShot(0, this, &QWidget::close);
}

QString TfrmMain::StatusText() const {
    return FStatusLabel->text();
}

void TfrmMain::SetStatusText(const QString& text) {
    FStatusLabel->Set(text);
}

void TfrmMain::UpdateFileCountStatus() {
    SetStatusText(QStringLiteral("%1 Dateien").arg(FReader->Count()));
}

void TfrmMain::SayNothingSelected() {
    SetStatusText(QStringLiteral("Keine Datei gewählt: bitte zuerst eine Datei in der Liste "
                                 "wählen."));
}

bool TfrmMain::RequireArchive() {
    if (FArchiveOpen)
        return true;
    FPrompts.ShowMessage(this, QStringLiteral("Bitte zuerst eine Archivdatei öffnen."),
                         TPrompts::TIcon::None);
    return false;
}

bool TfrmMain::RefuseWhileExtracting() {
    return FRuns->RefuseWhileRunning();
}

// --- commands ---

void TfrmMain::OpenCommand() {
    Run([&] {
        if (RefuseWhileExtracting())
            return;
        const QString folder = FState->Text(TWindowState::kOpenFolder);
        const QString fileName = FPrompts.AskOpenFileName(
            this, kOpenFilter, folder.isEmpty() ? QDir::homePath() : folder);
        if (fileName.isEmpty())
            return;
        FState->SetText(TWindowState::kOpenFolder, QFileInfo(fileName).absolutePath());
        OpenArchive(fileName);
    });
}

void TfrmMain::OpenArchiveCommand(const QString& fileName) {
    Run([&] { OpenArchive(fileName); });
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
        if (!RequireArchive())
            return;
        const QModelIndexList rows = lvFiles->selectionModel()->selectedRows();
        if (rows.size() > 1)
            ExtractSelectedFiles(SelectedEntries());
        else if (rows.isEmpty())
            SayNothingSelected();
        else
            ExtractSelectedFile(rows.first());
    });
}

void TfrmMain::ExtractAllFilesCommand() {
    Run([&] { ExtractAllFiles(); });
}

void TfrmMain::ExtractDirectoryCommand() {
    Run([&] { ExtractDirectory(); });
}

void TfrmMain::CheckArchiveCommand() {
    Run([&] { CheckArchive(); });
}

void TfrmMain::PreviewCommand() {
    Run([&] {
        if (!RequireArchive())
            return;
        const int32_t index = EntryOfItem(lvFiles->currentIndex());
        if (index >= 0)
            dlgPreview->ShowEntry(index);
        else
            SayNothingSelected();
    });
}

// --- loading ---

void TfrmMain::OpenArchive(const QString& fileName) {
    if (RefuseWhileExtracting())
        return;
    if (FLoad) {
        // The running load ends soon; this one starts then.
        FPendingOpen = fileName;
        FLoad->Stop();
        return;
    }
    StartLoad(fileName);
}

void TfrmMain::StartLoad(const QString& fileName) {
    CloseArchive();
    SetStatusText(QStringLiteral("Archiv wird geladen..."));
    FLoad = std::make_unique<TArchiveLoad>(*FReader, fileName);
    connect(FLoad.get(), &TArchiveLoad::Progress, this, [this](int done, int total) {
        SetStatusText(QStringLiteral("Archiv wird geladen... (%1/%2)").arg(done).arg(total));
    });
    connect(FLoad.get(), &TArchiveLoad::Loaded, this, [this] {
        // Done before it heard that it should stop: as good as stopped.
        if (FPendingOpen || FCloseRequested)
            ForgetLoad();
        else
            InstallTree();
        LoadEnded();
    });
    connect(FLoad.get(), &TArchiveLoad::Failed, this, [this](const QString& message) {
        const QString fileName = FLoad->FileName();
        const bool recentGone = fileName == FRecentClicked && !QFileInfo::exists(fileName);
        ForgetLoad();
        SetStatusText(QString());
        LoadEnded();
        if (recentGone)
            OfferToForget(fileName, message);
        else
            ShowError(message);
    });
    connect(FLoad.get(), &TArchiveLoad::Stopped, this, [this] {
        ForgetLoad();
        SetStatusText(QString());
        LoadEnded();
    });
    try {
        FLoad->Start();
    } catch (const std::system_error&) {
        // No thread to load on: no archive, and the error box says why.
        FLoad.reset();
        SetStatusText(QString());
        throw;
    }
}

void TfrmMain::OfferToForget(const QString& fileName, const QString& message) {
    // A recent archive that is gone stays gone: the list need not keep offering it.
    const int choice = FPrompts.AskChoice(
        this, QStringLiteral("%1.\n\nAus der Liste „Erneut öffnen“ entfernen?").arg(message),
        TPrompts::TIcon::Error, {QStringLiteral("Entfernen"), QStringLiteral("Behalten")});
    if (choice == 0) {
        adpMRU1->RemoveFile(fileName);
        mnRecent->menuAction()->setEnabled(!adpMRU1->FileList().isEmpty());
    }
}

void TfrmMain::ForgetLoad() {
    // Back to "no archive": nothing of the load stays in the reader.
    FReader->Close();
}

void TfrmMain::LoadEnded() {
    // The load's own signal is being delivered: it goes once that is done.
    if (FLoad->FileName() == FRecentClicked)
        FRecentClicked.clear();
    FLoad.release()->deleteLater();
    if (FPendingOpen && !FCloseRequested) {
        const QString next = *FPendingOpen;
        FPendingOpen.reset();
        Run([&] { StartLoad(next); });
        return;
    }
    FPendingOpen.reset();
    AfterCommand();
}

void TfrmMain::InstallTree() {
    FTreeModel->Install(FLoad->TakeTree());
    // Every folder is opened down to a depth no real archive reaches; while the view's layout
    // is pending, opening a folder only marks it.
    std::vector<std::pair<const TDirNode*, int>> pending{{FTreeModel->Root(), 0}};
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        // A folder without subfolders shows as open anyway (DirectoryChanged).
        if (!node->Children.empty())
            tvDirectories->expand(FTreeModel->IndexOf(node));
        if (depth + 1 < kMaxExpandedDepth)
            for (const auto& child : node->Children)
                pending.emplace_back(child.get(), depth + 1);
    }
    if (tvDirectories->focusPolicy() != Qt::NoFocus)
        tvDirectories->setFocus();
    FTreeOrder = std::make_shared<std::vector<int32_t>>(FLoad->TakeTreeOrder());
    FTreeRank = FLoad->TakeTreeRank();
    tvDirectories->setCurrentIndex(FTreeModel->IndexOf(FTreeModel->Root()));
    UpdateFileCountStatus();
    adpMRU1->AddFile(FLoad->FileName());
    mnRecent->menuAction()->setEnabled(true);
    FArchiveOpen = true;
}

void TfrmMain::CloseArchive() {
    SetStatusText(QStringLiteral("Archiv wird geschlossen..."));
    CloseFindCommand();
    // The find reads the reader's names: it goes first.
    FFind.reset();
    FTreeOrder.reset();
    FTreeRank.clear();
    FRealSizes.clear();
    FArchiveOpen = false;
    RemoveDragCopies();
    dlgPreview->Forget();
    FReader->Close();
    ShowList(FEmptyList);
    FTreeModel->Clear();
}

TDirNode* TfrmMain::SelectedNode() const {
    return FTreeModel->NodeAt(tvDirectories->currentIndex());
}

void TfrmMain::DirectoryChanged(const QModelIndex& current) {
    TDirNode* node = FTreeModel->NodeAt(current);
    FTreeModel->SetSelectedNode(node);
    if (!node)
        return;
    // The open folder while its subfolders are shown; a folder without any has nothing to close.
    FTreeModel->SetImageIndex(node,
                              node->Children.empty() || tvDirectories->isExpanded(current) ? 0 : 1);
    // Choosing a folder ends a find: the list shows the folder again.
    if (FFindOpen)
        EndFind();
    ShowList(node->Files ? node->Files.get() : FEmptyList);
}

int32_t TfrmMain::EntryOfItem(const QModelIndex& item) const {
    const auto* list = qobject_cast<const TFileListModel*>(item.model());
    return list && item.isValid() ? list->EntryAt(item.row()) : -1;
}

void TfrmMain::FileChanged(const QModelIndex& current) {
    // An open preview follows the list.
    const int32_t index = EntryOfItem(current);
    if (FArchiveOpen && dlgPreview->isVisible() && index >= 0)
        dlgPreview->ShowEntry(index);
}

// --- window events ---

bool TfrmMain::ConfirmClose() {
    // A load ends by itself and loses nothing; a second close has been answered already.
    return FCloseRequested || FRuns->ConfirmStop();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (!ConfirmClose()) {
        event->ignore();
        return;
    }
    // The run may have ended while the question was open.
    if (Busy()) {
        // The running job ends first; AfterCommand closes the window then.
        FCloseRequested = true;
        if (FLoad)
            FLoad->Stop();
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
