#include "FileListModel.h"

#include "AnsiText.h"
#include "AppText.h"
#include "ListOrder.h"
#include "SizeText.h"
#include "uPakReader.h"

#include <algorithm>
#include <unordered_map>

TFileListModel::TFileListModel(const TPakReader& reader, QObject* parent)
    : QAbstractTableModel(parent)
    , FReader(reader) {}

void TFileListModel::ShowFolder(std::shared_ptr<const std::vector<int32_t>> treeOrder, size_t first,
                                size_t count) {
    beginResetModel();
    FTreeOrder = std::move(treeOrder);
    FRows = std::span<const int32_t>(*FTreeOrder).subspan(first, count);
    std::vector<int32_t>().swap(FOwnRows);
    endResetModel();
}

std::vector<int32_t>& TFileListModel::OwnRows() {
    if (FTreeOrder) {
        FOwnRows.assign(FRows.begin(), FRows.end());
        FTreeOrder.reset();
    }
    return FOwnRows;
}

void TFileListModel::ShowOwnRows() {
    FTreeOrder.reset();
    FRows = FOwnRows;
}

void TFileListModel::SetHits(std::vector<int32_t> entries,
                             std::pair<TListColumn, Qt::SortOrder> order) {
    beginResetModel();
    FOwnRows = std::move(entries);
    ShowOwnRows();
    FChanges.clear();
    FLines.clear();
    FLineNumbers.clear();
    FOlder = nullptr;
    FAcrossFolders = true;
    FOrder = order;
    endResetModel();
}

void TFileListModel::AppendHits(const std::vector<int32_t>& entries, std::vector<QString> lines,
                                std::vector<uint64_t> numbers) {
    if (entries.empty())
        return;
    const int first = Count();
    beginInsertRows({}, first, first + static_cast<int>(entries.size()) - 1);
    std::vector<int32_t>& rows = OwnRows();
    rows.insert(rows.end(), entries.begin(), entries.end());
    ShowOwnRows();
    FLines.insert(FLines.end(), std::make_move_iterator(lines.begin()),
                  std::make_move_iterator(lines.end()));
    numbers.resize(entries.size());
    FLineNumbers.insert(FLineNumbers.end(), numbers.begin(), numbers.end());
    FAcrossFolders = true;
    endInsertRows();
}

void TFileListModel::SetChanges(std::vector<TChangeRow> rows, const TPakReader* older) {
    beginResetModel();
    FChanges = std::move(rows);
    FOlder = older;
    FOwnRows.clear();
    for (const TChangeRow& row : FChanges)
        FOwnRows.push_back(row.Entry);
    ShowOwnRows();
    FAcrossFolders = true;
    endResetModel();
}

int TFileListModel::RowOf(int32_t entry) const {
    const auto found = std::find(FRows.begin(), FRows.end(), entry);
    return found == FRows.end() ? -1 : static_cast<int>(found - FRows.begin());
}

void TFileListModel::SetColumns(const std::vector<TListColumn>& columns) {
    if (columns == FColumns)
        return;
    beginResetModel();
    FColumns = columns;
    endResetModel();
}

void TFileListModel::SetReadableSizes(bool readable) {
    if (readable == FReadableSizes)
        return;
    FReadableSizes = readable;
    // The rows stay, and with them the selection.
    if (Count() > 0)
        emit dataChanged(index(0, 0), index(Count() - 1, columnCount() - 1), {Qt::DisplayRole});
}

int TFileListModel::ColumnOf(TListColumn kind) const {
    const auto found = std::find(FColumns.begin(), FColumns.end(), kind);
    return found == FColumns.end() ? -1 : static_cast<int>(found - FColumns.begin());
}

void TFileListModel::Sort(TListColumn column, Qt::SortOrder order,
                          const std::vector<int32_t>& treeRank,
                          const std::vector<int32_t>* nameRank) {
    if (ShowsChanges() || HasLines())
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int32_t> entriesBefore;
    for (const QModelIndex& index : before)
        entriesBefore.push_back(EntryAt(index.row()));

    std::vector<int32_t>& rows = OwnRows();
    if (FOrder.first == column && FOrder.second != order)
        // Every tie is broken, so the other direction is this one reversed.
        std::reverse(rows.begin(), rows.end());
    else
        SortEntries(FReader, rows, column, order, treeRank, FAcrossFolders, nameRank);
    ShowOwnRows();
    FOrder = {column, order};

    if (!before.isEmpty()) {
        std::unordered_map<int32_t, int> rowOf;
        for (size_t i = 0; i < FRows.size(); ++i)
            rowOf.emplace(FRows[i], static_cast<int>(i));
        QModelIndexList after;
        for (qsizetype i = 0; i < before.size(); ++i)
            after << index(rowOf[entriesBefore[static_cast<size_t>(i)]], before[i].column());
        changePersistentIndexList(before, after);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int TFileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

QModelIndex TFileListModel::index(int row, int column, const QModelIndex& parent) const {
    return !parent.isValid() && row >= 0 && row < Count() && column >= 0 &&
                   column < static_cast<int>(FColumns.size())
               ? createIndex(row, column)
               : QModelIndex();
}

int TFileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(FColumns.size());
}

QString EntryText(const TPakReader& reader, int32_t entry, TListColumn column) {
    switch (column) {
    case TListColumn::Name:
        return AnsiToQString(reader.EntryName(entry));
    case TListColumn::Folder:
        return AnsiToQString(reader.EntryDir(entry));
    case TListColumn::Size:
        return QString::number(reader.EntryStoredSize(entry));
    case TListColumn::Unpacked:
        return QString::number(reader.EntryUnpackedSize(entry));
    case TListColumn::Ratio:
        // A hostile archive may claim any sizes: the percentage is kept within reason.
        return QStringLiteral("%1 %").arg(qRound64(std::min(Ratio(reader, entry) * 100, 1e12)));
    case TListColumn::Kind:
        return reader.EntryIsCompressed(entry) ? QStringLiteral("gepackt")
                                               : QStringLiteral("ungepackt");
    case TListColumn::Change:
    case TListColumn::Line:
        break; // a property of the row, not of the entry
    }
    return {};
}

QString ChangeText(TChangeRow::TKind kind) {
    switch (kind) {
    case TChangeRow::New:
        return QStringLiteral("neu");
    case TChangeRow::Changed:
        return QStringLiteral("geändert");
    case TChangeRow::Removed:
        return QStringLiteral("entfernt");
    case TChangeRow::Moved:
        return QStringLiteral("verschoben");
    }
    return {};
}

namespace {

// Numbers are aligned right, in their cells as in their headers.
QVariant Alignment(TListColumn column) {
    if (column == TListColumn::Size || column == TListColumn::Unpacked ||
        column == TListColumn::Ratio)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

} // namespace

QVariant TFileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count() || index.column() >= columnCount())
        return {};
    const TListColumn column = ColumnAt(index.column());
    // A removed file of a comparison is shown from the older archive.
    const TChangeRow* change =
        ShowsChanges() ? &FChanges[static_cast<size_t>(index.row())] : nullptr;
    const TPakReader& reader = change && change->Entry < 0 ? *FOlder : FReader;
    const int32_t entry = change && change->Entry < 0 ? change->Older : EntryAt(index.row());
    if (column == TListColumn::Change)
        return role == Qt::DisplayRole && change ? QVariant(ChangeText(change->Kind)) : QVariant();
    if (column == TListColumn::Line) {
        if (role != Qt::DisplayRole || !HasLines())
            return {};
        const QString& line = FLines[static_cast<size_t>(index.row())];
        return line.isEmpty() ? QStringLiteral("(Binärdatei)") : line;
    }
    if (column == TListColumn::Name && (role == Qt::DisplayRole || role == Qt::FontRole)) {
        const QString name = EntryText(reader, entry, column);
        return role == Qt::DisplayRole ? QVariant(ShownName(name)) : ShownNameFont(name);
    }
    if (role == Qt::DisplayRole && FReadableSizes && column == TListColumn::Size)
        return ReadableSize(reader.EntryStoredSize(entry));
    if (role == Qt::DisplayRole && FReadableSizes && column == TListColumn::Unpacked)
        return ReadableSize(reader.EntryUnpackedSize(entry));
    if (role == Qt::DisplayRole)
        return EntryText(reader, entry, column);
    if (role == Qt::TextAlignmentRole)
        return Alignment(column);
    return {};
}

QVariant TFileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return ColumnCaption(ColumnAt(section));
    if (role == Qt::TextAlignmentRole)
        return Alignment(ColumnAt(section));
    return {};
}

Qt::ItemFlags TFileListModel::flags(const QModelIndex& index) const {
    // Files may be dragged out of the list, to a file manager or the desktop.
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren |
                                 Qt::ItemIsDragEnabled
                           : Qt::NoItemFlags;
}

QString ColumnCaption(TListColumn column) {
    switch (column) {
    case TListColumn::Name:
        return QStringLiteral("Dateiname");
    case TListColumn::Folder:
        return QStringLiteral("Ordner");
    case TListColumn::Size:
        return QStringLiteral("Größe");
    case TListColumn::Unpacked:
        return QStringLiteral("Entpackt");
    case TListColumn::Ratio:
        return QStringLiteral("Verhältnis");
    case TListColumn::Kind:
        return QStringLiteral("Art");
    case TListColumn::Change:
        return QStringLiteral("Änderung");
    case TListColumn::Line:
        return QStringLiteral("Zeile");
    }
    return {};
}
