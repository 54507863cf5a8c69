// The file list beyond showing a folder: its columns (the optional ones of "Ansicht"), sorting
// by a click on a header, the selection of several files and the list's context menu.
#include "AnsiText.h"
#include "FindJob.h"
#include "Main.h"
#include "Prompts.h"
#include "RunStatus.h"
#include "WindowState.h"
#include "uPakReader.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QTreeView>

namespace {

// The columns of "Ansicht", in the menu's order, which is also their order in the list.
struct TOptionalColumn {
    TListColumn Column;
    const char* Key;            // how the store remembers it
    QAction* TfrmMain::*Action; // its item, checked while it is shown
};
constexpr TOptionalColumn kOptionalColumns[] = {
    {TListColumn::Unpacked, "Unpacked", &TfrmMain::acColumnUnpacked},
    {TListColumn::Ratio, "Ratio", &TfrmMain::acColumnRatio},
    {TListColumn::Kind, "Kind", &TfrmMain::acColumnKind},
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

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || (watched != lvFiles && watched != edFind))
        return QMainWindow::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (key == Qt::Key_Escape && FFindOpen) {
        // Escape ends a find, in its field as in its hits.
        CloseFindCommand();
        return true;
    }
    if (watched == lvFiles && enter) {
        // Enter extracts, as a double-click does: the selection when it is more than one file.
        ExtractSelectedFileCommand();
        return true;
    }
    if (watched == edFind && (enter || key == Qt::Key_Down)) {
        // From the field into the hits.
        if (lvFiles->model()->rowCount() > 0) {
            lvFiles->setFocus();
            if (!lvFiles->currentIndex().isValid())
                lvFiles->setCurrentIndex(lvFiles->model()->index(0, 0));
        }
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::CreateListMenus() {
    mnView = new QMenu(QStringLiteral("&Ansicht"), this);
    menuBar()->insertMenu(mnHelp->menuAction(), mnView);
    acFind = mnView->addAction(QStringLiteral("&Suchen..."), this, &TfrmMain::FindCommand);
    acFind->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    acShowInFolder = mnView->addAction(QStringLiteral("&Im Ordner zeigen"), this,
                                       &TfrmMain::ShowInFolderCommand);
    acShowInFolder->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    acShowInFolder->setEnabled(false); // for hits of a find
    mnView->addSeparator();
    const QStringList stored =
        FState->Text(TWindowState::kColumns).split(QChar(','), Qt::SkipEmptyParts);
    for (const TOptionalColumn& optional : kOptionalColumns) {
        // Their first letters (E, V, A) are the menu's own beside "Suchen" and "Im Ordner".
        QAction* action = mnView->addAction(QChar('&') + ColumnCaption(optional.Column));
        action->setCheckable(true);
        action->setChecked(stored.contains(QLatin1String(optional.Key)));
        connect(action, &QAction::toggled, this, &TfrmMain::ColumnsChanged);
        this->*optional.Action = action;
    }

    acCopyPaths = new QAction(QStringLiteral("&Pfad kopieren"), this);
    connect(acCopyPaths, &QAction::triggered, this, &TfrmMain::CopyPathsCommand);
    acProperties = new QAction(QStringLiteral("Eigen&schaften"), this);
    connect(acProperties, &QAction::triggered, this, &TfrmMain::PropertiesCommand);
    PopupFiles = new QMenu(this);
    PopupFiles->addAction(QStringLiteral("&Entpacken..."), this,
                          &TfrmMain::ExtractSelectedFileCommand);
    PopupFiles->addAction(acPreview);
    PopupFiles->addAction(acShowInFolder);
    PopupFiles->addAction(acCopyPaths);
    PopupFiles->addSeparator();
    PopupFiles->addAction(acProperties);
    lvFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lvFiles, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (!lvFiles->indexAt(at).isValid())
            return;
        PopupFiles->popup(lvFiles->viewport()->mapToGlobal(at));
    });
    // Enter, Escape and the arrow down: see eventFilter.
    lvFiles->installEventFilter(this);
    edFind->installEventFilter(this);

    QHeaderView* header = lvFiles->header();
    header->setSectionsClickable(true);
    connect(header, &QHeaderView::sectionClicked, this, &TfrmMain::SortCommand);
    connect(header, &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        const TFileListModel* list = ShownList();
        if (FApplyingWidths || !list || section >= list->columnCount() ||
            (lvFiles->header()->stretchLastSection() && section == list->columnCount() - 1))
            return;
        FColumnWidths[list->ColumnAt(section)] = size;
    });
}

TFileListModel* TfrmMain::ShownList() const {
    return qobject_cast<TFileListModel*>(lvFiles->model());
}

std::vector<TListColumn> TfrmMain::ListColumns(bool hits) const {
    std::vector<TListColumn> columns{TListColumn::Name, TListColumn::Size};
    for (const TOptionalColumn& optional : kOptionalColumns)
        if ((this->*optional.Action)->isChecked())
            columns.push_back(optional.Column);
    // Last, where it has the room that paths want.
    if (hits)
        columns.push_back(TListColumn::Folder);
    return columns;
}

std::pair<TListColumn, Qt::SortOrder> TfrmMain::ChosenOrder() const {
    return FSortColumn ? std::pair(*FSortColumn, FSortOrder)
                       : std::pair(TListColumn::Folder, Qt::AscendingOrder);
}

void TfrmMain::ShowList(TFileListModel* list) {
    // A new model or new columns reset the header's widths: that is no choice of the user's.
    FApplyingWidths = true;
    list->SetColumns(ListColumns(list == FHits));
    const std::pair<TListColumn, Qt::SortOrder> order = ChosenOrder();
    if (list->Order() != order && !FTreeRank.empty()) {
        // Hits by name: the find's ranks of the names save comparing texts, once it has them.
        const std::shared_ptr<const std::vector<int32_t>> nameRank =
            FFind ? FFind->NameRank() : nullptr;
        list->Sort(order.first, order.second, FTreeRank, nameRank.get());
    }
    if (lvFiles->model() != list) {
        lvFiles->setModel(list);
        // Every model comes with a selection model of its own.
        connect(lvFiles->selectionModel(), &QItemSelectionModel::currentChanged, this,
                &TfrmMain::FileChanged, Qt::UniqueConnection);
    }
    ApplyColumnWidths();
    FApplyingWidths = false;
    const int sortSection = FSortColumn ? list->ColumnOf(*FSortColumn) : -1;
    lvFiles->header()->setSortIndicatorShown(sortSection >= 0);
    if (sortSection >= 0)
        lvFiles->header()->setSortIndicator(sortSection, FSortOrder);
}

void TfrmMain::ApplyColumnWidths() {
    const TFileListModel* list = ShownList();
    if (!list)
        return;
    // Beyond the two columns of a folder's list, the last one fills the width.
    const bool stretch = list->columnCount() > 2;
    lvFiles->header()->setStretchLastSection(stretch);
    for (int section = 0; section < list->columnCount() - (stretch ? 1 : 0); ++section) {
        const auto width = FColumnWidths.find(list->ColumnAt(section));
        lvFiles->header()->resizeSection(section, width != FColumnWidths.end()
                                                      ? width->second
                                                      : DefaultWidth(list->ColumnAt(section)));
    }
}

void TfrmMain::SortCommand(int column) {
    Run([&] {
        TFileListModel* list = ShownList();
        if (!list || column < 0 || column >= list->columnCount() || FTreeRank.empty())
            return;
        const TListColumn kind = list->ColumnAt(column);
        FSortOrder = FSortColumn == kind && FSortOrder == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                             : Qt::AscendingOrder;
        FSortColumn = kind;
        ShowList(list);
    });
}

void TfrmMain::ShowColumnCommand(TListColumn column, bool shown) {
    for (const TOptionalColumn& optional : kOptionalColumns)
        if (optional.Column == column)
            (this->*optional.Action)->setChecked(shown); // ColumnsChanged follows a change
}

void TfrmMain::ColumnsChanged() {
    QStringList keys;
    for (const TOptionalColumn& optional : kOptionalColumns)
        if ((this->*optional.Action)->isChecked())
            keys << QLatin1String(optional.Key);
    FState->SetText(TWindowState::kColumns, keys.join(QChar(',')));
    if (TFileListModel* list = ShownList())
        ShowList(list);
}

std::vector<int32_t> TfrmMain::SelectedEntries() const {
    // In the list's order, not in the order they were selected.
    QModelIndexList rows = lvFiles->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    std::vector<int32_t> entries;
    for (const QModelIndex& row : rows)
        if (const int32_t entry = EntryOfItem(row); entry >= 0)
            entries.push_back(entry);
    return entries;
}

void TfrmMain::CopyPathsCommand() {
    Run([&] {
        QStringList paths;
        for (const int32_t entry : SelectedEntries())
            paths << AnsiToQString(FReader->EntryPath(entry));
        if (!paths.isEmpty())
            QGuiApplication::clipboard()->setText(paths.join(QChar('\n')));
    });
}

std::optional<uint64_t> TfrmMain::RealSize(int32_t entry) const {
    const auto known = FRealSizes.find(entry);
    return known != FRealSizes.end() ? std::optional(known->second) : std::nullopt;
}

void TfrmMain::PropertiesCommand() {
    Run([&] {
        const int32_t entry = EntryOfItem(lvFiles->currentIndex());
        if (entry < 0 || !FArchiveOpen)
            return;
        QStringList lines;
        lines
            << QStringLiteral("Pfad: %1").arg(AnsiToQString(FReader->EntryPath(entry)))
            << QStringLiteral("Gespeichert: %1").arg(Bytes(FReader->EntryStoredSize(entry)))
            << QStringLiteral("Entpackt: %1")
                   .arg(TRunStatus::Size(FReader->EntryUnpackedSize(entry), RealSize(entry), Bytes))
            << QStringLiteral("Verhältnis: %1").arg(EntryText(*FReader, entry, TListColumn::Ratio))
            << QStringLiteral("Art: %1").arg(EntryText(*FReader, entry, TListColumn::Kind))
            << QStringLiteral("Datenposition: %1")
                   .arg(QLocale(QLocale::German).toString(FReader->Entry(entry).Offset));
        FPrompts.ShowMessage(this, lines.join(QChar('\n')), TPrompts::TIcon::Information);
    });
}
