#pragma once

#include "BufferBudget.h"
#include "ContentSearch.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TPakReader;

// Searches the content of entries of one archive on worker threads, each entry by the first
// worker free, stored or inflated as it streams; the caller takes the results in the entries'
// order. Workers run only a little ahead of the caller, so results waiting to be taken stay few,
// and their buffers share the extractor's budget.
class TArchiveSearch {
public:
    struct TResult {
        enum TOutcome : uint8_t {
            Searched,
            Damaged,    // the entry's content cannot be read (its part read is not reported)
            GaveUp,     // the matcher gave up on it (Error says why)
            Unreadable, // the archive no longer yields its bytes (Error says why); the run ends
        };
        TOutcome Outcome = Searched;
        uint64_t Count = 0; // matching lines (with TMode::First: 1 when it matches)
        bool Binary = false;
        std::vector<TLineSearch::TLine> Lines;
        std::string Error;
    };

    TArchiveSearch(const TPakReader& reader, const TContentPattern& pattern,
                   TLineSearch::TMode mode, std::vector<int32_t> entries, int threads);
    // Stops and waits for the workers.
    ~TArchiveSearch();
    TArchiveSearch(const TArchiveSearch&) = delete;
    TArchiveSearch& operator=(const TArchiveSearch&) = delete;

    size_t Count() const { return FEntries.size(); }
    int32_t Entry(size_t position) const { return FEntries[position]; }
    // The result for the next position (0, 1, ... Count() - 1), waiting for it.
    TResult Next();
    // No entry is begun from now on.
    void Stop();

private:
    void Work();

    const TPakReader& FReader;
    const TContentPattern& FPattern;
    const TLineSearch::TMode FMode;
    const std::vector<int32_t> FEntries;
    TBufferBudget FBudget;
    std::mutex FMutex;
    std::condition_variable FChanged;
    std::vector<TResult> FResults;
    std::vector<char> FReady;
    size_t FBegun = 0; // positions taken by workers
    size_t FTaken = 0; // positions handed to the caller
    size_t FAhead;     // how far workers may run ahead of the caller
    bool FStop = false;
    std::vector<std::thread> FWorkers;
};
