#include "ArchiveSearch.h"

#include "Extractor.h"
#include "WorkerThreads.h"
#include "uPakReader.h"

#include <algorithm>

TArchiveSearch::TArchiveSearch(const TPakReader& reader, const TContentPattern& pattern,
                               TLineSearch::TMode mode, std::vector<int32_t> entries, int threads)
    : FReader(reader)
    , FPattern(pattern)
    , FMode(mode)
    , FEntries(std::move(entries))
    , FBudget(TExtractor::kBufferBudget)
    , FResults(FEntries.size())
    , FReady(FEntries.size(), 0) {
    threads = std::max(1, threads);
    FAhead = 64 + 16 * static_cast<size_t>(threads);
    StartAtLeastOneWorker(FWorkers, static_cast<size_t>(threads), [this] { Work(); });
}

TArchiveSearch::~TArchiveSearch() {
    Stop();
    for (std::thread& worker : FWorkers)
        worker.join();
}

void TArchiveSearch::Stop() {
    std::lock_guard lock(FMutex);
    FStop = true;
    FChanged.notify_all();
}

TArchiveSearch::TResult TArchiveSearch::Next() {
    std::unique_lock lock(FMutex);
    const size_t position = FTaken;
    FChanged.wait(lock, [&] { return FReady[position] != 0; });
    ++FTaken;
    FChanged.notify_all();
    return std::move(FResults[position]);
}

void TArchiveSearch::Work() {
    TInflater inflater;
    inflater.SetBudget(&FBudget);
    TLineSearch search(FPattern, FMode);
    for (;;) {
        size_t position;
        {
            std::unique_lock lock(FMutex);
            FChanged.wait(lock, [&] {
                return FStop || FBegun >= FEntries.size() || FBegun < FTaken + FAhead;
            });
            if (FStop || FBegun >= FEntries.size())
                return;
            position = FBegun++;
        }
        TResult result;
        search.Restart();
        try {
            if (FReader.ReadEntry(FEntries[position], search, inflater))
                search.Finish();
            else
                result.Outcome = TResult::Damaged;
        } catch (const EAborted&) {
            // the answer was known before the end
        } catch (const ESearchFailed& e) {
            result.Outcome = TResult::GaveUp;
            result.Error = e.what();
        } catch (const std::exception& e) {
            result.Outcome = TResult::Unreadable;
            result.Error = e.what();
        }
        if (result.Outcome == TResult::Searched) {
            result.Count = search.Count();
            result.Binary = search.Binary();
            result.Lines = search.TakeLines();
        }
        std::lock_guard lock(FMutex);
        FResults[position] = std::move(result);
        FReady[position] = 1;
        FChanged.notify_all();
    }
}
