#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <cstdint>
#include <memory>
#include <span>
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
    Change,   // "Änderung": what a comparison found, for its rows
    Line,     // "Zeile": the first matching line, for hits of a find in the content
};

// A row of a comparison's list: a file of the open archive that is new, changed or moved, or
// one of the older archive that is gone.
struct TChangeRow {
    enum TKind : uint8_t { New, Changed, Removed, Moved };
    TKind Kind;
    int32_t Entry; // in the open archive; -1 for a removed file
    int32_t Older; // in the older archive; -1 for a new file
};

// The files of one archive directory (or the hits of a find) as the list shows them. Rows hold
// entry indices only; texts are made from the reader when shown, so a million entries cost four
// bytes each. The columns are "Dateiname" and "Größe" unless the window asks for others.
class TFileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TFileListModel(const TPakReader& reader, QObject* parent = nullptr);

    // Shows a directory's files: count entries of the tree's order from first on, in caption
    // order already. The list keeps the order alive and holds no rows of its own until it is
    // sorted otherwise.
    void ShowFolder(std::shared_ptr<const std::vector<int32_t>> treeOrder, size_t first,
                    size_t count);
    // Replaces the rows with entries from anywhere in the archive (the hits of a find), which are
    // in order already (see Order).
    void SetHits(std::vector<int32_t> entries, std::pair<TListColumn, Qt::SortOrder> order = {
                                                   TListColumn::Folder, Qt::AscendingOrder});

    // Hits of a find in the content carry each row's first matching line (empty: binary
    // content); SetHits drops them.
    bool HasLines() const { return !FLines.empty(); }
    // Appends hits of a find in the content, with their lines and the lines' numbers (from 1;
    // 0 for none), in the order they come.
    void AppendHits(const std::vector<int32_t>& entries, std::vector<QString> lines,
                    std::vector<uint64_t> numbers = {});
    // The number of the matching line of a hit of the find in the content; 0 for none.
    uint64_t LineNumberAt(int row) const {
        return static_cast<size_t>(row) < FLineNumbers.size()
                   ? FLineNumbers[static_cast<size_t>(row)]
                   : 0;
    }
    // Replaces the rows with a comparison's, in the order given; a removed file's row shows it
    // from older and stands for no entry of the open archive (EntryAt -1). Sorting leaves them
    // in that order.
    void SetChanges(std::vector<TChangeRow> rows, const TPakReader* older);
    bool ShowsChanges() const { return !FChanges.empty(); }
    // A comparison's row of a removed file: its entry in the older archive; else -1.
    int32_t OlderAt(int row) const {
        return ShowsChanges() && FRows[static_cast<size_t>(row)] < 0
                   ? FChanges[static_cast<size_t>(row)].Older
                   : -1;
    }
    int32_t EntryAt(int row) const { return FRows[static_cast<size_t>(row)]; }
    int Count() const { return static_cast<int>(FRows.size()); }
    // The row that shows entry, or -1.
    int RowOf(int32_t entry) const;

    void SetColumns(const std::vector<TListColumn>& columns);
    TListColumn ColumnAt(int column) const { return FColumns[static_cast<size_t>(column)]; }
    int ColumnOf(TListColumn kind) const;
    // "Größe" and "Entpackt" in units (ReadableSize) rather than as plain numbers of bytes;
    // their order stays that of the numbers.
    void SetReadableSizes(bool readable);

    // Puts the rows in the order of column (see SortEntries, with nameRank for hits by name, if
    // it is at hand). Selections follow their entries.
    void Sort(TListColumn column, Qt::SortOrder order, const std::vector<int32_t>& treeRank,
              const std::vector<int32_t>* nameRank = nullptr);
    // The order the rows are in: at first the tree rank's own, the same as by folder.
    std::pair<TListColumn, Qt::SortOrder> Order() const { return FOrder; }

    // Every row at once: the view has uniform row heights, so laying out a million rows costs it
    // a few milliseconds, and End and the scroll bar stand for the whole list.
    int rowCount(const QModelIndex& parent = {}) const override;
    // index and flags are asked for every row of a layout: they call nothing else.
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    // The rows, as entry indices: a directory's part of the tree's order, or FOwnRows.
    std::span<const int32_t> FRows;
    // FRows made to be changed: copied from the tree's order first where they are part of it.
    std::vector<int32_t>& OwnRows();
    // Shows FOwnRows, after they changed.
    void ShowOwnRows();

    const TPakReader& FReader;
    std::shared_ptr<const std::vector<int32_t>> FTreeOrder;
    std::vector<int32_t> FOwnRows;
    std::vector<TListColumn> FColumns{TListColumn::Name, TListColumn::Size};
    bool FReadableSizes = false;
    bool FAcrossFolders = false;        // hits of a find rather than one directory's files
    std::vector<TChangeRow> FChanges;   // a comparison's rows, beside FRows
    std::vector<QString> FLines;        // a find in the content's lines, beside FRows
    std::vector<uint64_t> FLineNumbers; // and their numbers
    const TPakReader* FOlder = nullptr;
    std::pair<TListColumn, Qt::SortOrder> FOrder{TListColumn::Folder, Qt::AscendingOrder};
};

// The German caption of a column.
QString ColumnCaption(TListColumn column);
// "neu", "geändert", "entfernt", "verschoben".
QString ChangeText(TChangeRow::TKind kind);
// What the column shows for entry.
QString EntryText(const TPakReader& reader, int32_t entry, TListColumn column);
