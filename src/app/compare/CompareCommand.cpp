#include "CompareCommand.h"

#include "AnsiText.h"
#include "AppText.h"
#include "ArchiveSession.h"
#include "CompareJob.h"
#include "DirectoryTreeModel.h"
#include "FileListModel.h"
#include "FilePane.h"
#include "PreviewDialog.h"
#include "Prompts.h"
#include "RunController.h"
#include "StatusLine.h"
#include "uPakReader.h"

#include <QDir>
#include <QFileInfo>
#include <QTreeView>
#include <array>

namespace {

TChangeRow::TKind RowKind(TChangeKind kind) {
    switch (kind) {
    case TChangeKind::Added:
        return TChangeRow::New;
    case TChangeKind::Changed:
        return TChangeRow::Changed;
    case TChangeKind::Removed:
        return TChangeRow::Removed;
    case TChangeKind::Moved:
        return TChangeRow::Moved;
    }
    return TChangeRow::Changed;
}

// The node of the folder a path lies in, or of the nearest folder above it that the tree has.
const TDirNode* NearestFolder(const TDirNode& root, std::string_view path) {
    for (;;) {
        if (const TDirNode* node = root.FindDirectoryOf(path))
            return node;
        const size_t slash = path.rfind('/');
        if (slash == std::string_view::npos)
            return &root;
        path = path.substr(0, slash);
    }
}

} // namespace

TCompareCommand::TCompareCommand(TArchiveSession& session, TRunController& runs, TFilePane& files,
                                 TPreviewDialog& preview, TPrompts& prompts, TStatusLine& status,
                                 QWidget* window)
    : QObject(window)
    , FSession(session)
    , FRuns(runs)
    , FFiles(files)
    , FPreview(preview)
    , FPrompts(prompts)
    , FStatus(status)
    , FWindow(window)
    , FChanges(new TFileListModel(session.Reader(), this)) {
    connect(&FFiles, &TFilePane::OtherListClosed, this, &TCompareCommand::Forget);
    // An open preview follows the list to removed files too.
    connect(&FFiles, &TFilePane::CurrentEntryChanged, this, [this](int32_t entry) {
        if (entry < 0 && FPreview.isVisible())
            PreviewRemoved();
    });
}

bool TCompareCommand::PreviewRemoved() {
    const QModelIndex current = FFiles.lvFiles()->currentIndex();
    if (!FFiles.OtherListShown() || !current.isValid())
        return false;
    const int32_t older = FChanges->OlderAt(current.row());
    if (older < 0)
        return false;
    FPreviewedOlder = true;
    FPreview.ShowEntry(older, FOlder.get());
    return true;
}

TCompareCommand::~TCompareCommand() = default;

void TCompareCommand::Run() {
    if (!FSession.RequireOpen() || FRuns.RefuseWhileRunning())
        return;
    const QString archive = QString::fromStdString(FSession.Reader().FileName());
    const QString older =
        FPrompts.AskOpenFileName(FWindow, ArchiveFilter(), QFileInfo(archive).absolutePath());
    if (older.isEmpty())
        return;
    auto job = std::make_unique<TCompareJob>(FSession.Reader(), older, FRuns.WorkerCount());
    TCompareJob* running = job.get();
    TRunController::TRun run;
    run.Kind = TRunController::TKind::Compare;
    run.Range = TCompareJob::kSteps;
    run.Label = QStringLiteral("Vergleiche mit %1...").arg(QFileInfo(older).fileName());
    // The job lives until its Finished has been delivered, which calls this.
    run.Ended = [this, running](bool complete) { Ended(*running, complete); };
    FStatus.Set(run.Label);
    FRuns.Start(std::move(run), std::move(job));
}

void TCompareCommand::Ended(TCompareJob& job, bool complete) {
    if (!complete) {
        FStatus.Set(job.Cancelled() ? QStringLiteral("Vergleich abgebrochen")
                                    : QStringLiteral("Kein Vergleich"));
        return;
    }
    // An earlier comparison's list and marks go first.
    FSession.Tree().ClearChanged();
    LetGoOfOlder();
    FOlder = job.TakeOlder();
    std::vector<TChangeRow> rows;
    std::vector<const TDirNode*> folders;
    std::array<int, 4> counts{};
    const TDirNode& root = *FSession.Tree().Root();
    for (const TChange& change : job.Changes()) {
        const TChangeRow::TKind kind = RowKind(change.Kind);
        const bool removed = kind == TChangeRow::Removed;
        rows.push_back({kind, removed ? -1 : change.New, change.Old});
        ++counts[kind];
        folders.push_back(NearestFolder(root, removed ? FOlder->EntryPath(change.Old)
                                                      : FSession.Reader().EntryPath(change.New)));
        if (kind == TChangeRow::Moved) // where it was goes too
            folders.push_back(NearestFolder(root, FOlder->EntryPath(change.Old)));
    }
    FChanges->SetChanges(std::move(rows), FOlder.get());
    FFiles.ShowOtherList(FChanges);
    FSession.Tree().MarkChanged(folders);
    FStatus.Set(
        job.Changes().empty()
            ? QStringLiteral("Keine Unterschiede zu %1").arg(QFileInfo(job.OlderFile()).fileName())
            : QStringLiteral("%1 Änderungen zu %2: %3 neu, %4 geändert, %5 entfernt, %6 "
                             "verschoben")
                  .arg(job.Changes().size())
                  .arg(QFileInfo(job.OlderFile()).fileName())
                  .arg(counts[TChangeRow::New])
                  .arg(counts[TChangeRow::Changed])
                  .arg(counts[TChangeRow::Removed])
                  .arg(counts[TChangeRow::Moved]));
}

void TCompareCommand::Forget() {
    if (FSession.Open())
        FSession.Tree().ClearChanged();
    if (FFiles.OtherListShown())
        return; // still on show
    LetGoOfOlder();
}

void TCompareCommand::LetGoOfOlder() {
    // The preview no longer reads it once Forget returns.
    if (FPreviewedOlder)
        FPreview.Forget();
    FPreviewedOlder = false;
    FChanges->SetChanges({}, nullptr);
    FOlder.reset();
}
