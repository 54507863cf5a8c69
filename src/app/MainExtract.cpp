// The window's extraction commands: one file through the save dialog, the whole archive, and
// the selected directory with everything below it. Each starts a TExtractionJob and returns; the
// window shows its progress, its reports and its end.
#include "AnsiText.h"
#include "DirectoryTreeModel.h"
#include "ExtractionJob.h"
#include "FileListModel.h"
#include "Main.h"
#include "PBFolderDialog.h"
#include "Prompts.h"
#include "WindowState.h"
#include "uPakReader.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QTreeView>
#include <system_error>

namespace {

// A single file and a drag show the panel only when they take longer than this.
constexpr qint64 kQuietPanelAfterMs = 500;
// The bar of a single file counts thousandths of its bytes.
constexpr int kSingleFileSteps = 1000;

} // namespace

void TfrmMain::ExtractSelectedFile(const QModelIndex& item) {
    if (!RequireArchive() || RefuseWhileExtracting())
        return;
    const int32_t index = EntryOfItem(item);
    if (index < 0)
        return;
    const QString folder = FState->Text(TWindowState::kSaveFolder);
    const QString target = FPrompts.AskSaveFileName(this, AnsiToQString(FReader->EntryName(index)),
                                                    folder.isEmpty() ? QDir::homePath() : folder);
    if (target.isEmpty())
        return;
    FState->SetText(TWindowState::kSaveFolder, QFileInfo(target).absolutePath());
    SetStatusText(QStringLiteral("Entpacke %1...").arg(AnsiToQString(FReader->EntryPath(index))));
    FSingleFile = true;
    pbProgress->setRange(0, kSingleFileSteps);
    StartExtraction(std::make_unique<TExtractionJob>(*FReader, index, ToCoreFileName(target)));
}

void TfrmMain::ExtractSelectedFiles(const std::vector<int32_t>& entries) {
    QString folder;
    if (!RequireArchive() || RefuseWhileExtracting() || entries.empty() || !AskDestination(folder))
        return;
    // A folder's files land side by side in the chosen folder; hits of a find, which may share
    // names, keep the folders they are in.
    std::vector<TExtractionJob::TItem> items;
    for (const int32_t entry : entries)
        items.push_back({entry,
                         FFindOpen ? 0 : static_cast<uint32_t>(FReader->EntryDir(entry).size() + 1),
                         items.empty()});
    ExtractItems(folder, std::move(items));
}

bool TfrmMain::AskDestination(QString& folder) {
    // The chooser opens where the last extraction went, or as near to it as still exists.
    QString last = FState->Text(TWindowState::kExtractFolder);
    while (!last.isEmpty() && !QFileInfo(last).isDir() && QFileInfo(last).path() != last)
        last = QFileInfo(last).path();
    if (!last.isEmpty())
        PBFolderDialog1->SetFolder(last);
    for (;;) {
        const QString before = PBFolderDialog1->Folder();
        if (!FPrompts.AskFolder(*PBFolderDialog1))
            return false;
        folder = PBFolderDialog1->Folder();
        if (!folder.isEmpty())
            break;
        // A confirmed item without a file-system path (such as "Computer") cannot take files:
        // say so, and let the user pick again, from where the chooser was opened.
        FPrompts.ShowMessage(this,
                             QStringLiteral("„%1“ ist kein Ordner auf einem Datenträger. Bitte "
                                            "einen Ordner wählen, in den entpackt werden kann.")
                                 .arg(PBFolderDialog1->DisplayName()),
                             TPrompts::TIcon::Information);
        PBFolderDialog1->SetFolder(before);
    }
    FState->SetText(TWindowState::kExtractFolder, folder);
    return true;
}

void TfrmMain::ShowExtractPanel() {
    pnExtract->setFixedHeight(Scaled(kPanelHeight));
    pnExtract->move((frameGeometry().width() - pnExtract->width()) / 2,
                    (frameGeometry().height() - pnExtract->height()) / 2);
    pnExtract->show();
    pnExtract->raise();
}

void TfrmMain::ExtractAllFiles() {
    QString folder;
    if (!RequireArchive() || RefuseWhileExtracting() || !AskDestination(folder))
        return;
    std::vector<TExtractionJob::TItem> items;
    items.reserve(static_cast<size_t>(FReader->Count()));
    for (int32_t i = 0; i < FReader->Count(); ++i)
        items.push_back({i, 0, i == 0});
    ExtractItems(folder, std::move(items));
}

void TfrmMain::ExtractDirectory() {
    if (!RequireArchive() || RefuseWhileExtracting())
        return;
    const TDirNode* node = SelectedNode();
    QString folder;
    if (!node || !AskDestination(folder))
        return;

    // The selected directory's own path and its "/" are cut from every entry's directory, so
    // its contents land right in the chosen folder.
    size_t prefixLength = 1;
    for (const TDirNode* n = node; n->Parent; n = n->Parent)
        prefixLength += n->Text.size() + 1;
    ExtractItems(folder, ItemsBelow(node, static_cast<uint32_t>(prefixLength - 1)));
}

std::vector<TExtractionJob::TItem> TfrmMain::ItemsBelow(const TDirNode* node, uint32_t cut) const {
    // Each directory's list in tree order, the node's own first: the order of the tree as
    // shown, walked without recursion, as paths may nest deeper than the call stack.
    std::vector<TExtractionJob::TItem> items;
    std::vector<const TDirNode*> pending{node};
    while (!pending.empty()) {
        const TDirNode* current = pending.back();
        pending.pop_back();
        if (current->Files)
            for (int row = 0; row < current->Files->Count(); ++row)
                items.push_back({current->Files->EntryAt(row), cut, row == 0});
        for (auto child = current->Children.rbegin(); child != current->Children.rend(); ++child)
            pending.push_back(child->get());
    }
    return items;
}

void TfrmMain::ExtractItems(const QString& folder, std::vector<TExtractionJob::TItem> items) {
    pbProgress->setRange(0, static_cast<int>(items.size()));
    FSingleFile = false;
    // A drag's files go to a temporary folder: no figures, no summary, and the panel only when
    // they take long.
    if (!FDragJob) {
        uint64_t bytes = 0;
        uint64_t stored = 0;
        for (const TExtractionJob::TItem& item : items) {
            bytes = AddSize(bytes, FReader->EntryUnpackedSize(item.Index));
            stored = AddSize(stored, StoredToRead(*FReader, item.Index));
        }
        FRun.emplace(TRunStatus::TKind::Extract, static_cast<int64_t>(items.size()), bytes, stored);
        FRunFolder = folder;
        ShowRunStatus({});
        ShowExtractPanel();
    }
    StartExtraction(std::make_unique<TExtractionJob>(*FReader, ToCoreFileName(folder),
                                                     std::move(items), FWorkerCount));
}

void TfrmMain::StartExtraction(std::unique_ptr<TExtractionJob> job) {
    FCancel = false;
    lbExtract->clear();
    pbProgress->setValue(0);
    FActivity = TActivity::Extracting;
    FJob = std::move(job);
    FDamaged.clear();
    FDamagedQuiet = false;
    connect(FJob.get(), &TExtractionJob::Damaged, this, [this](int32_t index) {
        ReportDamaged(index);
        FJob->Continue();
    });
    connect(FJob.get(), &TExtractionJob::Stepped, this, &TfrmMain::ExtractionStepped);
    connect(FJob.get(), &TExtractionJob::Finished, this, &TfrmMain::ExtractionEnded);
    const bool lockstep = FEventIntervalMs == 0;
    if (!lockstep)
        FPanelTimer->start(FEventIntervalMs);
    FJobClock.start();
    try {
        FJob->SetLockstep(lockstep);
        FJob->Start();
    } catch (const std::system_error&) {
        FJob.reset();
        JobNotStarted();
        throw;
    }
}

void TfrmMain::JobNotStarted() {
    FPanelTimer->stop();
    pnExtract->hide();
    FRun.reset();
    FActivity = TActivity::Idle;
}

void TfrmMain::ExtractionStepped(int32_t index) {
    const QString name = AnsiToQString(FReader->EntryName(index));
    const int position = FJob->Progress().Position + 1;
    lbExtract->setText(name);
    pbProgress->setValue(position);
    pnExtract->raise();
    ShowRunStatus(FJob->Progress());
    emit ExtractProgress(name, position);
    // Events that came meanwhile (a click on "Abbrechen") are handled before the file begins.
    QTimer::singleShot(0, this, [this] {
        if (FJob)
            FJob->Continue();
    });
}

void TfrmMain::RefreshPanel() {
    const std::optional<TJobProgress> running = RunProgress();
    if (!running)
        return;
    const TJobProgress& progress = *running;
    // A single file and a drag show the panel only when they take long.
    if (pnExtract->isHidden()) {
        if (FJobClock.elapsed() < kQuietPanelAfterMs)
            return;
        ShowExtractPanel();
    }
    if (FSingleFile) {
        const uint64_t size = FReader->EntryUnpackedSize(progress.Current);
        pbProgress->setValue(size == 0 ? kSingleFileSteps
                                       : static_cast<int>(std::min<uint64_t>(progress.Bytes, size) *
                                                          kSingleFileSteps / size));
    } else {
        pbProgress->setValue(progress.Position);
        ShowRunStatus(progress);
    }
    const QString name =
        progress.Current >= 0 ? AnsiToQString(FReader->EntryName(progress.Current)) : QString();
    if (!FCancel)
        lbExtract->setText(name);
    pnExtract->raise();
    emit ExtractProgress(lbExtract->text(), pbProgress->value());
}

void TfrmMain::ExtractionEnded() {
    FPanelTimer->stop();
    if (!FSingleFile)
        pbProgress->setValue(FJob->Progress().Position);
    pnExtract->hide();
    // The job's own signal is being delivered: it goes once that is done.
    TExtractionJob* job = FJob.release();
    job->deleteLater();
    FActivity = TActivity::Idle;
    for (const auto& [index, bytes] : job->ShortEntries())
        FRealSizes[index] = bytes;
    if (!FSingleFile && !FDragJob) {
        const TExtractor::TStats& stats = job->Stats();
        ShowRunSummary({stats.Written, stats.Bytes, stats.Damaged, stats.Refused, stats.Failed,
                        stats.Removed, job->Cancelled()});
    }
    FDragJob = false;
    if (FDragOutcome) {
        *FDragOutcome = !job->Cancelled() && job->Error().isEmpty();
        FDragOutcome.reset();
    }

    // Entries that cost only themselves are told about once, at the end.
    QStringList summary;
    const auto path = [&](int32_t index) { return AnsiToQString(FReader->EntryPath(index)); };
    if (job->Refused() == 1)
        summary << QStringLiteral("Eine Datei mit unsicherem Pfad wurde nicht entpackt: „%1“.")
                       .arg(path(job->FirstRefused()));
    else if (job->Refused() > 1)
        summary << QStringLiteral("%1 Dateien mit unsicherem Pfad wurden nicht entpackt, zum "
                                  "Beispiel „%2“.")
                       .arg(job->Refused())
                       .arg(path(job->FirstRefused()));
    const QString firstFailed = QStringLiteral("„%1“ (%2)")
                                    .arg(job->Failed() > 0 ? path(job->FirstFailed()) : QString(),
                                         FromCoreText(job->FirstFailure()));
    if (job->Failed() == 1)
        summary << QStringLiteral("Eine Datei konnte nicht erstellt werden: %1.").arg(firstFailed);
    else if (job->Failed() > 1)
        summary << QStringLiteral("%1 Dateien konnten nicht erstellt werden, zum Beispiel %2.")
                       .arg(job->Failed())
                       .arg(firstFailed);
    if (FDamagedQuiet) {
        // Not every damaged entry had a box of its own: here are all of them.
        summary << (FDamaged.size() == 1
                        ? QStringLiteral("Eine beschädigte Datei konnte nicht entpackt werden:")
                        : QStringLiteral("%1 beschädigte Dateien konnten nicht entpackt werden:")
                              .arg(FDamaged.size()));
        FPrompts.ShowList(this, summary.join(QStringLiteral("\n\n")), DamagedList(FDamaged),
                          TPrompts::TIcon::Warning);
    } else if (!summary.isEmpty()) {
        FPrompts.ShowMessage(this, summary.join(QStringLiteral("\n\n")), TPrompts::TIcon::Warning);
    }
    if (!job->Error().isEmpty()) {
        QString error = job->Error();
        for (const std::string& file : job->Stats().LeftBehind)
            error +=
                QStringLiteral(".\n\nUnvollständig geblieben, konnte nicht entfernt werden: „%1“")
                    .arg(FromCoreText(file));
        ShowError(error);
    } else if (FSingleFile)
        UpdateFileCountStatus();
    emit ExtractionFinished();
    AfterCommand();
}
