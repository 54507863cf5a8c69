#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class TPakReader;

// The name of every entry, folded to lower case, in one block: what a find searches. A million
// names are a few tens of MiB and one pass of memmem over them takes milliseconds.
class TNameIndex {
public:
    // treeOrder: the entries in the order hits are reported (the tree's own order).
    TNameIndex(const TPakReader& reader, const std::vector<int32_t>& treeOrder);

    // The entries whose names hold text, ignoring case (umlauts included); or, where text holds
    // "*" or "?", whose whole names match it as a wildcard pattern. In tree order. Returns early
    // with what it has when cancel is set.
    std::vector<int32_t> Find(const QString& text, const std::atomic<bool>& cancel) const;

private:
    std::string_view NameAt(size_t position) const;
    // Every position whose name holds literal, passed to hit until it returns false.
    template <class Hit> void Scan(std::string_view literal, Hit&& hit) const;

    std::string FNames;          // each name folded and followed by a NUL
    std::vector<size_t> FStarts; // where each position's name begins, and the end
    std::vector<int32_t> FEntries;
};
