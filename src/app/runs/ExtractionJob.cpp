#include "ExtractionJob.h"

#include "Exception.h"
#include "Extractor.h"
#include "uPakReader.h"

#include <QScopeGuard>
#include <optional>

TExtractionJob::TExtractionJob(const TPakReader& reader, std::string folder,
                               std::vector<TItem> items, int threads, QObject* parent)
    : TRunJob(parent)
    , FReader(reader)
    , FDestination(std::move(folder))
    , FItems(std::move(items))
    , FThreads(threads)
    , FReadAtStart(reader.BytesRead()) {}

TExtractionJob::TExtractionJob(const TPakReader& reader, int32_t index, std::string target,
                               QObject* parent)
    : TRunJob(parent)
    , FReader(reader)
    , FDestination(std::move(target))
    , FThreads(1)
    , FSingleIndex(index)
    , FReadAtStart(reader.BytesRead()) {}

TExtractionJob::~TExtractionJob() {
    StopAndJoin();
}

void TExtractionJob::StopRequested() {
    Cancel();
    {
        std::lock_guard lock(FMutex);
        FQuit = true;
    }
    FAnswered.notify_all();
}

int32_t TExtractionJob::Cancel() {
    std::lock_guard lock(FMutex);
    FCancel = true;
    if (FSingleIndex >= 0) {
        FSingleWatch.Abort = true;
        return FSingleIndex;
    }
    if (FExtractor)
        FExtractor->Cancel();
    // Files being written are completed; the next one is never begun.
    return FHandedOut < FItems.size() ? FItems[FHandedOut].Index : -1;
}

TExtractionJob::TProgress TExtractionJob::Progress() const {
    TProgress progress;
    progress.Position = FPosition.load();
    progress.Read = FReader.BytesRead() - FReadAtStart;
    std::lock_guard lock(FMutex);
    if (FExtractor) {
        progress.Current = FExtractor->Current();
        progress.Done = FExtractor->Reported();
        progress.Bytes = FExtractor->BytesWritten();
    } else if (FSingleIndex >= 0) {
        progress.Current = FCurrent.load();
        progress.Bytes = FSingleWatch.Bytes.load();
    } else {
        // Before the extractor, or what it left (FStats is written before it goes).
        progress.Current = FCurrent.load();
        progress.Done =
            FStats.Written + FStats.Damaged + FStats.Refused + FStats.Failed + FStats.Kept;
        progress.Bytes = FStats.Bytes;
    }
    return progress;
}

TRunStatus::TOutcome TExtractionJob::Outcome() const {
    return {FStats.Written, FStats.Bytes,   FStats.Damaged, FStats.Refused,
            FStats.Failed,  FStats.Removed, Cancelled()};
}

void TExtractionJob::Continue() {
    {
        std::lock_guard lock(FMutex);
        FAnswer = true;
    }
    FAnswered.notify_all();
}

template <class Signal> void TExtractionJob::AskWindow(Signal&& signal) {
    {
        std::lock_guard lock(FMutex);
        FAnswer = false;
    }
    signal();
    std::unique_lock lock(FMutex);
    FAnswered.wait(lock, [&] { return FAnswer || FQuit; });
}

void TExtractionJob::Work() {
    try {
        if (FSingleIndex >= 0)
            RunSingle();
        else
            RunItems();
    } catch (const std::exception& e) {
        FError = QString::fromStdString(ErrorText(e));
    }
}

void TExtractionJob::RunSingle() {
    const int32_t index = FSingleIndex;
    FCurrent = index;
    FPosition = 1;
    if (FCancel)
        return;
    if (!FReader.EntryDataInFile(index)) {
        AskWindow([&] { emit Damaged(index); });
        return;
    }
    TInflater inflater;
    TExtractOutcome outcome = TExtractOutcome::Written;
    std::optional<TWriteFile> out;
    // A file stopped halfway, by a cancel, a full disk or an archive gone short, is no file: it
    // goes.
    const auto removeUnfinished = [&] {
        if (out && out->Remove() != 0)
            FStats.LeftBehind.push_back(FDestination);
    };
    try {
        out.emplace(FDestination);
        out->SetWatch(&FSingleWatch);
        outcome = FReader.ExtractEntry(index, *out, inflater);
        if (outcome == TExtractOutcome::Written &&
            out->Written() < FReader.EntryUnpackedSize(index))
            FShort.emplace_back(index, out->Written());
    } catch (const EAborted&) {
        removeUnfinished();
        return;
    } catch (...) {
        removeUnfinished();
        throw;
    }
    if (outcome == TExtractOutcome::Damaged)
        AskWindow([&] { emit Damaged(index); });
}

void TExtractionJob::RunItems() {
    TExtractor extractor(FReader, FDestination, FThreads);
    extractor.OnDamaged = [this](int32_t index) { AskWindow([&] { emit Damaged(index); }); };
    extractor.OnRefused = [this](int32_t index) {
        if (FRefused++ == 0)
            FFirstRefused = index;
    };
    extractor.OnWritten = [this](int32_t index, uint64_t bytes) {
        if (bytes < FReader.EntryUnpackedSize(index))
            FShort.emplace_back(index, bytes);
    };
    extractor.OnFailed = [this](int32_t index, const std::string& reason) {
        if (FFailed++ == 0) {
            FFirstFailed = index;
            FFirstFailure = reason;
        }
    };
    // Cancel reaches the extractor through FExtractor while it exists.
    struct TRegistration {
        TExtractionJob& Job;
        TRegistration(TExtractionJob& job, TExtractor* extractor)
            : Job(job) {
            std::lock_guard lock(Job.FMutex);
            Job.FExtractor = extractor;
            if (Job.FCancel)
                extractor->Cancel();
        }
        ~TRegistration() {
            std::lock_guard lock(Job.FMutex);
            Job.FExtractor = nullptr;
        }
    } registration(*this, &extractor);
    // What was done stays known however the run ends.
    const auto keepStats = qScopeGuard([&] { FStats = extractor.Stats(); });

    for (size_t k = 0; k < FItems.size(); ++k) {
        const TItem& item = FItems[k];
        if (FLockstep)
            AskWindow([&] { emit Stepped(item.Index); });
        {
            std::lock_guard lock(FMutex);
            if (FCancel) {
                // The file that saw the cancel takes its step, and so does every list after it,
                // as when each list looks at the cancel before its first file.
                int position = static_cast<int>(k) + 1;
                for (size_t j = k + 1; j < FItems.size(); ++j)
                    position += FItems[j].FirstOfList ? 1 : 0;
                FPosition = position;
                break;
            }
            FHandedOut = k + 1;
        }
        FCurrent = item.Index;
        FPosition = static_cast<int>(k) + 1;
        const std::string_view dir = FReader.EntryDir(item.Index);
        extractor.Add(item.Index,
                      item.Cut <= dir.size() ? dir.substr(item.Cut) : std::string_view());
    }
    extractor.Finish();
}
