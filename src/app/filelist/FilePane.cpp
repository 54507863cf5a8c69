#include "FilePane.h"

#include "AccessibleText.h"
#include "AnsiText.h"
#include "ArchiveSession.h"
#include "ContentFind.h"
#include "DirectoryTreeModel.h"
#include "DragView.h"
#include "FindBar.h"
#include "FindJob.h"
#include "Prompts.h"
#include "RunStatus.h"
#include "StatusLine.h"
#include "WindowState.h"
#include "uPakReader.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// The columns of "Ansicht", in the menu's order, which is also their order in the list.
struct TOptionalColumn {
    TListColumn Column;
    const char* Key; // how the store remembers it
};
constexpr TOptionalColumn kOptionalColumns[] = {
    {TListColumn::Unpacked, "Unpacked"},
    {TListColumn::Ratio, "Ratio"},
    {TListColumn::Kind, "Kind"},
};

int DefaultWidth(TListColumn column) {
    switch (column) {
    case TListColumn::Name:
        return 300;
    case TListColumn::Folder:
        return 200;
    case TListColumn::Ratio:
        return 70;
    default:
        return 80;
    }
}

QString Bytes(uint64_t bytes) {
    return QStringLiteral("%1 Bytes").arg(QLocale(QLocale::German).toString(bytes));
}

} // namespace

TFilePane::TFilePane(TArchiveSession& session, TPrompts& prompts, TStatusLine& status,
                     TWindowState& state, QWidget* parent)
    : QWidget(parent)
    , FSession(session)
    , FPrompts(prompts)
    , FStatus(status)
    , FState(state)
    , FEmptyList(new TFileListModel(session.Reader(), this))
    , FHits(new TFileListModel(session.Reader(), this))
    , FContent(new TContentFind(session, status, this)) {
    // The find bar sits above the file list, hidden until a find is opened.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    FFindBar = new TFindBar(this);
    CreateView();
    layout->addWidget(FFindBar);
    layout->addWidget(FView, 1);
    connect(FFindBar, &TFindBar::TextChanged, this, &TFilePane::SetFindText);
    connect(FFindBar, &TFindBar::CloseRequested, this, &TFilePane::CloseFind);
    connect(FFindBar, &TFindBar::IntoListRequested, this, &TFilePane::IntoHits);
    connect(FFindBar, &TFindBar::ContentToggled, this, [this] { SetFindText(edFind()->text()); });
    connect(FContent, &TContentFind::Finished, this, &TFilePane::FindFinished);
    CreateMenus();
}

TFilePane::~TFilePane() {
    // A view must not outlive the models it shows.
    FView->setModel(nullptr);
}

QLineEdit* TFilePane::edFind() const {
    return FFindBar->edFind();
}

QAction* TFilePane::ColumnAction(TListColumn column) const {
    const auto action = FColumnActions.find(column);
    return action != FColumnActions.end() ? action->second : nullptr;
}

void TFilePane::CreateView() {
    auto* view = new TDragView(this);
    FView = view;
    view->OnStartDrag = [this] { emit DragStarted(SelectedEntries()); };
    SetAccessibleText(view, QStringLiteral("Dateien"),
                      QStringLiteral("Die Dateien des gewählten Verzeichnisses oder die Treffer "
                                     "der Suche. Eingabe entpackt, Leertaste zeigt die Vorschau."));
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
    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setMinimumSectionSize(20);
    view->setModel(FEmptyList);
    header->resizeSection(0, 300);
    header->resizeSection(1, 80);
    connect(header, &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (section == 0 && size < 50)
            FView->header()->resizeSection(0, 50);
    });
    connect(view, &QAbstractItemView::doubleClicked, this, &TFilePane::FileActivated);
    // Space in the list only: elsewhere it belongs to buttons and text fields.
    connect(new QShortcut(Qt::Key_Space, view, nullptr, nullptr, Qt::WidgetShortcut),
            &QShortcut::activated, this, &TFilePane::PreviewRequested);
    // Enter and Escape: see eventFilter.
    view->installEventFilter(this);
    header->setSectionsClickable(true);
    connect(header, &QHeaderView::sectionClicked, this, &TFilePane::Sort);
    connect(header, &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        const TFileListModel* list = ShownList();
        if (FApplyingWidths || !list || section >= list->columnCount() ||
            (FView->header()->stretchLastSection() && section == list->columnCount() - 1))
            return;
        FColumnWidths[list->ColumnAt(section)] = size;
    });
}

void TFilePane::CreateMenus() {
    FFindAction = new QAction(QStringLiteral("&Suchen..."), this);
    FFindAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    FShowInFolder = new QAction(QStringLiteral("&Im Ordner zeigen"), this);
    FShowInFolder->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    FShowInFolder->setEnabled(false); // for hits of a find
    const QStringList stored =
        FState.Text(TWindowState::kColumns).split(QChar(','), Qt::SkipEmptyParts);
    for (const TOptionalColumn& optional : kOptionalColumns) {
        // Their first letters (E, V, A) are the menu's own beside "Suchen" and "Im Ordner".
        auto* action = new QAction(QChar('&') + ColumnCaption(optional.Column), this);
        action->setCheckable(true);
        action->setChecked(stored.contains(QLatin1String(optional.Key)));
        connect(action, &QAction::toggled, this, &TFilePane::ColumnsChanged);
        FColumnActions[optional.Column] = action;
    }
    FReadableSizes = new QAction(QStringLiteral("&Größen lesbar"), this);
    FReadableSizes->setCheckable(true);
    FReadableSizes->setChecked(FState.Text(TWindowState::kReadableSizes) == QLatin1String("1"));
    connect(FReadableSizes, &QAction::toggled, this, [this](bool readable) {
        FState.SetText(TWindowState::kReadableSizes, readable ? QStringLiteral("1") : QString());
        if (TFileListModel* list = ShownList())
            ShowList(list);
    });
    FCopyPaths = new QAction(QStringLiteral("&Pfad kopieren"), this);
    FProperties = new QAction(QStringLiteral("Eigen&schaften"), this);
    FPopup = new QMenu(this);
    FPopup->addAction(QStringLiteral("&Entpacken..."), this, &TFilePane::ExtractRequested);
    FView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(FView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (!FView->indexAt(at).isValid())
            return;
        FPopup->popup(FView->viewport()->mapToGlobal(at));
    });
}

void TFilePane::FillViewMenu(QMenu* menu) {
    menu->addAction(FFindAction);
    menu->addAction(FShowInFolder);
    menu->addSeparator();
    for (const TOptionalColumn& optional : kOptionalColumns)
        menu->addAction(FColumnActions.at(optional.Column));
    menu->addAction(FReadableSizes);
}

void TFilePane::AddView(QWidget* view) {
    static_cast<QVBoxLayout*>(layout())->addWidget(view, 1);
}

void TFilePane::AddToContextMenu(QAction* preview) {
    FPopup->addAction(preview);
    FPopup->addAction(FShowInFolder);
    FPopup->addAction(FCopyPaths);
    FPopup->addSeparator();
    FPopup->addAction(FProperties);
}

bool TFilePane::eventFilter(QObject* watched, QEvent* event) {
    if (watched != FView || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape && FFindOpen) {
        // Escape ends a find, in its hits as in its field.
        CloseFind();
        return true;
    }
    if (key == Qt::Key_Escape && FOther) {
        ShowFolder(FSession.Tree().SelectedNode());
        return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        // Enter extracts, as a double-click does: the selection when it is more than one file.
        emit ExtractRequested();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// --- rows and selection ---

int32_t TFilePane::EntryOfItem(const QModelIndex& item) {
    const auto* list = qobject_cast<const TFileListModel*>(item.model());
    return list && item.isValid() ? list->EntryAt(item.row()) : -1;
}

int32_t TFilePane::CurrentEntry() const {
    return EntryOfItem(FView->currentIndex());
}

uint64_t TFilePane::CurrentHitLine() const {
    const TFileListModel* list = ShownList();
    const QModelIndex current = FView->currentIndex();
    return list && current.isValid() ? list->LineNumberAt(current.row()) : 0;
}

int TFilePane::SelectedRowCount() const {
    return static_cast<int>(FView->selectionModel()->selectedRows().size());
}

int32_t TFilePane::FirstSelectedEntry() const {
    const QModelIndexList rows = FView->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : EntryOfItem(rows.first());
}

std::vector<int32_t> TFilePane::SelectedEntries() const {
    // In the list's order, not in the order they were selected.
    QModelIndexList rows = FView->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    std::vector<int32_t> entries;
    for (const QModelIndex& row : rows)
        if (const int32_t entry = EntryOfItem(row); entry >= 0)
            entries.push_back(entry);
    return entries;
}

// --- the list shown, its columns and order ---

TFileListModel* TFilePane::ShownList() const {
    return qobject_cast<TFileListModel*>(FView->model());
}

std::vector<TListColumn> TFilePane::ListColumns(bool hits) const {
    std::vector<TListColumn> columns{TListColumn::Name, TListColumn::Size};
    for (const TOptionalColumn& optional : kOptionalColumns)
        if (FColumnActions.at(optional.Column)->isChecked())
            columns.push_back(optional.Column);
    // Last, where it has the room that paths want.
    if (hits)
        columns.push_back(TListColumn::Folder);
    return columns;
}

std::pair<TListColumn, Qt::SortOrder> TFilePane::ChosenOrder() const {
    return FSortColumn ? std::pair(*FSortColumn, FSortOrder)
                       : std::pair(TListColumn::Folder, Qt::AscendingOrder);
}

void TFilePane::ShowFolder(const TDirNode* node) {
    // Choosing a folder ends a find: the list shows the folder again.
    if (FFindOpen)
        EndFind();
    ShowList(node && node->Files ? node->Files.get() : FEmptyList);
}

void TFilePane::ShowOtherList(TFileListModel* list) {
    if (FFindOpen)
        EndFind();
    FOther = list;
    ShowList(list);
    FView->setFocus();
}

void TFilePane::ShowEmpty() {
    ShowList(FEmptyList);
}

void TFilePane::ShowList(TFileListModel* list) {
    // A new model or new columns reset the header's widths: that is no choice of the user's.
    if (FOther && list != FOther) {
        FOther = nullptr;
        emit OtherListClosed();
    }
    FApplyingWidths = true;
    std::vector<TListColumn> columns =
        ListColumns(list == FHits || list == FOther || list == FContent->Hits());
    if (list == FContent->Hits())
        columns.insert(columns.begin() + 1, TListColumn::Line);
    if (list->ShowsChanges())
        columns.insert(columns.begin(), TListColumn::Change);
    list->SetColumns(columns);
    list->SetReadableSizes(FReadableSizes->isChecked());
    const std::pair<TListColumn, Qt::SortOrder> order = ChosenOrder();
    const std::vector<int32_t>& treeRank = FSession.TreeRank();
    if (list->Order() != order && !treeRank.empty()) {
        // Hits by name: the find's ranks of the names save comparing texts, once it has them.
        const std::shared_ptr<const std::vector<int32_t>> nameRank =
            FFind ? FFind->NameRank() : nullptr;
        list->Sort(order.first, order.second, treeRank, nameRank.get());
    }
    if (FView->model() != list) {
        FView->setModel(list);
        // Every model comes with a selection model of its own.
        connect(
            FView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { emit CurrentEntryChanged(EntryOfItem(current)); });
        connect(FView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &TFilePane::SelectionChanged);
        // A reset drops the selection without a word of it; hits of a find come in batches.
        connect(list, &QAbstractItemModel::modelReset, this, &TFilePane::SelectionChanged,
                Qt::UniqueConnection);
        connect(list, &QAbstractItemModel::rowsInserted, this, &TFilePane::SelectionChanged,
                Qt::UniqueConnection);
        emit ListChanged();
    }
    ApplyColumnWidths();
    FApplyingWidths = false;
    const int sortSection = FSortColumn ? list->ColumnOf(*FSortColumn) : -1;
    FView->header()->setSortIndicatorShown(sortSection >= 0);
    if (sortSection >= 0)
        FView->header()->setSortIndicator(sortSection, FSortOrder);
    emit SelectionChanged();
}

void TFilePane::ApplyColumnWidths() {
    const TFileListModel* list = ShownList();
    if (!list)
        return;
    // Beyond the two columns of a folder's list, the last one fills the width.
    const bool stretch = list->columnCount() > 2;
    FView->header()->setStretchLastSection(stretch);
    for (int section = 0; section < list->columnCount() - (stretch ? 1 : 0); ++section) {
        const auto width = FColumnWidths.find(list->ColumnAt(section));
        FView->header()->resizeSection(section, width != FColumnWidths.end()
                                                    ? width->second
                                                    : DefaultWidth(list->ColumnAt(section)));
    }
}

void TFilePane::Sort(int column) {
    TFileListModel* list = ShownList();
    if (!list || column < 0 || column >= list->columnCount() || FSession.TreeRank().empty())
        return;
    const TListColumn kind = list->ColumnAt(column);
    FSortOrder = FSortColumn == kind && FSortOrder == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                         : Qt::AscendingOrder;
    FSortColumn = kind;
    ShowList(list);
}

void TFilePane::ShowColumn(TListColumn column, bool shown) {
    if (QAction* action = ColumnAction(column))
        action->setChecked(shown); // ColumnsChanged follows a change
}

void TFilePane::ColumnsChanged() {
    QStringList keys;
    for (const TOptionalColumn& optional : kOptionalColumns)
        if (FColumnActions.at(optional.Column)->isChecked())
            keys << QLatin1String(optional.Key);
    FState.SetText(TWindowState::kColumns, keys.join(QChar(',')));
    if (TFileListModel* list = ShownList())
        ShowList(list);
}

// --- the find ---

void TFilePane::Find() {
    if (!FSession.RequireOpen())
        return;
    if (!FFind) {
        FFind = std::make_unique<TFindJob>(FSession.Reader(), FSession.TreeOrder(),
                                           FSession.TreeRank());
        connect(FFind.get(), &TFindJob::Found, this, &TFilePane::FoundHits);
        PrepareFileView();
    }
    if (!FFindOpen) {
        FFindOpen = true;
        FShowInFolder->setEnabled(true);
        FFindBar->show();
        SetFindText(edFind()->text());
    }
    edFind()->setFocus();
    edFind()->selectAll();
}

void TFilePane::FindInContent() {
    FFindBar->cbContent()->setChecked(true);
    Find();
}

void TFilePane::PrepareFileView() {
    // The view keeps the memory of its widest layout. Laying out the whole archive once now, while
    // the find bar opens, spares the first keystroke the cost of a first layout of as many rows
    // (twice that of any later one). The rows are never shown: they are taken as being in the
    // list's order, so that nothing sorts them.
    TFileListModel* shown = ShownList();
    FHits->SetHits(*FSession.TreeOrder(), ChosenOrder());
    ShowList(FHits);
    FView->doItemsLayout();
    FHits->SetHits({});
    ShowList(shown ? shown : FEmptyList);
}

void TFilePane::SetFindText(const QString& text) {
    if (!FFindOpen || !FSession.Open())
        return;
    if (edFind()->text() != text)
        edFind()->setText(text); // comes back here through textChanged
    if (FFindBar->InContent()) {
        FContent->Find(text);
        ShowList(FContent->Hits());
        return;
    }
    FContent->Stop();
    if (text.isEmpty()) {
        FHits->SetHits({});
        ShowList(FHits);
        FStatus.Set(QString());
        return;
    }
    // The job sorts the hits as the list is sorted: the pane only shows them.
    FFind->Find(text, ChosenOrder());
}

void TFilePane::FoundHits(const QString& text) {
    if (!FFindOpen || !FFind || text != edFind()->text())
        return;
    std::optional<TFindJob::THits> hits = FFind->TakeHits(text);
    if (!hits)
        return;
    const int count = static_cast<int>(hits->Entries.size());
    FHits->SetHits(std::move(hits->Entries), hits->Order);
    ShowList(FHits);
    // Laid out now rather than at the view's leisure, when the next keystroke may be at work.
    FView->doItemsLayout();
    FStatus.Set(QStringLiteral("%1 Treffer").arg(QLocale(QLocale::German).toString(count)));
    emit FindFinished(count);
}

void TFilePane::IntoHits() {
    // From the field into the hits.
    if (FView->model()->rowCount() > 0) {
        FView->setFocus();
        if (!FView->currentIndex().isValid())
            FView->setCurrentIndex(FView->model()->index(0, 0));
    }
}

void TFilePane::EndFind() {
    FFindOpen = false;
    FShowInFolder->setEnabled(false);
    FFindBar->hide();
    FHits->SetHits({});
    FContent->Stop();
}

void TFilePane::ShowFileCount() {
    FStatus.Set(QStringLiteral("%1 Dateien").arg(FSession.Reader().Count()));
}

void TFilePane::CloseFind() {
    if (!FFindOpen)
        return;
    EndFind();
    ShowFolder(FSession.Tree().SelectedNode());
    if (FSession.Open())
        ShowFileCount();
    FView->setFocus();
}

void TFilePane::ForgetArchive() {
    CloseFind();
    if (FOther)
        ShowEmpty();
    // The finds read the archive: they go first.
    FFind.reset();
    FContent->Forget();
}

void TFilePane::ShowInFolder() {
    const int32_t entry = CurrentEntry();
    if (!FFindOpen || entry < 0)
        return;
    const TDirNode* node =
        FSession.Tree().Root()->FindDirectoryOf(FSession.Reader().EntryPath(entry));
    if (!node)
        return;
    CloseFind();
    emit FolderWanted(node);
    TFileListModel* list = ShownList();
    const int row = list ? list->RowOf(entry) : -1;
    if (row < 0)
        return;
    FView->setCurrentIndex(list->index(row, 0));
    FView->scrollTo(FView->currentIndex());
    FView->setFocus();
}

// --- the list's own commands ---

void TFilePane::CopyPaths() {
    QStringList paths;
    for (const int32_t entry : SelectedEntries())
        paths << AnsiToQString(FSession.Reader().EntryPath(entry));
    if (!paths.isEmpty())
        QGuiApplication::clipboard()->setText(paths.join(QChar('\n')));
}

void TFilePane::ShowProperties() {
    const int32_t entry = CurrentEntry();
    if (entry < 0 || !FSession.Open())
        return;
    const TPakReader& reader = FSession.Reader();
    QStringList lines;
    lines << QStringLiteral("Pfad: %1").arg(AnsiToQString(reader.EntryPath(entry)))
          << QStringLiteral("Gespeichert: %1").arg(Bytes(reader.EntryStoredSize(entry)))
          << QStringLiteral("Entpackt: %1")
                 .arg(TRunStatus::Size(reader.EntryUnpackedSize(entry), FSession.RealSize(entry),
                                       Bytes))
          << QStringLiteral("Verhältnis: %1").arg(EntryText(reader, entry, TListColumn::Ratio))
          << QStringLiteral("Art: %1").arg(EntryText(reader, entry, TListColumn::Kind))
          << QStringLiteral("Datenposition: %1")
                 .arg(QLocale(QLocale::German).toString(reader.Entry(entry).Offset));
    FPrompts.ShowMessage(window(), lines.join(QChar('\n')), TPrompts::TIcon::Information);
}
