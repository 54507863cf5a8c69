#pragma once

#include "BufferBudget.h"
#include "Inflate.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TPakReader;

// Checks entries of a reader on worker threads without writing anything, each entry by the
// first worker free; the caller reads the verdicts by position, waiting for one where it wants
// them in order. The workers' buffers share one budget. An entry the archive no longer yields
// stops the run: entries not begun by then stay pending.
class TVerifier {
public:
    enum TVerdict : uint8_t { Pending, Intact, Damaged, Unreadable };
    // Makes the sink an entry's content goes through (to count it, or to stop the entry with
    // EAborted, which leaves it pending); without one, content is discarded.
    using TSinkMaker = std::function<std::unique_ptr<TByteSink>()>;

    // threads: workers to start; fewer when the system gives no more (std::system_error when it
    // gives none).
    TVerifier(const TPakReader& reader, std::vector<int32_t> entries, int threads,
              TSinkMaker makeSink = nullptr);
    // Stops and waits for the workers.
    ~TVerifier();

    // No entry is begun from now on.
    void Stop() { FStop = true; }
    // Waits until every worker has ended.
    void Join();

    size_t Count() const { return FEntries.size(); }
    int32_t Entry(size_t position) const { return FEntries[position]; }
    // The verdict on the entry at position, waiting while it is pending: only for an entry that
    // gets one (every entry up to the first unreadable one, unless the run is stopped).
    TVerdict Wait(size_t position) const;
    TVerdict Verdict(size_t position) const {
        return static_cast<TVerdict>(FVerdicts[position].load());
    }
    // Entries with a verdict so far, and the entry begun last (-1 before the first).
    int64_t Done() const { return FDone.load(); }
    int32_t Current() const { return FCurrent.load(); }
    // Why the run stopped at an unreadable entry; empty otherwise.
    std::string Error() const;

private:
    void Work();

    const TPakReader& FReader;
    const std::vector<int32_t> FEntries;
    const TSinkMaker FMakeSink;
    std::vector<std::atomic<uint8_t>> FVerdicts;
    TBufferBudget FBudget;
    std::atomic<size_t> FNext{0};
    std::atomic<bool> FStop{false};
    std::atomic<int64_t> FDone{0};
    std::atomic<int32_t> FCurrent{-1};
    mutable std::mutex FErrorGuard;
    std::string FError;
    std::vector<std::thread> FWorkers;
};
