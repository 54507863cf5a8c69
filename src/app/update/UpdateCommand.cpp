#include "UpdateCommand.h"

#include "AnsiText.h"
#include "ArchiveSession.h"
#include "PBFolderDialog.h"
#include "Prompts.h"
#include "RunController.h"
#include "RunStatus.h"
#include "StatusLine.h"
#include "UpdateJob.h"
#include "WindowState.h"
#include "uPakReader.h"

#include <QDir>
#include <QFileInfo>

TUpdateCommand::TUpdateCommand(TArchiveSession& session, TRunController& runs, TPrompts& prompts,
                               TStatusLine& status, TWindowState& state, QWidget* window)
    : QObject(window)
    , FSession(session)
    , FRuns(runs)
    , FPrompts(prompts)
    , FStatus(status)
    , FState(state)
    , FWindow(window)
    , FFolderDialog(NewDiskFolderChooser(window)) {}

void TUpdateCommand::Run() {
    if (!FSession.RequireOpen() || FRuns.RefuseWhileRunning())
        return;
    const QString folder =
        AskDiskFolder(FPrompts, *FFolderDialog, FState, TWindowState::kUpdateFolder,
                      QStringLiteral("den Ordner mit den geänderten Dateien wählen"), FWindow);
    if (folder.isEmpty())
        return;
    const QString archive = QString::fromStdString(FSession.Reader().FileName());
    const QString target = AskNewArchive(archive);
    if (target.isEmpty())
        return;
    auto job = std::make_unique<TUpdateJob>(archive, folder, target, FRuns.WorkerCount());
    const TUpdateJob* running = job.get();
    TRunController::TRun run;
    run.Kind = TRunController::TKind::Write;
    run.Range = TUpdateJob::kSteps;
    run.Label = QStringLiteral("Schreibe %1...").arg(QFileInfo(target).fileName());
    // The job lives until its Finished has been delivered, which calls this.
    run.Ended = [this, running](bool complete) { Ended(*running, complete); };
    FStatus.Set(run.Label);
    FRuns.Start(std::move(run), std::move(job));
}

QString TUpdateCommand::AskNewArchive(const QString& archive) {
    const QFileInfo old(archive);
    const QString preset = old.completeBaseName() + QStringLiteral("-neu.") + old.suffix();
    for (;;) {
        const QString target = FPrompts.AskSaveFileName(FWindow, preset, old.absolutePath());
        if (target.isEmpty())
            return QString();
        // The open archive is never written over (the writer refuses it too, also through a
        // link): ask again.
        if (QFileInfo(target).canonicalFilePath() != old.canonicalFilePath())
            return target;
        FPrompts.ShowMessage(FWindow,
                             QStringLiteral("„%1“ ist das geöffnete Archiv und wird nie "
                                            "überschrieben. Bitte einen anderen Namen wählen.")
                                 .arg(QDir::toNativeSeparators(target)),
                             TPrompts::TIcon::Information);
    }
}

void TUpdateCommand::Ended(const TUpdateJob& job, bool complete) {
    if (!complete || !job.Report()) {
        FStatus.Set(job.Cancelled() ? QStringLiteral("Abgebrochen: kein neues Archiv geschrieben")
                                    : QStringLiteral("Kein neues Archiv geschrieben"));
        return;
    }
    const auto& report = *job.Report();
    FStatus.Set(QStringLiteral("Neues Archiv geschrieben (%1): %2 ersetzt, %3 hinzugefügt, %4 "
                               "übernommen, %5 entfernt")
                    .arg(TRunStatus::Bytes(report.ArchiveBytes))
                    .arg(report.Replaced)
                    .arg(report.Added)
                    .arg(report.Kept)
                    .arg(report.Removed));
    QString text = QStringLiteral("Das neue Archiv „%1“ ist geschrieben.")
                       .arg(QDir::toNativeSeparators(job.NewArchive()));
    if (!report.Skipped.empty())
        text += QStringLiteral("\n\nÜbergangen: %1").arg(FromCoreText(report.Skipped.front())) +
                (report.Skipped.size() > 1
                     ? QStringLiteral(" (und %1 weitere)").arg(report.Skipped.size() - 1)
                     : QString());
    if (FPrompts.AskChoice(FWindow, text + QStringLiteral("\n\nJetzt öffnen?"),
                           TPrompts::TIcon::Information,
                           {QStringLiteral("Öffnen"), QStringLiteral("Nicht öffnen")}) == 0)
        emit OpenRequested(job.NewArchive());
}
