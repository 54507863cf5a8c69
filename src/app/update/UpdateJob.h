#pragma once

#include "ArchiveBuilder.h"
#include "RunJob.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <optional>

// Writes a new archive from the open one and a folder of edited and added files (see
// pakbuild::UpdateArchive) on threads of its own. The open archive is never written: the new
// one appears under its name only when it is complete. The window starts it, reads its
// progress, may cancel it (nothing is left behind then) and hears Finished.
class TUpdateJob : public TRunJob {
    Q_OBJECT
public:
    // Files of the folder that the archive does not hold are added.
    TUpdateJob(QString archive, QString folder, QString newArchive, int threads,
               QObject* parent = nullptr);
    // Cancels and waits for the threads.
    ~TUpdateJob() override;

    const QString& NewArchive() const { return FNewArchive; }
    // Bytes taken into the new archive, of all there are to take.
    uint64_t Done() const { return FProgress.Done; }
    uint64_t Total() const { return FProgress.Total; }
    // Position: thousandths of the bytes to take.
    static constexpr int kSteps = 1000;
    TJobProgress Progress() const override;
    int32_t Cancel() override;
    bool Cancelled() const override { return FCancel.load(); }

    // After Finished: what was written, or else why not (German, one reason per line: a refused
    // name each). Cancelled: neither.
    const std::optional<pakbuild::TReport>& Report() const { return FReport; }
    const QStringList& Errors() const { return FErrors; }
    TRunStatus::TOutcome Outcome() const override;
    // The reasons as one message.
    const QString& Error() const override { return FError; }

private:
    void Work() override;
    void StopRequested() override { FCancel = true; }

    const QString FArchive;
    const QString FFolder;
    const QString FNewArchive;
    const int FThreads;
    std::atomic<bool> FCancel{false};
    pakbuild::TProgress FProgress;
    std::optional<pakbuild::TReport> FReport;
    QStringList FErrors;
    QString FError;
};
