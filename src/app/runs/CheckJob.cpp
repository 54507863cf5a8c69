#include "CheckJob.h"

#include "Exception.h"
#include "Verifier.h"
#include "uPakReader.h"

#include <algorithm>
#include <numeric>

namespace {

// Counts the inflated bytes as they go by, and stops the entry once the run is cancelled.
class TCountingSink : public TByteSink {
public:
    TCountingSink(std::atomic<uint64_t>& bytes, const std::atomic<bool>& cancel)
        : FBytes(bytes)
        , FCancel(cancel) {}
    void Write(const void*, size_t count) override {
        if (FCancel.load(std::memory_order_relaxed))
            throw EAborted();
        FBytes.fetch_add(count, std::memory_order_relaxed);
        FWritten += count;
    }
    void Restart() override {
        // zlib takes the entry again from its start: the bytes of the first try go back.
        FBytes.fetch_sub(FWritten, std::memory_order_relaxed);
        FWritten = 0;
    }

private:
    std::atomic<uint64_t>& FBytes;
    const std::atomic<bool>& FCancel;
    uint64_t FWritten = 0;
};

} // namespace

TCheckJob::TCheckJob(const TPakReader& reader, int threads, QObject* parent)
    : TRunJob(parent)
    , FReader(reader)
    , FThreads(std::max(1, threads))
    , FTotalFiles(reader.Count())
    , FReadAtStart(reader.BytesRead()) {
    for (int32_t i = 0; i < FTotalFiles; ++i)
        if (reader.EntryIsCompressed(i)) {
            FTotalBytes = AddSize(FTotalBytes, reader.EntryUnpackedSize(i));
            FTotalStored = AddSize(FTotalStored, StoredToRead(reader, i));
        }
}

TCheckJob::~TCheckJob() {
    StopAndJoin();
}

int32_t TCheckJob::Cancel() {
    FCancel = true;
    std::lock_guard lock(FGuard);
    if (FVerifier)
        FVerifier->Stop();
    return -1;
}

TRunStatus::TOutcome TCheckJob::Outcome() const {
    const TJobProgress progress = Progress();
    return {progress.Done, progress.Bytes, static_cast<int64_t>(FDamaged.size()), 0, 0, 0,
            Cancelled()};
}

TJobProgress TCheckJob::Progress() const {
    TJobProgress progress;
    progress.Bytes = FBytes.load();
    progress.Read = FReader.BytesRead() - FReadAtStart;
    std::lock_guard lock(FGuard);
    if (FVerifier) {
        progress.Current = FVerifier->Current();
        progress.Done = FVerifier->Done();
    } else {
        progress.Done = FDone;
    }
    progress.Position = static_cast<int>(progress.Done);
    return progress;
}

void TCheckJob::Work() {
    std::vector<int32_t> entries(static_cast<size_t>(FTotalFiles));
    std::iota(entries.begin(), entries.end(), 0);
    TVerifier verifier(FReader, std::move(entries), FThreads,
                       [this] { return std::make_unique<TCountingSink>(FBytes, FCancel); });
    {
        // Cancel reaches the verifier through FVerifier while it exists.
        std::lock_guard lock(FGuard);
        FVerifier = &verifier;
        if (FCancel)
            verifier.Stop();
    }
    verifier.Join();
    for (size_t k = 0; k < verifier.Count(); ++k)
        if (verifier.Verdict(k) == TVerifier::Damaged)
            FDamaged.push_back(verifier.Entry(k));
    FError = QString::fromStdString(verifier.Error());
    if (!FError.isEmpty())
        FCancel = true;
    {
        std::lock_guard lock(FGuard);
        FDone = verifier.Done();
        FVerifier = nullptr;
    }
}
