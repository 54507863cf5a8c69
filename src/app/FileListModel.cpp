#include "FileListModel.h"

#include "AnsiText.h"
#include "TextOrder.h"
#include "uPakReader.h"

#include <QCollatorSortKey>
#include <algorithm>
#include <iterator>
#include <thread>
#include <unordered_map>

TFileListModel::TFileListModel(const TPakReader& reader, QObject* parent)
    : QAbstractTableModel(parent)
    , FReader(reader) {}

void TFileListModel::SortByCaption() {
    FFetched = std::min(Count(), kRowsPerFetch);
    if (FEntries.size() < 2)
        return;
    // Captions are made once per sort, not once per comparison.
    std::vector<std::pair<QString, int32_t>> rows;
    rows.reserve(FEntries.size());
    for (int32_t entry : FEntries)
        rows.emplace_back(AnsiToQString(FReader.EntryName(entry)), entry);
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        return CompareText(a.first, b.first) < 0;
    });
    for (size_t i = 0; i < rows.size(); ++i)
        FEntries[i] = rows[i].second;
}

void TFileListModel::SetHits(std::vector<int32_t> entries) {
    beginResetModel();
    FEntries = std::move(entries);
    FFetched = std::min(Count(), kRowsPerFetch);
    FAcrossFolders = true;
    FOrder = {TListColumn::Folder, Qt::AscendingOrder};
    endResetModel();
}

int TFileListModel::RowOf(int32_t entry) {
    const auto found = std::find(FEntries.begin(), FEntries.end(), entry);
    if (found == FEntries.end())
        return -1;
    const int row = static_cast<int>(found - FEntries.begin());
    FetchUpTo(row + 1);
    return row;
}

void TFileListModel::FetchUpTo(int rows) {
    rows = std::min(rows, Count());
    if (rows <= FFetched)
        return;
    beginInsertRows({}, FFetched, rows - 1);
    FFetched = rows;
    endInsertRows();
}

bool TFileListModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && FFetched < Count();
}

void TFileListModel::fetchMore(const QModelIndex& parent) {
    if (!parent.isValid())
        FetchUpTo(FFetched + kRowsPerFetch);
}

void TFileListModel::SetColumns(const std::vector<TListColumn>& columns) {
    if (columns == FColumns)
        return;
    beginResetModel();
    FColumns = columns;
    endResetModel();
}

int TFileListModel::ColumnOf(TListColumn kind) const {
    const auto found = std::find(FColumns.begin(), FColumns.end(), kind);
    return found == FColumns.end() ? -1 : static_cast<int>(found - FColumns.begin());
}

namespace {

// Every sort is by one number per row with the tree rank behind it: no text is compared.
struct TSortRow {
    long double Key; // exact for every 64-bit size
    int32_t Rank;
    int32_t Entry;
    bool operator<(const TSortRow& other) const {
        return Key != other.Key ? Key < other.Key : Rank < other.Rank;
    }
};

double Ratio(const TPakReader& reader, int32_t entry) {
    const uint64_t unpacked = reader.EntryUnpackedSize(entry);
    return unpacked == 0
               ? 1.0
               : static_cast<double>(reader.EntryStoredSize(entry)) / static_cast<double>(unpacked);
}

// Entries from many directories in caption order of their names, where the tree rank says
// nothing about names: a sort key per name instead of a comparison of texts. Making the keys and
// sorting them is split in two halves, one per core, which are merged at the end.
std::vector<int32_t> ByName(const TPakReader& reader, const std::vector<int32_t>& entries,
                            const std::vector<int32_t>& treeRank) {
    using TKeyed = std::pair<QCollatorSortKey, int32_t>;
    const auto before = [&](const TKeyed& a, const TKeyed& b) {
        const int order = a.first.compare(b.first);
        return order != 0 ? order < 0 : treeRank[a.second] < treeRank[b.second];
    };
    const auto sortedKeys = [&](size_t from, size_t to) {
        std::vector<TKeyed> keys;
        keys.reserve(to - from);
        for (size_t i = from; i < to; ++i)
            keys.emplace_back(TextSortKey(AnsiToQString(reader.EntryName(entries[i]))), entries[i]);
        std::sort(keys.begin(), keys.end(), before);
        return keys;
    };
    const size_t half = entries.size() / 2;
    std::vector<TKeyed> upper;
    std::thread helper([&] { upper = sortedKeys(half, entries.size()); });
    const std::vector<TKeyed> lower = sortedKeys(0, half);
    helper.join();
    std::vector<TKeyed> merged;
    merged.reserve(entries.size());
    std::merge(lower.begin(), lower.end(), upper.begin(), upper.end(), std::back_inserter(merged),
               before);
    std::vector<int32_t> sorted;
    sorted.reserve(entries.size());
    for (const TKeyed& keyed : merged)
        sorted.push_back(keyed.second);
    return sorted;
}

} // namespace

void TFileListModel::SortRows(TListColumn column, Qt::SortOrder order,
                              const std::vector<int32_t>& treeRank) {
    if (column == TListColumn::Name && FAcrossFolders) {
        FEntries = ByName(FReader, FEntries, treeRank);
        if (order == Qt::DescendingOrder)
            std::reverse(FEntries.begin(), FEntries.end());
        return;
    }
    std::vector<TSortRow> rows;
    rows.reserve(FEntries.size());
    for (size_t i = 0; i < FEntries.size(); ++i) {
        const int32_t entry = FEntries[i];
        long double key = 0; // Name and Folder: the tree's own order
        switch (column) {
        case TListColumn::Name: // a folder's files: the tree orders them by name
        case TListColumn::Folder:
            break;
        case TListColumn::Size:
            key = static_cast<long double>(FReader.EntryStoredSize(entry));
            break;
        case TListColumn::Unpacked:
            key = static_cast<long double>(FReader.EntryUnpackedSize(entry));
            break;
        case TListColumn::Ratio:
            key = Ratio(FReader, entry);
            break;
        case TListColumn::Kind:
            key = FReader.EntryIsCompressed(entry) ? 1 : 0;
            break;
        }
        rows.push_back({key, treeRank[static_cast<size_t>(entry)], entry});
    }
    std::sort(rows.begin(), rows.end());
    if (order == Qt::DescendingOrder)
        std::reverse(rows.begin(), rows.end());
    for (size_t i = 0; i < rows.size(); ++i)
        FEntries[i] = rows[i].Entry;
}

void TFileListModel::Sort(TListColumn column, Qt::SortOrder order,
                          const std::vector<int32_t>& treeRank) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int32_t> entriesBefore;
    for (const QModelIndex& index : before)
        entriesBefore.push_back(EntryAt(index.row()));

    if (FOrder.first == column && FOrder.second != order)
        // Every tie is broken, so the other direction is this one reversed.
        std::reverse(FEntries.begin(), FEntries.end());
    else
        SortRows(column, order, treeRank);
    FOrder = {column, order};

    if (!before.isEmpty()) {
        std::unordered_map<int32_t, int> rowOf;
        for (size_t i = 0; i < FEntries.size(); ++i)
            rowOf.emplace(FEntries[i], static_cast<int>(i));
        QModelIndexList after;
        // A row sorted beyond those fetched is no longer selected.
        for (qsizetype i = 0; i < before.size(); ++i)
            after << index(rowOf[entriesBefore[static_cast<size_t>(i)]], before[i].column());
        changePersistentIndexList(before, after);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int TFileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FFetched;
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
    if (!index.isValid() || index.row() >= FFetched || index.column() >= columnCount())
        return {};
    const TListColumn column = ColumnAt(index.column());
    if (role == Qt::DisplayRole)
        return EntryText(FReader, EntryAt(index.row()), column);
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
    return index.isValid() ? QAbstractTableModel::flags(index) | Qt::ItemIsDragEnabled
                           : QAbstractTableModel::flags(index);
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
    }
    return {};
}
