#include "Extractor.h"

#include "FileIO.h"
#include "SafePath.h"

#include <algorithm>
#include <chrono>

namespace {
// Files handed out ahead of the one being reported, per worker: enough to keep every worker
// busy, few enough that a cancel or an error leaves little in flight.
constexpr size_t kJobsPerWorker = 4;
constexpr auto kWaitSlice = std::chrono::milliseconds(20);
} // namespace

TExtractor::TExtractor(const TPakReader& reader, std::string destination, int threads)
    : FReader(reader)
    , FDestination(std::move(destination)) {
    if (FDestination.empty() || FDestination.back() != kPathSeparator)
        FDestination.push_back(kPathSeparator);
    if (threads > 1) {
        FCapacity = kJobsPerWorker * static_cast<size_t>(threads);
        for (int i = 0; i < threads; ++i)
            FWorkers.emplace_back([this] { Work(); });
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

std::string TExtractor::PrepareTarget(int32_t index, std::string_view relativeDir) {
    const std::string_view name = FReader.EntryName(index);
    std::string relative(relativeDir);
    if (!relative.empty())
        relative.push_back('/');
    relative.append(name);
    if (!IsSafeRelativePath(relative))
        return {};

    std::string folder = FDestination + ToDiskPath(relativeDir);
    if (!FHaveFolder || folder != FLastFolder) {
        ForceDirectories(folder);
        FLastFolder = folder;
        FHaveFolder = true;
    }
    if (!relativeDir.empty())
        folder.push_back(kPathSeparator);
    return folder + ToDiskPath(name);
}

void TExtractor::Report(const TJob& job) {
    if (job.Refused) {
        ++FStats.Refused;
        if (OnRefused)
            OnRefused(job.Index);
    } else if (job.Outcome == TExtractOutcome::Damaged) {
        ++FStats.Damaged;
        if (OnDamaged)
            OnDamaged(job.Index);
    } else {
        ++FStats.Written;
        FStats.Bytes += FReader.EntryUnpackedSize(job.Index);
    }
}

void TExtractor::Add(int32_t index, std::string_view relativeDir) {
    TJob job;
    job.Index = index;
    job.Target = PrepareTarget(index, relativeDir);
    job.Refused = job.Target.empty();

    if (FWorkers.empty()) {
        if (!job.Refused)
            job.Outcome = FReader.ExtractEntry(index, job.Target, FInflater);
        Report(job);
        return;
    }

    std::unique_lock lock(FMutex);
    ReportFinished(lock);
    // Room in the queue, and no earlier file with the same target still unwritten: an archive
    // may hold one path twice, and the later entry must replace the earlier as it does with
    // one thread.
    WaitUntil(lock, [&] {
        return FJobs.size() < FCapacity &&
               (job.Refused || std::none_of(FJobs.begin(), FJobs.end(), [&](const TJob& other) {
                    return !other.Done && other.Target == job.Target;
                }));
    });
    job.Done = job.Refused;
    FJobs.push_back(std::move(job));
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
    // A refused job is done from the start, but leaves only once a worker has passed it.
    while (FStarted > 0 && FJobs.front().Done) {
        TJob job = std::move(FJobs.front());
        FJobs.pop_front();
        --FStarted;
        if (job.Error) {
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
        return std::all_of(FJobs.begin(), FJobs.end(), [](const TJob& job) { return job.Done; });
    });
    FJobs.clear();
    FStarted = 0;
}

void TExtractor::Work() {
    TInflater inflater;
    std::unique_lock lock(FMutex);
    for (;;) {
        FJobAdded.wait(lock, [&] { return FQuit || FStarted < FJobs.size(); });
        if (FQuit)
            return;
        TJob& job = FJobs[FStarted++];
        if (job.Done)
            continue; // refused: nothing to write
        const int32_t index = job.Index;
        const std::string target = job.Target;
        lock.unlock();

        TExtractOutcome outcome = TExtractOutcome::Written;
        std::exception_ptr error;
        try {
            outcome = FReader.ExtractEntry(index, target, inflater);
        } catch (...) {
            error = std::current_exception();
        }

        lock.lock();
        // The job is still in place: only finished jobs leave the queue.
        job.Outcome = outcome;
        job.Error = error;
        job.Done = true;
        FJobDone.notify_all();
    }
}
