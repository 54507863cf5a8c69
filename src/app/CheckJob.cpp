#include "CheckJob.h"

#include "BufferBudget.h"
#include "Exception.h"
#include "Extractor.h"
#include "uPakReader.h"

#include <algorithm>

namespace {

enum : uint8_t { kUnchecked, kIntact, kDamaged };

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
    : QObject(parent)
    , FReader(reader)
    , FThreads(std::max(1, threads))
    , FTotalFiles(reader.Count())
    , FBudget(TExtractor::kBufferBudget) {
    for (int32_t i = 0; i < FTotalFiles; ++i)
        if (reader.EntryIsCompressed(i))
            FTotalBytes = AddSize(FTotalBytes, reader.EntryUnpackedSize(i));
}

TCheckJob::~TCheckJob() {
    Cancel();
    if (FThread.joinable())
        FThread.join();
}

void TCheckJob::Start() {
    FThread = std::thread([this] { Run(); });
}

TJobProgress TCheckJob::Progress() const {
    TJobProgress progress;
    progress.Current = FCurrent.load();
    progress.Done = FDone.load();
    progress.Position = static_cast<int>(progress.Done);
    progress.Bytes = FBytes.load();
    return progress;
}

void TCheckJob::Run() {
    std::vector<uint8_t> verdicts(static_cast<size_t>(FTotalFiles), kUnchecked);
    std::vector<std::thread> workers;
    for (int i = 1; i < FThreads; ++i)
        workers.emplace_back([&] { Work(verdicts); });
    Work(verdicts);
    for (std::thread& worker : workers)
        worker.join();
    for (int32_t i = 0; i < FTotalFiles; ++i)
        if (verdicts[static_cast<size_t>(i)] == kDamaged)
            FDamaged.push_back(i);
    emit Finished();
}

void TCheckJob::Work(std::vector<uint8_t>& verdicts) {
    TInflater inflater;
    inflater.SetBudget(&FBudget);
    for (int32_t index; !FCancel && (index = FNext++) < FTotalFiles;) {
        FCurrent = index;
        TCountingSink sink(FBytes, FCancel);
        try {
            verdicts[static_cast<size_t>(index)] =
                FReader.VerifyEntry(index, inflater, sink) ? kIntact : kDamaged;
        } catch (const EAborted&) {
            return;
        } catch (const std::exception& e) {
            std::lock_guard lock(FErrorGuard);
            if (FError.isEmpty())
                FError = QString::fromUtf8(e.what());
            FCancel = true;
            return;
        }
        ++FDone;
    }
}
