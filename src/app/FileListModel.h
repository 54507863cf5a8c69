#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

class TPakReader;

// The files of one archive directory as the list shows them: "Dateiname" and "Größe" (the stored
// size in bytes). Rows hold entry indices only; texts are made from the reader when shown, so a
// million entries cost four bytes each.
class TFileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TFileListModel(const TPakReader& reader, QObject* parent = nullptr);

    // While loading: appends an entry; SortByCaption puts the rows in order afterwards.
    void Add(int32_t entryIndex) { FEntries.push_back(entryIndex); }
    // Ascending caption order (the locale-aware order of the tree); equal captions keep entry
    // order.
    void SortByCaption();

    int32_t EntryAt(int row) const { return FEntries[static_cast<size_t>(row)]; }
    int Count() const { return static_cast<int>(FEntries.size()); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const TPakReader& FReader;
    std::vector<int32_t> FEntries;
};
