#include "SelectionStatus.h"

#include "ArchiveSession.h"
#include "FileListModel.h"
#include "FilePane.h"
#include "JobProgress.h"
#include "RunStatus.h"
#include "SizeText.h"
#include "uPakReader.h"

#include <QItemSelectionModel>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <utility>
#include <vector>

namespace {

struct TSums {
    int64_t Files = 0;
    uint64_t Stored = 0;
    uint64_t Unpacked = 0;

    void Add(const TPakReader& reader, int32_t entry) {
        // A comparison's removed file is no file of the open archive.
        if (entry < 0)
            return;
        ++Files;
        Stored = AddSize(Stored, reader.EntryStoredSize(entry));
        Unpacked = AddSize(Unpacked, reader.EntryUnpackedSize(entry));
    }
};

// The selected rows as sorted runs without overlap: a selection's ranges may overlap after
// Ctrl-clicks, and a whole list selected is one range however long.
std::vector<std::pair<int, int>> SelectedRuns(const QItemSelection& selection) {
    std::vector<std::pair<int, int>> runs;
    for (const QItemSelectionRange& range : selection)
        runs.emplace_back(range.top(), range.bottom());
    std::sort(runs.begin(), runs.end());
    std::vector<std::pair<int, int>> merged;
    for (const auto& run : runs) {
        if (!merged.empty() && run.first <= merged.back().second + 1)
            merged.back().second = std::max(merged.back().second, run.second);
        else
            merged.push_back(run);
    }
    return merged;
}

} // namespace

TSelectionStatus::TSelectionStatus(TFilePane& files, TArchiveSession& session, QWidget* parent)
    : QLabel(parent)
    , FFiles(files)
    , FSession(session)
    , FPending(new QTimer(this)) {
    setTextFormat(Qt::PlainText);
    FPending->setSingleShot(true);
    FPending->setInterval(0);
    connect(FPending, &QTimer::timeout, this, &TSelectionStatus::Refresh);
    connect(&FFiles, &TFilePane::SelectionChanged, FPending, qOverload<>(&QTimer::start));
    connect(&FSession, &TArchiveSession::Closed, this, &TSelectionStatus::Refresh);
}

void TSelectionStatus::Refresh() {
    FPending->stop();
    const QTreeView* view = FFiles.lvFiles();
    const auto* list = qobject_cast<const TFileListModel*>(view->model());
    if (!FSession.Open() || !list) {
        clear();
        return;
    }
    const TPakReader& reader = FSession.Reader();
    TSums sums;
    const QItemSelection selection =
        view->selectionModel() ? view->selectionModel()->selection() : QItemSelection();
    const bool selected = !selection.isEmpty();
    if (selected) {
        for (const auto& [first, last] : SelectedRuns(selection))
            for (int row = first; row <= last && row < list->Count(); ++row)
                sums.Add(reader, list->EntryAt(row));
    } else {
        for (int row = 0; row < list->Count(); ++row)
            sums.Add(reader, list->EntryAt(row));
    }
    if (!selected && sums.Files == 0) {
        setText(QStringLiteral("Keine Dateien"));
        return;
    }
    setText(QStringLiteral("%1%2 · %3 (entpackt %4)")
                .arg(TRunStatus::Files(sums.Files),
                     selected ? QStringLiteral(" ausgewählt") : QString(),
                     ReadableSize(sums.Stored), ReadableSize(sums.Unpacked)));
}
