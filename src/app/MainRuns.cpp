// What the window tells about runs over many files, extraction and check alike: their figures in
// the status line while they go, damaged entries as they are found, a summary when they end. And
// "Archiv prüfen...", a run that reads every entry and writes nothing.
#include "AnsiText.h"
#include "CheckJob.h"
#include "Exception.h"
#include "Main.h"
#include "Prompts.h"
#include "uPakReader.h"

#include <QDesktopServices>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <system_error>

void TfrmMain::CheckArchive() {
    if (!RequireArchive() || RefuseWhileExtracting())
        return;
    FCheck = std::make_unique<TCheckJob>(*FReader, FWorkerCount);
    FRun.emplace(TRunStatus::TKind::Check, FCheck->TotalFiles(), FCheck->TotalBytes(),
                 FCheck->TotalStored());
    FRunFolder.clear();
    ShowRunStatus({});
    FCancel = false;
    FActivity = TActivity::Checking;
    lbExtract->clear();
    pbProgress->setRange(0, FCheck->TotalFiles());
    pbProgress->setValue(0);
    ShowExtractPanel();
    connect(FCheck.get(), &TCheckJob::Finished, this, &TfrmMain::CheckEnded);
    if (FEventIntervalMs > 0)
        FPanelTimer->start(FEventIntervalMs);
    FJobClock.start();
    try {
        FCheck->Start();
    } catch (const std::system_error&) {
        FCheck.reset();
        JobNotStarted();
        throw;
    }
}

void TfrmMain::CheckEnded() {
    FPanelTimer->stop();
    pnExtract->hide();
    // The job's own signal is being delivered: it goes once that is done.
    TCheckJob* job = FCheck.release();
    job->deleteLater();
    FActivity = TActivity::Idle;

    const TJobProgress progress = job->Progress();
    const auto damaged = static_cast<int64_t>(job->Damaged().size());
    ShowRunSummary({progress.Done, progress.Bytes, damaged, 0, 0, 0, job->Cancelled()});
    const QString total = TRunStatus::Files(job->TotalFiles());
    if (!job->Error().isEmpty()) {
        ShowError(job->Error());
    } else if (damaged > 0) {
        QString text = QStringLiteral("%1 von %2 sind beschädigt:").arg(damaged).arg(total);
        if (job->Cancelled())
            text = QStringLiteral("Die Prüfung wurde abgebrochen. Bis dahin beschädigt gefunden:");
        else if (damaged == 1)
            text = QStringLiteral("Eine von %1 ist beschädigt:").arg(total);
        FPrompts.ShowList(this, text, DamagedList(job->Damaged()), TPrompts::TIcon::Warning);
    } else if (!job->Cancelled()) {
        QString text = QStringLiteral("Alle %1 sind in Ordnung.").arg(total);
        if (job->TotalFiles() == 0)
            text = QStringLiteral("Das Archiv enthält keine Dateien.");
        else if (job->TotalFiles() == 1)
            text = QStringLiteral("Die eine Datei ist in Ordnung.");
        FPrompts.ShowMessage(this, text, TPrompts::TIcon::Information);
    }
    AfterCommand();
}

std::optional<TJobProgress> TfrmMain::RunProgress() const {
    if (FJob)
        return FJob->Progress();
    if (FCheck)
        return FCheck->Progress();
    return std::nullopt;
}

void TfrmMain::ShowRunStatus(const TJobProgress& progress) {
    if (FRun)
        SetStatusText(
            FRun->Line(progress.Done, progress.Bytes, progress.Read, FJobClock.elapsed()));
}

void TfrmMain::ShowRunSummary(const TRunStatus::TOutcome& outcome) {
    if (!FRun)
        return;
    SetStatusText(FRun->Summary(outcome, FJobClock.elapsed()));
    FRun.reset();
    btOpenFolder->setVisible(!FRunFolder.isEmpty() && outcome.Files > 0);
}

void TfrmMain::OpenRunFolder() {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(FRunFolder)))
        throw Exception(QStringLiteral("Der Ordner %1 kann nicht geöffnet werden")
                            .arg(FRunFolder)
                            .toStdString());
}

void TfrmMain::ReportDamaged(int32_t index) {
    FDamaged.push_back(index);
    const QString message = FromCoreText(FReader->DamagedEntryMessage(index));
    if (FSingleFile) {
        FPrompts.ShowMessage(this, message, TPrompts::TIcon::None);
        return;
    }
    // One box per damaged entry until the user has seen enough of them; the summary names all.
    if (!FDamagedQuiet)
        FDamagedQuiet =
            FPrompts.AskChoice(this, message, TPrompts::TIcon::None,
                               {QStringLiteral("OK"),
                                QStringLiteral("Weitere nur in der Zusammenfassung melden")}) == 1;
}

QStringList TfrmMain::DamagedList(const std::vector<int32_t>& entries) const {
    QStringList items;
    items.reserve(static_cast<qsizetype>(entries.size()));
    for (const int32_t index : entries)
        items << AnsiToQString(FReader->EntryPath(index)) +
                     (FReader->EntryDataInFile(index)
                          ? QString()
                          : QStringLiteral(" (die Daten liegen hinter dem Dateiende)"));
    return items;
}
