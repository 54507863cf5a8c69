#include "FileListModel.h"

#include "AnsiText.h"
#include "TextOrder.h"
#include "uPakReader.h"

#include <algorithm>

TFileListModel::TFileListModel(const TPakReader& reader, QObject* parent)
    : QAbstractTableModel(parent)
    , FReader(reader) {}

void TFileListModel::SortByCaption() {
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

int TFileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

int TFileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant TFileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count())
        return {};
    const int32_t entry = EntryAt(index.row());
    if (role == Qt::DisplayRole) {
        if (index.column() == 0)
            return AnsiToQString(FReader.EntryName(entry));
        return QString::number(FReader.EntryStoredSize(entry));
    }
    if (role == Qt::TextAlignmentRole && index.column() == 1)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant TFileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole)
        return section == 0 ? QStringLiteral("Dateiname") : QStringLiteral("Größe");
    if (role == Qt::TextAlignmentRole && section == 1)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}
