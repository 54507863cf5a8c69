#pragma once

#include "Inflate.h"
#include "uPakReader.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// Writes entries of an open archive below one destination folder, one Add per file, in the
// order the caller wants them. It creates the folders a file needs, refuses every target that
// would leave the destination folder, and reports damaged and refused entries in the order they
// were added. The window's extraction commands and the command-line tool both go through it.
//
// With more than one thread, Add checks the target and makes its folder, then hands the file to
// a worker and returns; Finish waits for the rest. Reports, statistics and errors still reach
// the caller on its own thread and in the order of the Adds, so the outcome is that of one
// thread, except that after an error (which ends the run) the files the other workers were
// writing at that moment are completed.
class TExtractor {
public:
    struct TStats {
        int64_t Written = 0;
        int64_t Damaged = 0;
        int64_t Refused = 0;
        uint64_t Bytes = 0; // unpacked bytes of the written entries
    };

    // destination: a folder (UTF-8); a separator is added unless it ends in one (a root).
    // threads: 1 extracts in Add itself; more start that many workers.
    TExtractor(const TPakReader& reader, std::string destination, int threads = 1);
    // Abandons the files not yet begun and waits for those being written.
    ~TExtractor();
    TExtractor(const TExtractor&) = delete;
    TExtractor& operator=(const TExtractor&) = delete;

    // The number of workers that suits this machine.
    static int DefaultThreads();

    // Called for an entry whose compressed data is damaged (its file is left empty).
    std::function<void(int32_t index)> OnDamaged;
    // Called for an entry whose target would leave the destination; nothing is written.
    std::function<void(int32_t index)> OnRefused;
    // Called about every 20 ms while Add or Finish waits for the workers, so that a window can
    // handle its events meanwhile.
    std::function<void()> OnWait;

    // Writes entry index to destination/relativeDir/name, where relativeDir is an archive
    // directory path ("/" separators, empty for the destination itself). Throws what writing a
    // file throws: EFCreateError, EReadError, EWriteError (with workers: of this or an earlier
    // file, as soon as it is known).
    void Add(int32_t index, std::string_view relativeDir);
    // Waits until every added file is written and reported; throws as Add does.
    void Finish();

    // The files reported so far; complete after Finish.
    const TStats& Stats() const { return FStats; }

private:
    struct TJob {
        int32_t Index = 0;
        std::string Target;
        bool Refused = false;
        bool Done = false;
        TExtractOutcome Outcome = TExtractOutcome::Written;
        std::exception_ptr Error;
    };

    std::string PrepareTarget(int32_t index, std::string_view relativeDir);
    void Report(const TJob& job);
    // Reports the finished jobs at the front of the queue; rethrows an error among them.
    void ReportFinished(std::unique_lock<std::mutex>& lock);
    // Waits until the condition holds, reporting and calling OnWait meanwhile.
    template <class Condition> void WaitUntil(std::unique_lock<std::mutex>& lock, Condition done);
    // Drops the jobs no worker has begun and waits for the others.
    void Abandon(std::unique_lock<std::mutex>& lock);
    void Work();

    const TPakReader& FReader;
    std::string FDestination;
    std::string FLastFolder; // the folder made last, so runs of one folder make it once
    bool FHaveFolder = false;
    TInflater FInflater;
    TStats FStats;

    // Shared with the workers, under FMutex. FJobs holds the added files not yet reported, in
    // the order of the Adds; the first FStarted of them have been taken by a worker.
    std::mutex FMutex;
    std::condition_variable FJobAdded;
    std::condition_variable FJobDone;
    std::deque<TJob> FJobs;
    size_t FStarted = 0;
    size_t FCapacity = 0;
    bool FQuit = false;
    std::vector<std::thread> FWorkers;
};
