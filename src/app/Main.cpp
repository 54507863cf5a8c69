#include "Main.h"

#include "AnsiText.h"
#include "AppText.h"
#include "DirectoryTreeModel.h"
#include "FileListModel.h"
#include "PBFolderDialog.h"
#include "Prompts.h"
#include "adpMRU.h"
#include "hashtable.h"
#include "uPakReader.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>

namespace {

// Thrown out of the reader's progress hook when a newer request ends a load.
struct TLoadAbandoned {};

const QString kOpenFilter = QStringLiteral("Varnholm Archivdateien (*.p?\?)");
const QString kRegistryPath = QStringLiteral("\\Software\\Varnholm Archiv-Explorer");

// The archive's file name without its folder, as the root of the tree shows it.
QString FileNameWithoutFolder(const QString& fileName) {
    qsizetype cut = -1;
    for (const QChar separator : {QChar('\\'), QChar(':'), QChar('/')})
        cut = std::max(cut, fileName.lastIndexOf(separator));
    return fileName.mid(cut + 1);
}

QTreeView* CreateFileView(QWidget* parent) {
    auto* view = new QTreeView(parent);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true); // lists of a million rows stay fast
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
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
    // The index exists before the reader and goes after it.
    , FDirIndex(std::make_unique<THashTable>(false))
    , FReader(std::make_unique<TPakReader>()) {
    FReader->SetReportHook([this](const std::string& message) { ShowDamagedMessage(message); });
    // Reading a big directory takes a while: the window keeps handling events meanwhile.
    FReader->SetProgressHook([this](int32_t) {
        if (!EventsDue())
            return;
        ProcessEvents();
        if (FPendingOpen || FCloseRequested)
            throw TLoadAbandoned();
    });
    CreateControls();
    CreateMenus();
    CreateRecentList(std::move(store));
    PBFolderDialog1 = new TPBFolderDialog(this);
    PBFolderDialog1->SetFlags({TBrowseInfoFlags::OnlyFileSystem, TBrowseInfoFlags::ShowPath});
    PBFolderDialog1->FinishLoading();
    mnRecent->menuAction()->setEnabled(!mnRecent->actions().isEmpty());

    setWindowTitle(QStringLiteral("Varnholm Archiv-Explorer 1.0"));
    resize(744, 541);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    setAcceptDrops(true);
}

TfrmMain::~TfrmMain() {
    // A view must not outlive the models it shows.
    lvFiles->setModel(nullptr);
    CloseArchive();
    FReader.reset();
    FDirIndex.reset();
    // The recent list writes itself now, while its submenu still exists.
    delete adpMRU1;
}

void TfrmMain::CreateControls() {
    FTreeModel = new TDirectoryTreeModel(this);
    FEmptyList = new TFileListModel(*FReader, this);

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setHandleWidth(1);
    Splitter1->setOpaqueResize(true);
    Splitter1->setChildrenCollapsible(false);
    setCentralWidget(Splitter1);

    tvDirectories = new QTreeView(Splitter1);
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

    lvFiles = CreateFileView(Splitter1);
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

    Splitter1->addWidget(tvDirectories);
    Splitter1->addWidget(lvFiles);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({201, 744 - 201});

    pnExtract = new QFrame(this);
    pnExtract->setFrameShape(QFrame::Panel);
    pnExtract->setFrameShadow(QFrame::Raised);
    pnExtract->setAutoFillBackground(true);
    pnExtract->resize(281, 89);
    lbExtract = new QLabel(QStringLiteral("lbExtract"), pnExtract);
    lbExtract->setGeometry(16, 8, 257, 13);
    lbExtract->setTextFormat(Qt::PlainText); // archive names, never markup
    pbProgress = new QProgressBar(pnExtract);
    pbProgress->setGeometry(24, 32, 241, 16);
    pbProgress->setRange(0, 100);
    pbProgress->setTextVisible(false);
    btCancel = new QPushButton(QStringLiteral("Abbrechen"), pnExtract);
    btCancel->setGeometry(103, 56, 75, 25);
    connect(btCancel, &QPushButton::clicked, this, &TfrmMain::CancelCommand);
    pnExtract->hide();

    FStatusLabel = new QLabel(this);
    FStatusLabel->setTextFormat(Qt::PlainText);
    statusBar()->addWidget(FStatusLabel, 1);
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
            const QString message = QString::fromUtf8(e.what());
            if (message != lastError)
                ShowError(message);
            lastError = message;
        }
    };
    adpMRU1->SetMaxItems(5);
    read([&] { adpMRU1->SetRegistryPath(kRegistryPath); });
    adpMRU1->SetOnClick(
        [this](QObject*, const QString& fileName) { OpenArchiveCommand(fileName); });
    adpMRU1->SetParentMenuItem(mnRecent);
    read([&] { adpMRU1->FinishLoading(); });
}

// --- the error display, status line and event processing ---

template <class Command> void TfrmMain::Run(Command&& command) {
    try {
        command();
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowError(QStringLiteral("Unbekannter Fehler"));
    }
    AfterCommand();
}

void TfrmMain::ShowError(const QString& message) {
    QString text = message;
    if (!text.isEmpty() && text.back() > QChar('.'))
        text += QChar('.');
    FPrompts.ShowMessage(this, text, TPrompts::TIcon::Error);
}

void TfrmMain::AfterCommand() {
    // A close asked for while a load or extraction ran happens once it has returned.
    if (FCloseRequested && FActivity == TActivity::Idle)
        QTimer::singleShot(0, this, &QWidget::close);
}

QString TfrmMain::StatusText() const {
    return FStatusLabel->text();
}

void TfrmMain::SetStatusText(const QString& text) {
    FStatusLabel->setText(text);
    emit StatusTextChanged(text);
}

void TfrmMain::UpdateFileCountStatus() {
    SetStatusText(QStringLiteral("%1 Dateien").arg(FReader->Count()));
}

bool TfrmMain::EventsDue() const {
    return FEventIntervalMs == 0 || FEventClock.elapsed() >= FEventIntervalMs;
}

void TfrmMain::ProcessEvents() {
    QCoreApplication::processEvents();
    FEventClock.restart();
}

bool TfrmMain::RequireArchive() {
    if (FArchiveOpen)
        return true;
    FPrompts.ShowMessage(this, QStringLiteral("Bitte zuerst eine Archivdatei öffnen."),
                         TPrompts::TIcon::None);
    return false;
}

bool TfrmMain::RefuseWhileExtracting() {
    if (FActivity != TActivity::Extracting)
        return false;
    FPrompts.ShowMessage(this,
                         QStringLiteral("Es wird gerade entpackt. Bitte warten, bis das Entpacken "
                                        "beendet ist, oder „Abbrechen“ wählen."),
                         TPrompts::TIcon::Information);
    return true;
}

// --- commands ---

void TfrmMain::OpenCommand() {
    Run([&] {
        const QString fileName = FPrompts.AskOpenFileName(this, kOpenFilter);
        if (!fileName.isEmpty())
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
    FCancel = true;
}

void TfrmMain::ExtractSelectedFileCommand() {
    Run([&] {
        if (!RequireArchive())
            return;
        const QModelIndexList rows = lvFiles->selectionModel()->selectedRows();
        ExtractSelectedFile(rows.isEmpty() ? QModelIndex() : rows.first());
    });
}

void TfrmMain::ExtractAllFilesCommand() {
    Run([&] { ExtractAllFiles(); });
}

void TfrmMain::ExtractDirectoryCommand() {
    Run([&] { ExtractDirectory(); });
}

// --- loading ---

void TfrmMain::OpenArchive(const QString& fileName) {
    if (RefuseWhileExtracting())
        return;
    if (FActivity == TActivity::Loading) {
        // The running load sees this at its next event check, ends, and opens this one.
        FPendingOpen = fileName;
        return;
    }
    QString next = fileName;
    while (!LoadArchive(next) && FPendingOpen && !FCloseRequested) {
        next = *FPendingOpen;
        FPendingOpen.reset();
    }
    FPendingOpen.reset();
}

bool TfrmMain::LoadArchive(const QString& fileName) {
    CloseArchive();
    SetStatusText(QStringLiteral("Archiv wird geladen..."));
    TScopedActivity loading(FActivity, TActivity::Loading);
    FEventClock.restart();
    try {
        FReader->Open(ToCoreFileName(fileName));
    } catch (const TLoadAbandoned&) {
        FReader->Close();
        return false;
    }
    // The tree is built apart from the view and shown complete.
    auto root = std::make_unique<TDirNode>();
    root->Caption = FileNameWithoutFolder(fileName);
    const int32_t count = FReader->Count();
    auto abandon = [&] {
        FReader->Close();
        FDirIndex->Empty();
        return false;
    };

    for (int32_t i = 0; i < count; ++i) {
        if (i % 100 == 0)
            SetStatusText(QStringLiteral("Archiv wird geladen... (%1/%2)").arg(i).arg(count));
        const std::string_view dir = FReader->EntryDir(i);
        TDirNode* node;
        try {
            node = static_cast<TDirNode*>(FDirIndex->Examine(dir));
        } catch (...) {
            // A directory met for the first time.
            node = AddDirectoryPath(root.get(), FReader->EntryPath(i));
            FDirIndex->Insert(dir, node);
        }
        if (!node->Files)
            node->Files = std::make_unique<TFileListModel>(*FReader);
        node->Files->Add(i);
        if (EventsDue()) {
            ProcessEvents();
            if (FPendingOpen || FCloseRequested)
                return abandon();
        }
    }

    root->SortChildren();
    std::vector<TDirNode*> pending{root.get()};
    while (!pending.empty()) {
        TDirNode* node = pending.back();
        pending.pop_back();
        if (node->Files)
            node->Files->SortByCaption();
        for (const auto& child : node->Children)
            pending.push_back(child.get());
        if (EventsDue()) {
            ProcessEvents();
            if (FPendingOpen || FCloseRequested)
                return abandon();
        }
    }

    FTreeModel->Install(std::move(root));
    tvDirectories->expandAll();
    if (tvDirectories->focusPolicy() != Qt::NoFocus)
        tvDirectories->setFocus();
    tvDirectories->setCurrentIndex(FTreeModel->IndexOf(FTreeModel->Root()));
    UpdateFileCountStatus();
    adpMRU1->AddFile(fileName);
    mnRecent->menuAction()->setEnabled(true);
    FArchiveOpen = true;
    return true;
}

TDirNode* TfrmMain::AddDirectoryPath(TDirNode* start, std::string_view path) {
    TDirNode* node = start;
    for (size_t slash; (slash = path.find('/')) != std::string_view::npos;) {
        const std::string_view component = path.substr(0, slash);
        path.remove_prefix(slash + 1);
        TDirNode* child = node->FindChildByText(component);
        node = child ? child : node->AddChild(component);
    }
    return node;
}

void TfrmMain::CloseArchive() {
    SetStatusText(QStringLiteral("Archiv wird geschlossen..."));
    FArchiveOpen = false;
    FReader->Close();
    lvFiles->setModel(FEmptyList);
    FTreeModel->Clear();
    FDirIndex->Empty();
}

TDirNode* TfrmMain::SelectedNode() const {
    return FTreeModel->NodeAt(tvDirectories->currentIndex());
}

void TfrmMain::DirectoryChanged(const QModelIndex& current) {
    TDirNode* node = FTreeModel->NodeAt(current);
    FTreeModel->SetSelectedNode(node);
    if (!node)
        return;
    FTreeModel->SetImageIndex(node, tvDirectories->isExpanded(current) ? 0 : 1);
    lvFiles->setModel(node->Files ? node->Files.get() : FEmptyList);
}

// --- window events ---

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (FActivity != TActivity::Idle) {
        // The running command ends first; AfterCommand closes the window then.
        FCloseRequested = true;
        FCancel = true;
        event->ignore();
        return;
    }
    event->accept();
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && event->mimeData()->urls().first().isLocalFile())
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
