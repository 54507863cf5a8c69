#pragma once

#include "BufferBudget.h"
#include "DestinationFolder.h"
#include "Inflate.h"
#include "SafePath.h"
#include "uPakReader.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// Writes entries of an open archive below one destination folder, one Add per file, in the
// order the caller wants them. It creates the folders a file needs, never writes through a
// symbolic link it finds there, refuses every target that would leave the destination folder,
// and reports each entry that fails on its own (damaged, refused, a name the file system will
// not take) in the order they were added; the run goes on after those. The window's extraction
// commands and the command-line tool both go through it.
//
// With more than one thread, Add checks the target and makes its folder, then hands the file to
// a worker and returns; Finish waits for the rest. Reports, statistics and errors still reach
// the caller on its own thread and in the order of the Adds, and two entries that reach one file
// (also through different spellings of its path) are written one after the other, so the
// outcome is that of one thread; the exception is an error that ends the run, after which the
// files the other workers were writing at that moment are completed.
class TExtractor {
public:
    struct TStats {
        int64_t Written = 0;
        int64_t Damaged = 0;
        int64_t Refused = 0;
        int64_t Failed = 0;
        int64_t Kept = 0;   // existing files left as they were (SetKeepExisting)
        uint64_t Bytes = 0; // bytes written into the written entries' files
        // Files begun and not completed when an error ended the run: removed, or, where that
        // failed too, left behind (named as messages name files).
        int64_t Removed = 0;
        std::vector<std::string> LeftBehind;
    };

    // Bytes of buffers all workers together may hold; an entry too large for it alone still
    // gets its buffers, once the others have given theirs back.
    static constexpr uint64_t kBufferBudget = 64ull << 20;

    // destination: a folder (UTF-8), made with its parents by the first Add.
    // threads: 1 extracts in Add itself; more start that many workers, or as many as the system
    // gives (with none, Add extracts itself).
    TExtractor(const TPakReader& reader, std::string destination, int threads = 1);
    // Abandons the files not yet begun and waits for those being written.
    ~TExtractor();
    TExtractor(const TExtractor&) = delete;
    TExtractor& operator=(const TExtractor&) = delete;

    // The number of workers that suits this machine.
    static int DefaultThreads();

    // Leaves a file (or anything else) that already stands where an entry goes, instead of
    // replacing it. Before the first Add.
    void SetKeepExisting(bool keep) { FKeepExisting = keep; }

    // An entry whose compressed data is damaged (its file is left empty), or whose data lies past
    // the end of the archive (nothing is written): the reader's DamagedEntryMessage says which.
    std::function<void(int32_t index)> OnDamaged;
    // An entry whose target would leave the destination, or pass through a symbolic link in it;
    // nothing is written.
    std::function<void(int32_t index)> OnRefused;
    // An entry whose file or folder cannot be created while others can: reason says why
    // (German).
    std::function<void(int32_t index, const std::string& reason)> OnFailed;
    // A file written whole, with the bytes it took (fewer than the entry declares, where it
    // declares too many).
    std::function<void(int32_t index, uint64_t bytes)> OnWritten;
    // Called about every 20 ms while Add or Finish waits for the workers, so that a window can
    // handle its events meanwhile.
    std::function<void()> OnWait;

    // Writes entry index to destination/relativeDir/name, where relativeDir is an archive
    // directory path ("/" separators, empty for the destination itself). Throws what ends the
    // run: EFCreateError (the destination cannot take files: full, read-only, gone), EReadError,
    // EWriteError naming the file (with workers: of this or an earlier file, as soon as it is
    // known). Files left half written then are removed (Stats().Removed, LeftBehind).
    void Add(int32_t index, std::string_view relativeDir);
    // Waits until every added file is written and reported; throws as Add does.
    void Finish();

    // The files reported so far; complete after Finish.
    const TStats& Stats() const { return FStats; }

    // May be called from any thread. No file that has not begun is written after this (a file
    // added but not yet taken by a worker is dropped); Add does nothing from now on. The files
    // being written are completed.
    void Cancel() { FCancelled = true; }
    bool Cancelled() const { return FCancelled.load(); }
    // Progress, for any thread: bytes written so far (also of files not yet complete), and the
    // entry begun last (-1 before the first).
    uint64_t BytesWritten() const { return FWatch.Bytes.load(std::memory_order_relaxed); }
    int32_t Current() const { return FCurrent.load(std::memory_order_relaxed); }
    // Files reported so far, whatever came of them (Stats() in one figure, for any thread).
    int64_t Reported() const { return FReported.load(std::memory_order_relaxed); }

private:
    enum class TResult { Pending, Written, Damaged, Refused, Failed, Kept, Cancelled };

    struct TJob {
        int32_t Index = 0;
        TTarget Target;
        std::string Path; // Target joined: how two jobs are found to reach one file
        std::shared_ptr<const TFolderHandle> Folder;
        TResult Result = TResult::Pending;
        uint64_t Written = 0; // bytes the file took
        std::string Reason;
        std::exception_ptr Error;
        bool Incomplete = false; // the file was begun when Error came
        int RemoveError = 0;     // why removing that file failed

        bool Done() const { return Result != TResult::Pending || Error; }
    };

    // Decides what can be decided before the folder: refused, damaged, a name that is none.
    TJob Examine(int32_t index, std::string_view relativeDir) const;
    // Opens (and makes) the job's folder; on failure settles the job.
    void OpenFolder(TJob& job);
    // Creates the file and writes the entry into it; settles the job.
    void Write(TJob& job, TInflater& inflater);
    // Settles a job whose file cannot be created.
    void CreateFailed(TJob& job, int systemError);
    // Counts the file of a job that ended the run half written.
    void CountIncomplete(const TJob& job);
    // Whether an unfinished job writes the file job's path names, or a file where job needs one
    // of its folders.
    bool Collides(const TJob& job) const;
    void Report(const TJob& job);
    // Reports the finished jobs at the front of the queue; rethrows an error among them.
    void ReportFinished(std::unique_lock<std::mutex>& lock);
    // Waits until the condition holds, reporting and calling OnWait meanwhile.
    template <class Condition> void WaitUntil(std::unique_lock<std::mutex>& lock, Condition done);
    // Drops the jobs no worker has begun and waits for the others.
    void Abandon(std::unique_lock<std::mutex>& lock);
    void Work();

    const TPakReader& FReader;
    TDestinationFolder FDestination;
    // The folder opened last, so runs of files in one folder open it once.
    std::string FLastFolderPath;
    std::shared_ptr<const TFolderHandle> FLastFolder;
    TInflater FInflater;
    TBufferBudget FBudget{kBufferBudget};
    TStats FStats;
    TWriteWatch FWatch;
    bool FKeepExisting = false;
    std::atomic<bool> FCancelled{false};
    std::atomic<int32_t> FCurrent{-1};
    std::atomic<int64_t> FReported{0};

    // Shared with the workers, under FMutex. FJobs holds the added files not yet reported, in
    // the order of the Adds; the first FStarted of them have been taken by a worker.
    std::mutex FMutex;
    std::condition_variable FJobAdded;
    std::condition_variable FJobDone;
    std::deque<TJob> FJobs;
    size_t FStarted = 0;
    size_t FCapacity = 0;
    bool FQuit = false;
    bool FFailing = false; // a job has failed: the run ends there, no further file is begun
    std::vector<std::thread> FWorkers;
};
