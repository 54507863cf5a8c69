#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <utility>
#include <vector>

class TPakReader;

// What a column of the file list shows.
enum class TListColumn {
    Name,     // "Dateiname"
    Folder,   // "Ordner": the entry's directory, for hits of a find
    Size,     // "Größe": the stored size in bytes
    Unpacked, // "Entpackt": the size once unpacked
    Ratio,    // "Verhältnis": stored size in percent of the unpacked one
    Kind,     // "Art": "gepackt" or "ungepackt"
};

// The files of one archive directory (or the hits of a find) as the list shows them. Rows hold
// entry indices only; texts are made from the reader when shown, so a million entries cost four
// bytes each. The columns are "Dateiname" and "Größe" unless the window asks for others.
class TFileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TFileListModel(const TPakReader& reader, QObject* parent = nullptr);

    // While loading: appends an entry; SortByCaption puts the rows in order afterwards.
    void Add(int32_t entryIndex) { FEntries.push_back(entryIndex); }
    // Ascending caption order (the locale-aware order of the tree); equal captions keep entry
    // order.
    void SortByCaption();
    // Replaces the rows with entries from anywhere in the archive (the hits of a find).
    void SetHits(std::vector<int32_t> entries);

    int32_t EntryAt(int row) const { return FEntries[static_cast<size_t>(row)]; }
    // All rows, also those the view has not fetched yet.
    int Count() const { return static_cast<int>(FEntries.size()); }
    // The row that shows entry, fetched for the view if need be; or -1.
    int RowOf(int32_t entry);

    void SetColumns(const std::vector<TListColumn>& columns);
    TListColumn ColumnAt(int column) const { return FColumns[static_cast<size_t>(column)]; }
    int ColumnOf(TListColumn kind) const;

    // Puts the rows in the order of column. treeRank gives each entry's position in the tree's
    // own order (directories as the tree shows them, each one's files by caption): it orders a
    // directory's files by name without comparing texts, and breaks every tie, so that
    // descending is ascending reversed. Selections follow their entries.
    void Sort(TListColumn column, Qt::SortOrder order, const std::vector<int32_t>& treeRank);
    // The order the rows are in: at first the tree rank's own, the same as by folder.
    std::pair<TListColumn, Qt::SortOrder> Order() const { return FOrder; }

    // The view sees the rows in batches, fetching the next one when it scrolls to the end: a
    // view lays out every row it knows of, which for a million rows would hold up the window.
    int rowCount(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    static constexpr int kRowsPerFetch = 20000;
    void FetchUpTo(int rows);
    void SortRows(TListColumn column, Qt::SortOrder order, const std::vector<int32_t>& treeRank);

    const TPakReader& FReader;
    std::vector<int32_t> FEntries;
    int FFetched = 0; // rows the view knows of
    std::vector<TListColumn> FColumns{TListColumn::Name, TListColumn::Size};
    bool FAcrossFolders = false; // hits of a find rather than one directory's files
    std::pair<TListColumn, Qt::SortOrder> FOrder{TListColumn::Folder, Qt::AscendingOrder};
};

// The German caption of a column.
QString ColumnCaption(TListColumn column);
// What the column shows for entry.
QString EntryText(const TPakReader& reader, int32_t entry, TListColumn column);
