#include "ArchiveDiff.h"

#include "BufferBudget.h"
#include "EntryStream.h"
#include "Extractor.h"
#include "uPakReader.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <map>
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
    std::vector<std::thread> pool;
    for (int i = 1; i < workers; ++i)
        pool.emplace_back(run);
    if (workers > 0)
        run();
    for (std::thread& t : pool)
        t.join();
    if (error)
        std::rethrow_exception(error);
}

bool Selected(const std::vector<char>& flags, int32_t index) {
    return flags.empty() || flags[static_cast<size_t>(index)];
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
        if (FRequest.FirstOnly && !FChanges.empty())
            return std::move(FChanges);
        ComparePairs();
        if (!(FRequest.FirstOnly && FDiffers))
            FindMoves();
        Order();
        return std::move(FChanges);
    }

private:
    // Pairs the paths; what has no partner is removed or added.
    void Match() {
        std::unordered_map<std::string_view, int32_t> newByPath;
        newByPath.reserve(static_cast<size_t>(FNew.Count()));
        for (int32_t j = 0; j < FNew.Count(); ++j)
            if (Selected(FRequest.NewSelected, j))
                newByPath.emplace(FNew.EntryPath(j), j);
        FOldOfNew.assign(static_cast<size_t>(FNew.Count()), -1);
        for (int32_t i = 0; i < FOld.Count(); ++i) {
            if (!Selected(FRequest.OldSelected, i))
                continue;
            const auto found = newByPath.find(FOld.EntryPath(i));
            if (found == newByPath.end()) {
                FChanges.push_back({TChangeKind::Removed, i, -1});
            } else if (FOldOfNew[static_cast<size_t>(found->second)] < 0) {
                FOldOfNew[static_cast<size_t>(found->second)] = i;
                FPairs.push_back({i, found->second});
            }
        }
        for (int32_t j = 0; j < FNew.Count(); ++j)
            if (Selected(FRequest.NewSelected, j) && FOldOfNew[static_cast<size_t>(j)] < 0 &&
                newByPath.at(FNew.EntryPath(j)) == j)
                FChanges.push_back({TChangeKind::Added, -1, j});
    }

    void ComparePairs() {
        std::vector<TChange> found(FPairs.size(), TChange{TChangeKind::Changed});
        std::vector<char> changed(FPairs.size(), 0);
        OnWorkers(FPairs.size(), FRequest.Threads, FStop,
                  [&](size_t begin, size_t end, TContentComparer& comparer) {
                      for (size_t k = begin; k < end && !FStop; ++k) {
                          TChange& change = found[k];
                          change.Old = FPairs[k].Old;
                          change.New = FPairs[k].New;
                          changed[k] = Differs(change, comparer);
                          if (changed[k] && FRequest.FirstOnly)
                              FStop = true;
                      }
                  });
        for (size_t k = 0; k < FPairs.size(); ++k)
            if (changed[k])
                FChanges.push_back(found[k]);
        FDiffers = !FChanges.empty();
    }

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
        OnWorkers(candidates.size(), FRequest.Threads, never,
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
