#pragma once

#include "Job.h"
#include "JobProgress.h"
#include "RunStatus.h"

#include <QString>
#include <cstdint>

// A job over many entries that the run controller shows with its panel: it reads the progress
// whenever it likes, may cancel, and hears Finished. The extraction and the check are of this
// kind.
class TRunJob : public TJob {
    Q_OBJECT
public:
    using TJob::TJob;

    virtual TJobProgress Progress() const = 0;
    // No entry is begun from now on. Returns the entry to show as the one not done (-1: none).
    virtual int32_t Cancel() = 0;
    virtual bool Cancelled() const = 0;
    // After Finished: what the summary tells, and the error that ended the run.
    virtual TRunStatus::TOutcome Outcome() const = 0;
    virtual const QString& Error() const = 0;
    // A job that waits after Damaged or Stepped goes on.
    virtual void Continue() {}
    // Before Start: wait after each Stepped until Continue (a window handling its events between
    // files, as tests want it). Jobs without steps ignore it.
    virtual void SetLockstep(bool) {}

signals:
    // An entry could not be decompressed; the job waits for Continue.
    void Damaged(int32_t index);
    // Lockstep only: entry index is next; the job waits for Continue.
    void Stepped(int32_t index);
};
