#include "UpdateJob.h"

#include "AnsiText.h"

#include <algorithm>

TUpdateJob::TUpdateJob(QString archive, QString folder, QString newArchive, int threads,
                       QObject* parent)
    : TRunJob(parent)
    , FArchive(std::move(archive))
    , FFolder(std::move(folder))
    , FNewArchive(std::move(newArchive))
    , FThreads(threads) {}

TUpdateJob::~TUpdateJob() {
    StopAndJoin();
}

TJobProgress TUpdateJob::Progress() const {
    TJobProgress progress;
    const uint64_t total = FProgress.Total;
    const uint64_t done = FProgress.Done;
    progress.Position = total == 0 ? 0 : static_cast<int>(std::min(done, total) * kSteps / total);
    progress.Bytes = done;
    return progress;
}

int32_t TUpdateJob::Cancel() {
    FCancel = true;
    return -1;
}

TRunStatus::TOutcome TUpdateJob::Outcome() const {
    TRunStatus::TOutcome outcome;
    if (FReport) {
        outcome.Files = FReport->Kept + FReport->Replaced + FReport->Added;
        outcome.Bytes = FReport->ArchiveBytes;
    }
    outcome.Cancelled = Cancelled();
    return outcome;
}

void TUpdateJob::Work() {
    pakbuild::TOptions options;
    options.Add = true;
    options.Threads = FThreads;
    options.Cancel = &FCancel;
    options.Progress = &FProgress;
    try {
        FReport = pakbuild::UpdateArchive(ToCoreFileName(FArchive), ToCoreFileName(FNewArchive),
                                          ToCoreFileName(FFolder), options);
    } catch (const pakbuild::ENamesRefused& e) {
        for (const std::string& message : e.Messages())
            FErrors << FromCoreText(message);
        FError = QStringLiteral("Das neue Archiv wurde nicht geschrieben: ein Archiv kann diese "
                                "Namen nicht aufnehmen.\n\n") +
                 FErrors.join(QLatin1Char('\n'));
    } catch (const EAborted&) {
    } catch (const std::exception& e) {
        FErrors << FromCoreText(ErrorText(e));
        FError = FErrors.front();
    }
}
