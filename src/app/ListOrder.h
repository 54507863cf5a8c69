#pragma once

#include "FileListModel.h"

#include <cstdint>
#include <span>
#include <vector>

class TPakReader;

// The orders the file list's rows are put in, for the list itself and for the find, which sorts
// its hits on its own thread. treeRank gives each entry's position in the tree's own order
// (directories as the tree shows them, each one's files by caption): it orders a directory's
// files by name without comparing texts and breaks every tie, so that descending is ascending
// reversed.

// Puts a directory's files in ascending caption order (the locale-aware order of the tree);
// equal captions keep their order.
void SortByCaption(const TPakReader& reader, std::span<int32_t> entries);

// Each entry's position in the caption order of all names of the archive, ties broken by the
// tree rank: with it, entries from many directories are sorted by name with integer compares.
// Costs a sort key per name (on both cores), so it is made once per archive.
std::vector<int32_t> NameRanks(const TPakReader& reader, const std::vector<int32_t>& treeRank);

// Puts entries in the order of column. acrossFolders: they come from many directories (the hits
// of a find), where the tree rank says nothing about names; nameRank (may be null) then orders
// them by name, else their names are compared by sort keys.
void SortEntries(const TPakReader& reader, std::vector<int32_t>& entries, TListColumn column,
                 Qt::SortOrder order, const std::vector<int32_t>& treeRank, bool acrossFolders,
                 const std::vector<int32_t>* nameRank);

// What the column "Verhältnis" compares: the stored size as a share of the unpacked one.
double Ratio(const TPakReader& reader, int32_t entry);
