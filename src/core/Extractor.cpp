#include "Extractor.h"

#include "Exception.h"
#include "FileIO.h"
#include "WindowsNames.h"
#include "WorkerThreads.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>

namespace {
// Files handed out ahead of the one being reported, per worker: enough to keep every worker
// busy, few enough that a cancel or an error leaves little in flight.
constexpr size_t kJobsPerWorker = 4;
constexpr auto kWaitSlice = std::chrono::milliseconds(20);
} // namespace

TExtractor::TExtractor(const TPakReader& reader, std::string destination, int threads)
    : FReader(reader)
    , FDestination(std::move(destination)) {
    if (threads > 1) {
        // A worker that waits for buffer bytes wakes the idle ones, which hold them.
        FBudget.OnWanted = [this] {
            std::lock_guard lock(FMutex);
            FJobAdded.notify_all();
        };
        // A machine short of memory or threads may not give all of them: the run goes on with
        // those it gave, and without any in Add itself.
        StartWorkers(FWorkers, static_cast<size_t>(threads), [this] { Work(); });
        FCapacity = kJobsPerWorker * FWorkers.size();
    }
}

TExtractor::~TExtractor() {
    if (FWorkers.empty())
        return;
    {
        std::unique_lock lock(FMutex);
        Abandon(lock);
        FQuit = true;
    }
    FJobAdded.notify_all();
    for (std::thread& worker : FWorkers)
        worker.join();
}

int TExtractor::DefaultThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(cores, 1u, 16u));
}

TExtractor::TJob TExtractor::Examine(int32_t index, std::string_view relativeDir) const {
    TJob job;
    job.Index = index;
    if constexpr (kRefusesWindowsNames) {
        job.Reason = WindowsPathProblem(relativeDir, FReader.EntryName(index));
        if (!job.Reason.empty()) {
            job.Result = TResult::Failed;
            return job;
        }
    }
    switch (MakeTarget(relativeDir, FReader.EntryName(index), job.Target)) {
    case TTargetVerdict::Unsafe:
        job.Result = TResult::Refused;
        return job;
    case TTargetVerdict::EmptyName:
        job.Result = TResult::Failed;
        job.Reason = "Der Name ist leer";
        return job;
    case TTargetVerdict::Ok:
        break;
    }
    if (!FReader.EntryDataInFile(index)) {
        job.Result = TResult::Damaged;
        return job;
    }
    job.Path = job.Target.Joined();
    return job;
}

void TExtractor::OpenFolder(TJob& job) {
    if (FLastFolder && job.Target.Folder == FLastFolderPath) {
        job.Folder = FLastFolder;
        return;
    }
    try {
        TDestinationFolder::TOpened opened = FDestination.OpenFolder(job.Target.Folder);
        if (opened.ThroughLink) {
            job.Result = TResult::Refused;
        } else if (!opened.Folder) {
            job.Result = TResult::Failed;
            job.Reason = std::move(opened.Reason);
        } else {
            FLastFolderPath = job.Target.Folder;
            FLastFolder = opened.Folder;
            job.Folder = std::move(opened.Folder);
        }
    } catch (...) {
        job.Error = std::current_exception();
    }
}

void TExtractor::Write(TJob& job, TInflater& inflater) {
    FCurrent = job.Index;
    std::optional<TWriteFile> out;
    try {
        out.emplace(job.Folder->Get(), job.Target.Name, FKeepExisting);
        out->SetWatch(&FWatch);
        job.Result = FReader.ExtractEntry(job.Index, *out, inflater) == TExtractOutcome::Damaged
                         ? TResult::Damaged
                         : TResult::Written;
        job.Written = out->Written();
    } catch (const EFCreateError& e) {
        CreateFailed(job, e.SystemError());
    } catch (const EWriteError& e) {
        job.Error =
            std::make_exception_ptr(EWriteError(FDestination.Path() + job.Path, e.SystemError()));
    } catch (...) {
        job.Error = std::current_exception();
    }
    // A file begun and not completed is no file: it goes.
    if (job.Error && out) {
        job.Incomplete = true;
        job.RemoveError = out->Remove();
    }
    job.Folder.reset();
}

void TExtractor::CreateFailed(TJob& job, int systemError) {
    if (FKeepExisting && systemError == EEXIST) {
        job.Result = TResult::Kept;
        return;
    }
    std::string reason = TDestinationFolder::EntryFailure(systemError, job.Target.Folder.empty());
    if (!reason.empty()) {
        job.Result = TResult::Failed;
        job.Reason = std::move(reason);
        return;
    }
    // A file standing there that may not be written is its own fault, not its folder's.
    job.Error =
        std::make_exception_ptr(IsRegularFileAt(job.Folder->Get(), job.Target.Name)
                                    ? EFCreateError(FDestination.Path() + job.Path, systemError)
                                    : FDestination.Failure(job.Path, systemError, false));
}

void TExtractor::CountIncomplete(const TJob& job) {
    if (!job.Incomplete)
        return;
    if (job.RemoveError == 0)
        ++FStats.Removed;
    else
        FStats.LeftBehind.push_back(FDestination.Path() + job.Path);
}

bool TExtractor::Collides(const TJob& job) const {
    return std::any_of(FJobs.begin(), FJobs.end(), [&](const TJob& other) {
        if (other.Done())
            return false;
        return SameOrBelowOnDisk(job.Path, other.Path);
    });
}

void TExtractor::Report(const TJob& job) {
    if (job.Result != TResult::Cancelled)
        FReported.fetch_add(1, std::memory_order_relaxed);
    switch (job.Result) {
    case TResult::Refused:
        ++FStats.Refused;
        if (OnRefused)
            OnRefused(job.Index);
        break;
    case TResult::Damaged:
        ++FStats.Damaged;
        if (OnDamaged)
            OnDamaged(job.Index);
        break;
    case TResult::Failed:
        ++FStats.Failed;
        if (OnFailed)
            OnFailed(job.Index, job.Reason);
        break;
    case TResult::Kept:
        ++FStats.Kept;
        break;
    case TResult::Cancelled:
        break;
    case TResult::Written:
    case TResult::Pending:
        ++FStats.Written;
        FStats.Bytes += job.Written;
        if (OnWritten)
            OnWritten(job.Index, job.Written);
        break;
    }
}

void TExtractor::Add(int32_t index, std::string_view relativeDir) {
    if (FCancelled)
        return;
    TJob job = Examine(index, relativeDir);

    if (FWorkers.empty()) {
        if (!job.Done())
            OpenFolder(job);
        if (!job.Done())
            Write(job, FInflater);
        if (job.Error) {
            CountIncomplete(job);
            std::rethrow_exception(job.Error);
        }
        Report(job);
        return;
    }

    std::unique_lock lock(FMutex);
    ReportFinished(lock);
    // Room in the queue, and no earlier file still unwritten whose path this one needs: an
    // archive may hold one path twice, and the later entry must replace the earlier as it does
    // with one thread; or a file where this one needs a folder, which must be there (and stop
    // this entry) as it would be with one thread.
    WaitUntil(lock, [&] { return FJobs.size() < FCapacity && (job.Done() || !Collides(job)); });
    // Only this thread adds jobs, so what was checked holds while the folder is made.
    lock.unlock();
    if (!job.Done())
        OpenFolder(job);
    lock.lock();
    // A job settled here needs no worker: when every job before it is taken, it counts as taken
    // at once and is reported by the next Add, as with one thread.
    const bool settled = job.Done() && FStarted == FJobs.size();
    FJobs.push_back(std::move(job));
    if (settled) {
        ++FStarted;
        return;
    }
    lock.unlock();
    FJobAdded.notify_one();
}

void TExtractor::Finish() {
    if (FWorkers.empty())
        return;
    std::unique_lock lock(FMutex);
    WaitUntil(lock, [&] { return FJobs.empty(); });
}

template <class Condition>
void TExtractor::WaitUntil(std::unique_lock<std::mutex>& lock, Condition done) {
    auto nextCall = std::chrono::steady_clock::now() + kWaitSlice;
    for (;;) {
        ReportFinished(lock);
        if (done())
            return;
        FJobDone.wait_until(lock, nextCall);
        if (OnWait && std::chrono::steady_clock::now() >= nextCall) {
            lock.unlock();
            OnWait();
            lock.lock();
            nextCall = std::chrono::steady_clock::now() + kWaitSlice;
        }
    }
}

void TExtractor::ReportFinished(std::unique_lock<std::mutex>& lock) {
    // A job settled in Add is done from the start, but leaves only once a worker has passed it.
    while (FStarted > 0 && FJobs.front().Done()) {
        TJob job = std::move(FJobs.front());
        FJobs.pop_front();
        --FStarted;
        if (job.Error) {
            CountIncomplete(job);
            Abandon(lock);
            std::rethrow_exception(job.Error);
        }
        // The callbacks may take long (a message box): the workers go on meanwhile.
        lock.unlock();
        Report(job);
        lock.lock();
    }
}

void TExtractor::Abandon(std::unique_lock<std::mutex>& lock) {
    FJobs.resize(FStarted);
    FJobDone.wait(lock, [&] {
        return std::all_of(FJobs.begin(), FJobs.end(), [](const TJob& job) { return job.Done(); });
    });
    for (const TJob& job : FJobs)
        CountIncomplete(job);
    FJobs.clear();
    FStarted = 0;
}

void TExtractor::Work() {
    TInflater inflater;
    inflater.SetBudget(&FBudget);
    std::unique_lock lock(FMutex);
    for (;;) {
        if (!FQuit && FStarted == FJobs.size()) {
            // Idle while a worker waits for the bytes these buffers hold: they go. Busy workers
            // keep theirs, so that a few run at full speed while the others wait, rather than
            // all of them taking turns at fresh memory; they go idle at the latest when the
            // queue is full behind a waiting one. Idle or not, buffers are kept while nobody
            // waits: mapping them afresh for each file costs more than the file.
            if (inflater.HeldBytes() > 0 && FBudget.Wanted())
                inflater.ReleaseBuffers();
            FJobAdded.wait(lock, [&] {
                return FQuit || FStarted < FJobs.size() ||
                       (inflater.HeldBytes() > 0 && FBudget.Wanted());
            });
            continue;
        }
        if (FQuit)
            return;
        TJob& job = FJobs[FStarted++];
        if (job.Done()) {
            // Settled in Add: nothing to write, but it may be the one Add waits to report.
            FJobDone.notify_all();
            continue;
        }
        // An error ends the run at an earlier file: this one would only be removed again. A
        // cancel ends it here too: a file handed out before it is written whole, so that what
        // is on disk is always the archive's beginning.
        if (FFailing || FCancelled) {
            job.Result = TResult::Cancelled;
            FJobDone.notify_all();
            continue;
        }
        TJob work = job;
        lock.unlock();

        Write(work, inflater);

        lock.lock();
        // The job is still in place: only finished jobs leave the queue.
        job.Result = work.Result;
        job.Written = work.Written;
        job.Reason = std::move(work.Reason);
        job.Error = work.Error;
        FFailing = FFailing || work.Error;
        job.Incomplete = work.Incomplete;
        job.RemoveError = work.RemoveError;
        job.Folder.reset();
        FJobDone.notify_all();
    }
}
