#pragma once

#include "RunJob.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

class TPakReader;
class TVerifier;

// Checks every entry of the loaded archive without writing anything: compressed entries are
// inflated under zlib's rules, and every entry's data must lie within the archive. Runs on
// threads of its own, one per core; the window starts it, reads its progress, may cancel it, and
// hears Finished.
class TCheckJob : public TRunJob {
    Q_OBJECT
public:
    TCheckJob(const TPakReader& reader, int threads, QObject* parent = nullptr);
    // Cancels and waits for the threads.
    ~TCheckJob() override;

    // No entry is begun from now on, and the ones being inflated stop.
    int32_t Cancel() override;
    bool Cancelled() const override { return FCancel.load(); }

    // What the run covers: every entry, and the content bytes of the compressed ones.
    int32_t TotalFiles() const { return FTotalFiles; }
    uint64_t TotalBytes() const { return FTotalBytes; }
    // The stored bytes the run reads (see StoredToRead).
    uint64_t TotalStored() const { return FTotalStored; }
    TJobProgress Progress() const override;
    TRunStatus::TOutcome Outcome() const override;

    // After Finished: the damaged entries in archive order (of those checked, when cancelled),
    // and the error that ended the run (the archive could no longer be read).
    const std::vector<int32_t>& Damaged() const { return FDamaged; }
    const QString& Error() const override { return FError; }

private:
    void Work() override;
    void StopRequested() override { Cancel(); }

    const TPakReader& FReader;
    const int FThreads;
    const int32_t FTotalFiles;
    uint64_t FTotalBytes = 0;
    uint64_t FTotalStored = 0;
    uint64_t FReadAtStart = 0;

    std::atomic<bool> FCancel{false};
    std::atomic<uint64_t> FBytes{0};
    mutable std::mutex FGuard;
    TVerifier* FVerifier = nullptr; // while it runs
    int64_t FDone = 0;              // once it has run

    std::vector<int32_t> FDamaged;
    QString FError;
};
