#include "RunController.h"

#include "AccessibleText.h"
#include "AnsiText.h"
#include "CheckJob.h"
#include "Exception.h"
#include "Extractor.h"
#include "ProgressPanel.h"
#include "Prompts.h"
#include "StatusLine.h"
#include "uPakReader.h"

#include <QDesktopServices>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <system_error>

namespace {

// A single file and a drag show the panel only when they take longer than this.
constexpr qint64 kQuietPanelAfterMs = 500;
// The bar of a single file counts thousandths of its bytes.
constexpr int kSingleFileSteps = 1000;

} // namespace

TRunController::TRunController(const TPakReader& reader, TPrompts& prompts, TStatusLine& status,
                               QWidget* window)
    : QObject(window)
    , FReader(reader)
    , FPrompts(prompts)
    , FStatus(status)
    , FWindow(window)
    , FPanel(new TProgressPanel(window))
    , FOpenFolder(new QPushButton(QStringLiteral("Zielordner öffnen"), window))
    , FPanelTimer(new QTimer(this))
    , FWorkerCount(TExtractor::DefaultThreads()) {
    connect(FPanel, &TProgressPanel::CancelClicked, this, &TRunController::Cancel);
    connect(FPanelTimer, &QTimer::timeout, this, &TRunController::RefreshPanel);
    SetAccessibleText(FOpenFolder, QStringLiteral("Zielordner öffnen"),
                      QStringLiteral("Zeigt den Ordner, in den entpackt wurde, in der "
                                     "Dateiverwaltung"));
    FOpenFolder->setFlat(true);
    FOpenFolder->hide();
    // The button belongs to a run's summary, which goes with the next status text.
    connect(&FStatus, &TStatusLine::Changed, FOpenFolder, &QWidget::hide);
}

TRunController::~TRunController() = default;

std::optional<TRunController::TKind> TRunController::Kind() const {
    return FJob ? std::optional(FRun.Kind) : std::nullopt;
}

QString TRunController::EntryName(int32_t index) const {
    return AnsiToQString(FReader.EntryName(index));
}

bool TRunController::RefuseWhileRunning() {
    if (!FJob)
        return false;
    QString text = QStringLiteral("Es wird gerade entpackt. Bitte warten, bis das Entpacken "
                                  "beendet ist, oder „Abbrechen“ wählen.");
    if (FRun.Kind == TKind::Check)
        text = QStringLiteral("Das Archiv wird gerade geprüft. Bitte warten, bis die Prüfung "
                              "beendet ist, oder „Abbrechen“ wählen.");
    else if (FRun.Kind == TKind::Write)
        text = QStringLiteral("Ein neues Archiv wird gerade geschrieben. Bitte warten, bis es "
                              "fertig ist, oder „Abbrechen“ wählen.");
    else if (FRun.Kind == TKind::Compare)
        text = QStringLiteral("Die Archive werden gerade verglichen. Bitte warten, bis der "
                              "Vergleich beendet ist, oder „Abbrechen“ wählen.");
    FPrompts.ShowMessage(FWindow, text, TPrompts::TIcon::Information);
    return true;
}

bool TRunController::ConfirmStop() {
    // A drag's copy in the temporary folder loses nothing, nor does a comparison.
    if (!FJob || FRun.Kind == TKind::Drag || FRun.Kind == TKind::Compare)
        return true;
    QString text = QStringLiteral("Das Entpacken läuft noch. Abbrechen und beenden?");
    QString goOn = QStringLiteral("Weiter entpacken");
    if (FRun.Kind == TKind::Check) {
        text = QStringLiteral("Die Prüfung läuft noch. Abbrechen und beenden?");
        goOn = QStringLiteral("Weiter prüfen");
    } else if (FRun.Kind == TKind::Write) {
        text = QStringLiteral("Das neue Archiv wird noch geschrieben. Abbrechen und beenden?");
        goOn = QStringLiteral("Weiter schreiben");
    }
    return FPrompts.AskChoice(FWindow, text, TPrompts::TIcon::Warning,
                              {QStringLiteral("Beenden"), goOn}) == 0;
}

// --- starting ---

void TRunController::ExtractSingle(int32_t index, const QString& target) {
    FStatus.Set(QStringLiteral("Entpacke %1...").arg(AnsiToQString(FReader.EntryPath(index))));
    Start({TKind::Single, kSingleFileSteps, std::nullopt, QString(), nullptr, QString()},
          std::make_unique<TExtractionJob>(FReader, index, ToCoreFileName(target)));
}

void TRunController::ExtractFiles(const QString& folder, std::vector<TExtractionJob::TItem> items) {
    uint64_t bytes = 0;
    uint64_t stored = 0;
    for (const TExtractionJob::TItem& item : items) {
        bytes = AddSize(bytes, FReader.EntryUnpackedSize(item.Index));
        stored = AddSize(stored, StoredToRead(FReader, item.Index));
    }
    TRun run{
        TKind::Files,
        static_cast<int>(items.size()),
        TRunStatus(TRunStatus::TKind::Extract, static_cast<int64_t>(items.size()), bytes, stored),
        folder,
        nullptr,
        QString()};
    Start(std::move(run), std::make_unique<TExtractionJob>(FReader, ToCoreFileName(folder),
                                                           std::move(items), FWorkerCount));
}

void TRunController::ExtractDrag(const QString& folder, std::vector<TExtractionJob::TItem> items,
                                 std::function<void(bool)> ended) {
    const int range = static_cast<int>(items.size());
    Start({TKind::Drag, range, std::nullopt, QString(), std::move(ended), QString()},
          std::make_unique<TExtractionJob>(FReader, ToCoreFileName(folder), std::move(items),
                                           FWorkerCount));
}

void TRunController::Check() {
    auto job = std::make_unique<TCheckJob>(FReader, FWorkerCount);
    TRun run{TKind::Check,
             job->TotalFiles(),
             TRunStatus(TRunStatus::TKind::Check, job->TotalFiles(), job->TotalBytes(),
                        job->TotalStored()),
             QString(),
             nullptr,
             QString()};
    Start(std::move(run), std::move(job));
}

void TRunController::Start(TRun run, std::unique_ptr<TRunJob> job) {
    FRun = std::move(run);
    FJob = std::move(job);
    if (FRun.Line)
        FFolder = FRun.Folder; // "Zielordner öffnen" goes with the run's summary
    FCancel = false;
    FDamaged.clear();
    FDamagedQuiet = false;
    FPanel->lbExtract()->setText(FRun.Label);
    FPanel->pbProgress()->setRange(0, FRun.Range);
    FPanel->pbProgress()->setValue(0);
    // A single file and a drag show the panel only when they take long.
    if (FRun.Kind != TKind::Single && FRun.Kind != TKind::Drag) {
        ShowRunStatus({});
        FPanel->ShowCentered();
    }
    connect(FJob.get(), &TRunJob::Damaged, this, [this](int32_t index) {
        ReportDamaged(index);
        FJob->Continue();
    });
    connect(FJob.get(), &TRunJob::Stepped, this, &TRunController::Stepped);
    connect(FJob.get(), &TJob::Finished, this, &TRunController::JobEnded);
    const bool lockstep = FEventIntervalMs == 0;
    if (!lockstep)
        FPanelTimer->start(FEventIntervalMs);
    FJob->SetLockstep(lockstep);
    FJobClock.start();
    try {
        FJob->Start();
    } catch (const std::system_error&) {
        // No thread to run on: idle again, and the caller tells why.
        FJob.reset();
        FPanelTimer->stop();
        FPanel->hide();
        FRun = {};
        throw;
    }
}

void TRunController::Cancel() {
    FCancel = true;
    if (!FJob)
        return;
    // The panel names the file that will not be extracted.
    const int32_t next = FJob->Cancel();
    if (next >= 0)
        FPanel->lbExtract()->setText(EntryName(next));
}

// --- while it runs ---

void TRunController::Stepped(int32_t index) {
    const QString name = EntryName(index);
    const int position = FJob->Progress().Position + 1;
    FPanel->lbExtract()->setText(name);
    FPanel->pbProgress()->setValue(position);
    FPanel->raise();
    ShowRunStatus(FJob->Progress());
    emit ExtractProgress(name, position);
    // Events that came meanwhile (a click on "Abbrechen") are handled before the file begins.
    QTimer::singleShot(0, this, [this] {
        if (FJob)
            FJob->Continue();
    });
}

void TRunController::RefreshPanel() {
    if (!FJob)
        return;
    const TJobProgress progress = FJob->Progress();
    if (FPanel->isHidden()) {
        if (FJobClock.elapsed() < kQuietPanelAfterMs)
            return;
        FPanel->ShowCentered();
    }
    QProgressBar* bar = FPanel->pbProgress();
    if (FRun.Kind == TKind::Single) {
        const uint64_t size = FReader.EntryUnpackedSize(progress.Current);
        bar->setValue(size == 0 ? kSingleFileSteps
                                : static_cast<int>(std::min<uint64_t>(progress.Bytes, size) *
                                                   kSingleFileSteps / size));
    } else {
        bar->setValue(progress.Position);
        ShowRunStatus(progress);
    }
    const QString name = progress.Current >= 0 ? EntryName(progress.Current) : FRun.Label;
    if (!FCancel)
        FPanel->lbExtract()->setText(name);
    FPanel->raise();
    emit ExtractProgress(FPanel->lbExtract()->text(), bar->value());
}

void TRunController::ShowRunStatus(const TJobProgress& progress) {
    if (FRun.Line)
        FStatus.Set(
            FRun.Line->Line(progress.Done, progress.Bytes, progress.Read, FJobClock.elapsed()));
}

void TRunController::ReportDamaged(int32_t index) {
    FDamaged.push_back(index);
    const QString message = FromCoreText(FReader.DamagedEntryMessage(index));
    if (FRun.Kind == TKind::Single) {
        FPrompts.ShowMessage(FWindow, message, TPrompts::TIcon::None);
        return;
    }
    // One box per damaged entry until the user has seen enough of them; the summary names all.
    if (!FDamagedQuiet)
        FDamagedQuiet =
            FPrompts.AskChoice(FWindow, message, TPrompts::TIcon::None,
                               {QStringLiteral("OK"),
                                QStringLiteral("Weitere nur in der Zusammenfassung melden")}) == 1;
}

// --- the end ---

void TRunController::JobEnded() {
    FPanelTimer->stop();
    if (FRun.Kind != TKind::Single)
        FPanel->pbProgress()->setValue(FJob->Progress().Position);
    FPanel->hide();
    // The job's own signal is being delivered: it goes once that is done.
    TRunJob* job = FJob.release();
    job->deleteLater();
    // Idle from here on: what the reports below show may start the next run.
    const TRun run = std::move(FRun);
    FRun = {};
    const auto* extraction = qobject_cast<const TExtractionJob*>(job);
    if (extraction)
        for (const auto& [index, bytes] : extraction->ShortEntries())
            emit RealSizeFound(index, bytes);
    ShowRunSummary(run, job->Outcome());
    if (run.Ended)
        run.Ended(!job->Cancelled() && job->Error().isEmpty());
    if (extraction)
        ReportExtraction(*extraction, run.Kind);
    else if (const auto* check = qobject_cast<const TCheckJob*>(job))
        ReportCheck(*check);
    else if (!job->Error().isEmpty())
        ShowErrorMessage(FPrompts, FWindow, job->Error());
    if (run.Kind != TKind::Check && run.Kind != TKind::Write && run.Kind != TKind::Compare)
        emit ExtractionFinished();
    emit Ended();
}

void TRunController::ShowRunSummary(const TRun& run, const TRunStatus::TOutcome& outcome) {
    if (!run.Line)
        return;
    FStatus.Set(run.Line->Summary(outcome, FJobClock.elapsed()));
    FOpenFolder->setVisible(!FFolder.isEmpty() && outcome.Files > 0);
}

void TRunController::OpenRunFolder() {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(FFolder)))
        throw Exception(
            QStringLiteral("Der Ordner %1 kann nicht geöffnet werden").arg(FFolder).toStdString());
}

void TRunController::ReportExtraction(const TExtractionJob& job, TKind kind) {
    // Entries that cost only themselves are told about once, at the end.
    QStringList summary;
    const auto path = [&](int32_t index) { return AnsiToQString(FReader.EntryPath(index)); };
    if (job.Refused() == 1)
        summary << QStringLiteral("Eine Datei mit unsicherem Pfad wurde nicht entpackt: „%1“.")
                       .arg(path(job.FirstRefused()));
    else if (job.Refused() > 1)
        summary << QStringLiteral("%1 Dateien mit unsicherem Pfad wurden nicht entpackt, zum "
                                  "Beispiel „%2“.")
                       .arg(job.Refused())
                       .arg(path(job.FirstRefused()));
    const QString firstFailed = QStringLiteral("„%1“ (%2)")
                                    .arg(job.Failed() > 0 ? path(job.FirstFailed()) : QString(),
                                         FromCoreText(job.FirstFailure()));
    if (job.Failed() == 1)
        summary << QStringLiteral("Eine Datei konnte nicht erstellt werden: %1.").arg(firstFailed);
    else if (job.Failed() > 1)
        summary << QStringLiteral("%1 Dateien konnten nicht erstellt werden, zum Beispiel %2.")
                       .arg(job.Failed())
                       .arg(firstFailed);
    if (FDamagedQuiet) {
        // Not every damaged entry had a box of its own: here are all of them.
        summary << (FDamaged.size() == 1
                        ? QStringLiteral("Eine beschädigte Datei konnte nicht entpackt werden:")
                        : QStringLiteral("%1 beschädigte Dateien konnten nicht entpackt werden:")
                              .arg(FDamaged.size()));
        FPrompts.ShowList(FWindow, summary.join(QStringLiteral("\n\n")), DamagedList(FDamaged),
                          TPrompts::TIcon::Warning);
    } else if (!summary.isEmpty()) {
        FPrompts.ShowMessage(FWindow, summary.join(QStringLiteral("\n\n")),
                             TPrompts::TIcon::Warning);
    }
    if (!job.Error().isEmpty()) {
        QString error = job.Error();
        for (const std::string& file : job.Stats().LeftBehind)
            error +=
                QStringLiteral(".\n\nUnvollständig geblieben, konnte nicht entfernt werden: „%1“")
                    .arg(FromCoreText(file));
        ShowErrorMessage(FPrompts, FWindow, error);
    } else if (kind == TKind::Single) {
        FStatus.Set(QStringLiteral("%1 Dateien").arg(FReader.Count()));
    }
}

void TRunController::ReportCheck(const TCheckJob& job) {
    const auto damaged = static_cast<int64_t>(job.Damaged().size());
    const QString total = TRunStatus::Files(job.TotalFiles());
    if (!job.Error().isEmpty()) {
        ShowErrorMessage(FPrompts, FWindow, job.Error());
    } else if (damaged > 0) {
        QString text = QStringLiteral("%1 von %2 sind beschädigt:").arg(damaged).arg(total);
        if (job.Cancelled())
            text = QStringLiteral("Die Prüfung wurde abgebrochen. Bis dahin beschädigt gefunden:");
        else if (damaged == 1)
            text = QStringLiteral("Eine von %1 ist beschädigt:").arg(total);
        FPrompts.ShowList(FWindow, text, DamagedList(job.Damaged()), TPrompts::TIcon::Warning);
    } else if (!job.Cancelled()) {
        QString text = QStringLiteral("Alle %1 sind in Ordnung.").arg(total);
        if (job.TotalFiles() == 0)
            text = QStringLiteral("Das Archiv enthält keine Dateien.");
        else if (job.TotalFiles() == 1)
            text = QStringLiteral("Die eine Datei ist in Ordnung.");
        FPrompts.ShowMessage(FWindow, text, TPrompts::TIcon::Information);
    }
}

QStringList TRunController::DamagedList(const std::vector<int32_t>& entries) const {
    QStringList items;
    items.reserve(static_cast<qsizetype>(entries.size()));
    for (const int32_t index : entries)
        items << AnsiToQString(FReader.EntryPath(index)) +
                     (FReader.EntryDataInFile(index)
                          ? QString()
                          : QStringLiteral(" (die Daten liegen hinter dem Dateiende)"));
    return items;
}
