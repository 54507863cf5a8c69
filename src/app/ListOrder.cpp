#include "ListOrder.h"

#include "AnsiText.h"
#include "Cp1252.h"
#include "TextOrder.h"
#include "uPakReader.h"

#include <QCollatorSortKey>
#include <algorithm>
#include <iterator>
#include <numeric>
#include <string>
#include <thread>

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

// Entries in caption order of their names: a sort key per name instead of a comparison of
// texts. Making the keys and sorting them is split in two halves, one per core, which are merged
// at the end.
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

// The caption of an entry's name, made in buffer.
QStringView CaptionIn(std::u16string& buffer, const TPakReader& reader, int32_t entry) {
    const std::string_view name = reader.EntryName(entry);
    buffer.resize(name.size());
    cp1252::ToUtf16(name, buffer.data());
    return buffer;
}

long double Key(const TPakReader& reader, int32_t entry, TListColumn column,
                const std::vector<int32_t>* nameRank) {
    switch (column) {
    case TListColumn::Name: // a folder's files: the tree orders them by name
        return nameRank ? (*nameRank)[static_cast<size_t>(entry)] : 0;
    case TListColumn::Folder:
        return 0; // the tree's own order
    case TListColumn::Size:
        return static_cast<long double>(reader.EntryStoredSize(entry));
    case TListColumn::Unpacked:
        return static_cast<long double>(reader.EntryUnpackedSize(entry));
    case TListColumn::Ratio:
        return Ratio(reader, entry);
    case TListColumn::Kind:
        return reader.EntryIsCompressed(entry) ? 1 : 0;
    case TListColumn::Change:
    case TListColumn::Line:
        return 0; // a comparison's and a content find's lists keep their order
    }
    return 0;
}

} // namespace

double Ratio(const TPakReader& reader, int32_t entry) {
    const uint64_t unpacked = reader.EntryUnpackedSize(entry);
    return unpacked == 0
               ? 1.0
               : static_cast<double>(reader.EntryStoredSize(entry)) / static_cast<double>(unpacked);
}

std::vector<int32_t> NameRanks(const TPakReader& reader, const std::vector<int32_t>& treeRank) {
    std::vector<int32_t> all(treeRank.size());
    std::iota(all.begin(), all.end(), 0);
    const std::vector<int32_t> sorted = ByName(reader, all, treeRank);
    std::vector<int32_t> rank(sorted.size());
    for (size_t position = 0; position < sorted.size(); ++position)
        rank[static_cast<size_t>(sorted[position])] = static_cast<int32_t>(position);
    return rank;
}

void SortByCaption(const TPakReader& reader, std::span<int32_t> entries) {
    if (entries.size() < 2)
        return;
    const TTextOrder order;
    // Archives are mostly written in name order. Comparing neighbours finds that out at the cost
    // of one comparison per file, without a caption kept for any, and stops at the first pair
    // out of order.
    std::u16string previous, current;
    CaptionIn(previous, reader, entries[0]);
    size_t i = 1;
    for (; i < entries.size(); ++i) {
        if (order.Less(CaptionIn(current, reader, entries[i]), previous))
            break;
        previous.swap(current);
    }
    if (i == entries.size())
        return;
    // Captions are made once per sort, not once per comparison.
    std::vector<std::pair<QString, int32_t>> rows;
    rows.reserve(entries.size());
    for (int32_t entry : entries)
        rows.emplace_back(AnsiToQString(reader.EntryName(entry)), entry);
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const auto& a, const auto& b) { return order.Less(a.first, b.first); });
    for (size_t row = 0; row < rows.size(); ++row)
        entries[row] = rows[row].second;
}

void SortEntries(const TPakReader& reader, std::vector<int32_t>& entries, TListColumn column,
                 Qt::SortOrder order, const std::vector<int32_t>& treeRank, bool acrossFolders,
                 const std::vector<int32_t>* nameRank) {
    if (column == TListColumn::Name && acrossFolders && !nameRank) {
        entries = ByName(reader, entries, treeRank);
    } else {
        std::vector<TSortRow> rows;
        rows.reserve(entries.size());
        for (const int32_t entry : entries)
            rows.push_back({Key(reader, entry, column, acrossFolders ? nameRank : nullptr),
                            treeRank[static_cast<size_t>(entry)], entry});
        std::sort(rows.begin(), rows.end());
        for (size_t i = 0; i < rows.size(); ++i)
            entries[i] = rows[i].Entry;
    }
    if (order == Qt::DescendingOrder)
        std::reverse(entries.begin(), entries.end());
}
