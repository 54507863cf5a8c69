#include "ArchiveDiff.h"

#include "BufferBudget.h"
#include "EntryStream.h"
#include "Exception.h"
#include "Extractor.h"
#include "WorkerThreads.h"
#include "uPakReader.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <zlib.h>

namespace {

// Runs work(begin, end, comparer) over [0, count) in blocks on worker threads, each with its own
// comparer whose buffers are taken from the budget; rethrows the first error.
void OnWorkers(size_t count, int threads, const std::atomic<bool>& stop,
               const std::function<void(size_t, size_t, TContentComparer&)>& work) {
    constexpr size_t kBlock = 512; // neighbours in the archive read through one window
    TBufferBudget budget(TExtractor::kBufferBudget);
    const int fit = static_cast<int>(TExtractor::kBufferBudget / TContentComparer::kHeldBytes);
    const size_t blocks = (count + kBlock - 1) / kBlock;
    const int workers =
        static_cast<int>(std::min<size_t>(std::clamp(threads, 1, std::max(fit, 1)), blocks));
    std::atomic<size_t> next{0};
    std::mutex errorGuard;
    std::exception_ptr error;
    auto run = [&] {
        budget.Take(TContentComparer::kHeldBytes);
        try {
            TContentComparer comparer;
            for (size_t b; !stop && (b = next++) < blocks;)
                work(b * kBlock, std::min(count, (b + 1) * kBlock), comparer);
        } catch (...) {
            std::lock_guard lock(errorGuard);
            if (!error)
                error = std::current_exception();
        }
        budget.Give(TContentComparer::kHeldBytes);
    };
    // The calling thread works too, so fewer workers than asked for only take longer.
    std::vector<std::thread> pool;
    if (workers > 1)
        StartWorkers(pool, static_cast<size_t>(workers - 1), run);
    if (workers > 0)
        run();
    for (std::thread& t : pool)
        t.join();
    if (error)
        std::rethrow_exception(error);
}

// The entries a request's flags select (empty flags: all), in archive order.
std::vector<int32_t> SelectedEntries(const TPakReader& reader, const std::vector<char>& flags) {
    std::vector<int32_t> entries;
    entries.reserve(static_cast<size_t>(reader.Count()));
    for (int32_t i = 0; i < reader.Count(); ++i)
        if (flags.empty() || flags[static_cast<size_t>(i)])
            entries.push_back(i);
    return entries;
}

// The content's checksum, to find candidates for a move (confirmed byte for byte after);
// false when the entry is damaged.
bool ContentChecksum(const TPakReader& reader, int32_t index, TEntryStream& stream,
                     std::vector<unsigned char>& buffer, uint32_t& crc) {
    stream.Open(reader, index);
    crc = static_cast<uint32_t>(crc32(0, nullptr, 0));
    while (const size_t got = stream.Read(buffer.data(), buffer.size()))
        crc = static_cast<uint32_t>(crc32_z(crc, buffer.data(), got));
    return !stream.Damaged();
}

// The entries of one archive by path: open addressing over the entries' indices, each slot with
// its path's hash, so that a lookup seldom reads a path it does not want.
class TPathTable {
public:
    TPathTable(const TPakReader& reader, const std::vector<int32_t>& entries)
        : FReader(reader) {
        size_t capacity = 16;
        while (capacity < 2 * entries.size())
            capacity *= 2;
        FSlots.assign(capacity, TSlot{-1, 0});
        FMask = capacity - 1;
        // Backwards, so that of one path held twice the first entry is found.
        for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
            const std::string_view path = reader.EntryPath(*it);
            const size_t hash = std::hash<std::string_view>()(path);
            size_t at = hash & FMask;
            while (FSlots[at].Index >= 0 && !(FSlots[at].Hash == static_cast<uint32_t>(hash) &&
                                              reader.EntryPath(FSlots[at].Index) == path))
                at = (at + 1) & FMask;
            FSlots[at] = {*it, static_cast<uint32_t>(hash)};
        }
    }

    // The entry of that path, or -1.
    int32_t Find(std::string_view path) const {
        const size_t hash = std::hash<std::string_view>()(path);
        for (size_t at = hash & FMask; FSlots[at].Index >= 0; at = (at + 1) & FMask)
            if (FSlots[at].Hash == static_cast<uint32_t>(hash) &&
                FReader.EntryPath(FSlots[at].Index) == path)
                return FSlots[at].Index;
        return -1;
    }

private:
    struct TSlot {
        int32_t Index;
        uint32_t Hash;
    };
    const TPakReader& FReader;
    std::vector<TSlot> FSlots;
    size_t FMask = 0;
};

struct TPair {
    int32_t Old;
    int32_t New;
};

class TDiff {
public:
    TDiff(const TPakReader& oldReader, const TPakReader& newReader, const TDiffRequest& request)
        : FOld(oldReader)
        , FNew(newReader)
        , FRequest(request) {}

    std::vector<TChange> Run() {
        Match();
        if (FRequest.Progress)
            FRequest.Progress->Total = static_cast<int64_t>(FPairs.size());
        if (FRequest.FirstOnly && !FChanges.empty())
            return std::move(FChanges);
        ComparePairs();
        if (!(FRequest.FirstOnly && FDiffers))
            FindMoves();
        Order();
        return std::move(FChanges);
    }

private:
    // Pairs the paths; what has no partner is removed or added. Two versions of an archive
    // mostly list their paths in the same order: a walk through both pairs those, looking a few
    // entries ahead where one side has some the other lacks, and past that through a table of
    // the new paths, which also pairs what the walk left.
    void Match() {
        const std::vector<int32_t> olds = SelectedEntries(FOld, FRequest.OldSelected);
        const std::vector<int32_t> news = SelectedEntries(FNew, FRequest.NewSelected);
        std::vector<size_t> positionOfNew(static_cast<size_t>(FNew.Count()));
        for (size_t y = 0; y < news.size(); ++y)
            positionOfNew[static_cast<size_t>(news[y])] = y;
        FOldOfNew.assign(static_cast<size_t>(FNew.Count()), -1);
        std::vector<char> oldPaired(static_cast<size_t>(FOld.Count()), 0);
        auto pair = [&](int32_t i, int32_t j) {
            FOldOfNew[static_cast<size_t>(j)] = i;
            oldPaired[static_cast<size_t>(i)] = 1;
            FPairs.push_back({i, j});
        };
        std::unique_ptr<TPathTable> table; // made when first needed
        auto find = [&](int32_t i) {
            if (!table)
                table = std::make_unique<TPathTable>(FNew, news);
            return table->Find(FOld.EntryPath(i));
        };
        constexpr size_t kLookAhead = 8;
        for (size_t x = 0, y = 0; x < olds.size() && y < news.size();) {
            if (FOld.EntryPath(olds[x]) == FNew.EntryPath(news[y])) {
                pair(olds[x++], news[y++]);
                continue;
            }
            size_t skip = 1;
            for (; skip <= kLookAhead; ++skip) {
                if (y + skip < news.size() &&
                    FOld.EntryPath(olds[x]) == FNew.EntryPath(news[y + skip])) {
                    y += skip;
                    break;
                }
                if (x + skip < olds.size() &&
                    FOld.EntryPath(olds[x + skip]) == FNew.EntryPath(news[y])) {
                    x += skip;
                    break;
                }
            }
            if (skip <= kLookAhead)
                continue;
            // Far away, behind, or not there: the new entries up to its partner stay for later.
            const int32_t j = find(olds[x]);
            if (j >= 0 && positionOfNew[static_cast<size_t>(j)] > y)
                y = positionOfNew[static_cast<size_t>(j)];
            else
                ++x;
        }
        for (const int32_t i : olds) {
            if (oldPaired[static_cast<size_t>(i)])
                continue;
            const int32_t j = find(i);
            if (j >= 0 && FOldOfNew[static_cast<size_t>(j)] < 0)
                pair(i, j);
            else
                FChanges.push_back({TChangeKind::Removed, i, -1});
        }
        for (const int32_t j : news)
            if (FOldOfNew[static_cast<size_t>(j)] < 0)
                FChanges.push_back({TChangeKind::Added, -1, j});
        // Pairs in the old archive's order, as the walk and the table found them mixed.
        std::sort(FPairs.begin(), FPairs.end(),
                  [](const TPair& p, const TPair& q) { return p.Old < q.Old; });
    }

    void ComparePairs() {
        std::vector<TChange> found(FPairs.size(), TChange{TChangeKind::Changed});
        std::vector<char> changed(FPairs.size(), 0);
        // In the order of the old archive's data (the new one's is most often the same), so that
        // the windows read what lies one after the other.
        std::vector<uint64_t> offsets(FPairs.size());
        std::vector<size_t> order(FPairs.size());
        for (size_t k = 0; k < FPairs.size(); ++k) {
            offsets[k] = FOld.Entry(FPairs[k].Old).Offset;
            order[k] = k;
        }
        std::sort(order.begin(), order.end(),
                  [&](size_t x, size_t y) { return offsets[x] < offsets[y]; });
        OnWorkers(FPairs.size(), FRequest.Threads, FStop,
                  [&](size_t begin, size_t end, TContentComparer& comparer) {
                      for (size_t n = begin; n < end && !FStop; ++n) {
                          const size_t k = order[n];
                          TChange& change = found[k];
                          change.Old = FPairs[k].Old;
                          change.New = FPairs[k].New;
                          changed[k] = Differs(change, comparer);
                          if ((changed[k] && FRequest.FirstOnly) || Cancelled())
                              FStop = true;
                      }
                      if (FRequest.Progress)
                          FRequest.Progress->Done += static_cast<int64_t>(end - begin);
                  });
        if (Cancelled())
            throw EAborted();
        for (size_t k = 0; k < FPairs.size(); ++k)
            if (changed[k])
                FChanges.push_back(found[k]);
        FDiffers = !FChanges.empty();
    }

    bool Cancelled() const { return FRequest.Cancel && *FRequest.Cancel; }

    bool Differs(TChange& change, TContentComparer& comparer) const {
        const int32_t a = change.Old;
        const int32_t b = change.New;
        if (FOld.EntryUnpackedSize(a) != FNew.EntryUnpackedSize(b))
            return true;
        const bool sameForm = FOld.EntryIsCompressed(a) == FNew.EntryIsCompressed(b) &&
                              FOld.EntryStoredSize(a) == FNew.EntryStoredSize(b);
        if (sameForm && comparer.SameStoredBytes(FOld, a, FNew, b))
            return false;
        // Two stored entries of the same size whose bytes differ differ in content, unless one
        // lies past its file's end, which the comparison finds.
        const TContentComparison result = comparer.Compare(FOld, a, FNew, b);
        change.OldDamaged = result.OldDamaged;
        change.NewDamaged = result.NewDamaged;
        return !result.Equal;
    }

    // A removed path and an added one with the same content, which no other removed or added
    // path has, make one move.
    void FindMoves() {
        std::unordered_map<uint64_t, int> sizes; // bit 1: removed has it, bit 2: added has it
        for (const TChange& c : FChanges) {
            if (c.Kind == TChangeKind::Removed)
                sizes[FOld.EntryUnpackedSize(c.Old)] |= 1;
            else if (c.Kind == TChangeKind::Added)
                sizes[FNew.EntryUnpackedSize(c.New)] |= 2;
        }
        std::vector<size_t> candidates;
        for (size_t k = 0; k < FChanges.size(); ++k) {
            const TChange& c = FChanges[k];
            const bool removed = c.Kind == TChangeKind::Removed;
            if ((removed || c.Kind == TChangeKind::Added) &&
                sizes[removed ? FOld.EntryUnpackedSize(c.Old) : FNew.EntryUnpackedSize(c.New)] == 3)
                candidates.push_back(k);
        }
        if (candidates.empty())
            return;
        std::vector<uint32_t> crcs(candidates.size());
        std::vector<char> intact(candidates.size(), 0);
        const std::atomic<bool> never{false};
        OnWorkers(candidates.size(), FRequest.Threads, FRequest.Cancel ? *FRequest.Cancel : never,
                  [&](size_t begin, size_t end, TContentComparer&) {
                      TEntryStream stream;
                      std::vector<unsigned char> buffer(256 << 10);
                      for (size_t k = begin; k < end; ++k) {
                          const TChange& c = FChanges[candidates[k]];
                          const bool removed = c.Kind == TChangeKind::Removed;
                          intact[k] =
                              ContentChecksum(removed ? FOld : FNew, removed ? c.Old : c.New,
                                              stream, buffer, crcs[k]);
                      }
                  });
        if (Cancelled())
            throw EAborted();
        // (size, checksum) -> the removed and the added changes with that content
        std::map<std::pair<uint64_t, uint32_t>, std::pair<std::vector<size_t>, std::vector<size_t>>>
            groups;
        for (size_t k = 0; k < candidates.size(); ++k) {
            const TChange& c = FChanges[candidates[k]];
            const bool removed = c.Kind == TChangeKind::Removed;
            const uint64_t size =
                removed ? FOld.EntryUnpackedSize(c.Old) : FNew.EntryUnpackedSize(c.New);
            auto& group = groups[{size, intact[k] ? crcs[k] : 0}];
            if (!intact[k])
                continue; // damaged content moves nowhere
            (removed ? group.first : group.second).push_back(candidates[k]);
        }
        TContentComparer comparer;
        std::vector<char> gone(FChanges.size(), 0);
        for (const auto& [key, group] : groups) {
            if (group.first.size() != 1 || group.second.size() != 1)
                continue;
            TChange& removed = FChanges[group.first[0]];
            const TChange& added = FChanges[group.second[0]];
            if (!comparer.Compare(FOld, removed.Old, FNew, added.New).Equal)
                continue;
            removed.Kind = TChangeKind::Moved;
            removed.New = added.New;
            gone[group.second[0]] = 1;
        }
        size_t kept = 0;
        for (size_t k = 0; k < FChanges.size(); ++k)
            if (!gone[k])
                FChanges[kept++] = FChanges[k];
        FChanges.resize(kept);
    }

    // The old archive's order; an added path follows the old entry that precedes it in the new
    // archive's order.
    void Order() {
        std::vector<int64_t> addedKey(static_cast<size_t>(FNew.Count()), -1);
        int64_t last = -1;
        for (int32_t j = 0; j < FNew.Count(); ++j) {
            if (FOldOfNew[static_cast<size_t>(j)] >= 0)
                last = FOldOfNew[static_cast<size_t>(j)];
            addedKey[static_cast<size_t>(j)] = 2 * last + 1;
        }
        auto key = [&](const TChange& c) {
            return c.Kind == TChangeKind::Added ? addedKey[static_cast<size_t>(c.New)]
                                                : 2 * static_cast<int64_t>(c.Old);
        };
        std::stable_sort(FChanges.begin(), FChanges.end(),
                         [&](const TChange& x, const TChange& y) { return key(x) < key(y); });
    }

    const TPakReader& FOld;
    const TPakReader& FNew;
    const TDiffRequest& FRequest;
    std::vector<TPair> FPairs;
    std::vector<int32_t> FOldOfNew; // per new entry, its partner in the old archive or -1
    std::vector<TChange> FChanges;
    std::atomic<bool> FStop{false};
    bool FDiffers = false;
};

} // namespace

std::vector<TChange> DiffArchives(const TPakReader& oldReader, const TPakReader& newReader,
                                  const TDiffRequest& request) {
    return TDiff(oldReader, newReader, request).Run();
}
