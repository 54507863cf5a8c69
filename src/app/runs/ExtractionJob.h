#pragma once

#include "Extractor.h"
#include "FileIO.h"
#include "RunJob.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class TPakReader;

// One extraction the window runs: entries below a chosen folder, or one entry to a file the user
// named. The work runs on a thread of its own, beside the extractor's workers; the window starts
// it, reads its progress whenever it likes, shows what it reports and may cancel it, and never
// waits for it.
class TExtractionJob : public TRunJob {
    Q_OBJECT
public:
    // One entry of a multi-file extraction, in the order they are extracted.
    struct TItem {
        int32_t Index;
        uint32_t Cut;     // bytes cut from the front of the entry's directory (a selected
                          // directory's own path and its "/")
        bool FirstOfList; // the first file of a directory's list
    };

    // Entries below folder (UTF-8) with threads workers.
    TExtractionJob(const TPakReader& reader, std::string folder, std::vector<TItem> items,
                   int threads, QObject* parent = nullptr);
    // One entry to the file target (UTF-8).
    TExtractionJob(const TPakReader& reader, int32_t index, std::string target,
                   QObject* parent = nullptr);
    // Cancels and waits for the thread.
    ~TExtractionJob() override;

    // With lockstep, the job waits before each file until the window has answered Stepped with
    // Continue, as the window would if it handled its events between files (used by tests).
    // Set before Start.
    void SetLockstep(bool lockstep) override { FLockstep = lockstep; }

    // No file that has not begun is written from now on. Files being written are completed,
    // except a single file, which is stopped and removed. Returns the entry to show as the one
    // not extracted (-1 when none is left).
    int32_t Cancel() override;
    bool Cancelled() const override { return FCancel.load(); }

    using TProgress = TJobProgress;
    TProgress Progress() const override;
    TRunStatus::TOutcome Outcome() const override;

    // After Finished: what went wrong for single entries, and the error that ended the job.
    int Refused() const { return FRefused; }
    int32_t FirstRefused() const { return FFirstRefused; }
    int Failed() const { return FFailed; }
    int32_t FirstFailed() const { return FFirstFailed; }
    const std::string& FirstFailure() const { return FFirstFailure; }
    const QString& Error() const override { return FError; }
    // After Finished, of a multi-file job: what became of the files handed to the extractor;
    // of a single file: the file, when it was cut short and could not be removed (LeftBehind).
    const TExtractor::TStats& Stats() const { return FStats; }
    // After Finished: the entries written whole with fewer bytes than they declare, and those.
    const std::vector<std::pair<int32_t, uint64_t>>& ShortEntries() const { return FShort; }

    // Answers Damaged (after the message's OK) and Stepped; the job goes on.
    void Continue() override;

private:
    void Work() override;
    void StopRequested() override;
    void RunItems();
    void RunSingle();
    // Sends signal and waits for Continue (or the job's end).
    template <class Signal> void AskWindow(Signal&& signal);

    const TPakReader& FReader;
    const std::string FDestination;
    const std::vector<TItem> FItems;
    const int FThreads;
    const int32_t FSingleIndex = -1;
    bool FLockstep = false;

    std::atomic<bool> FCancel{false};
    std::atomic<int> FPosition{0};
    std::atomic<int32_t> FCurrent{-1};
    TWriteWatch FSingleWatch;

    mutable std::mutex FMutex;
    std::condition_variable FAnswered;
    bool FAnswer = false;
    bool FQuit = false;
    TExtractor* FExtractor = nullptr; // while it runs
    size_t FHandedOut = 0;            // items given to the extractor

    int FRefused = 0;
    int32_t FFirstRefused = -1;
    int FFailed = 0;
    int32_t FFirstFailed = -1;
    std::string FFirstFailure;
    TExtractor::TStats FStats;
    std::vector<std::pair<int32_t, uint64_t>> FShort;
    uint64_t FReadAtStart = 0; // the reader's bytes read when the job started
    QString FError;
};
