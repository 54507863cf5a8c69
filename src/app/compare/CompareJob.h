#pragma once

#include "ArchiveDiff.h"
#include "RunJob.h"

#include <QString>
#include <atomic>
#include <memory>
#include <vector>

class TPakReader;

// Compares the open archive with an older version of it on threads of its own: opens the older
// one, pairs the paths and compares what needs it (see DiffArchives). The open archive is the
// new side. The window starts it, reads its progress, may cancel it and hears Finished.
class TCompareJob : public TRunJob {
    Q_OBJECT
public:
    TCompareJob(const TPakReader& current, QString olderFile, int threads,
                QObject* parent = nullptr);
    // Cancels and waits for the threads.
    ~TCompareJob() override;

    const QString& OlderFile() const { return FOlderFile; }
    // Pairs compared, of those that need it (0 of 0 while the older archive is opened).
    int64_t Done() const { return FProgress.Done; }
    int64_t Total() const { return FProgress.Total; }

    // Position: thousandths of the pairs to compare.
    static constexpr int kSteps = 1000;
    TJobProgress Progress() const override;
    int32_t Cancel() override;
    bool Cancelled() const override { return FCancel.load(); }

    // After Finished: the changes in display order, the older archive they refer to (handed
    // over once), and the German reason when it could not be compared. Cancelled: none of them.
    const std::vector<TChange>& Changes() const { return FChanges; }
    std::unique_ptr<TPakReader> TakeOlder();
    TRunStatus::TOutcome Outcome() const override;
    const QString& Error() const override { return FError; }

private:
    void Work() override;
    void StopRequested() override { FCancel = true; }

    const TPakReader& FCurrent;
    const QString FOlderFile;
    const int FThreads;
    std::atomic<bool> FCancel{false};
    TDiffProgress FProgress;
    std::unique_ptr<TPakReader> FOlder;
    std::vector<TChange> FChanges;
    QString FError;
};
