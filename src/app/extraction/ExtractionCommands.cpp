#include "ExtractionCommands.h"

#include "AnsiText.h"
#include "ArchiveSession.h"
#include "DirectoryTreeModel.h"
#include "PBFolderDialog.h"
#include "Prompts.h"
#include "RunController.h"
#include "StatusLine.h"
#include "WindowState.h"
#include "uPakReader.h"

#include <QDir>
#include <QFileInfo>

TExtractionCommands::TExtractionCommands(TArchiveSession& session, TRunController& runs,
                                         TPrompts& prompts, TStatusLine& status,
                                         TWindowState& state, QWidget* window)
    : QObject(window)
    , FSession(session)
    , FRuns(runs)
    , FPrompts(prompts)
    , FStatus(status)
    , FState(state)
    , FWindow(window)
    , FFolderDialog(NewDiskFolderChooser(window)) {}

bool TExtractionCommands::Refused() {
    return !FSession.RequireOpen() || FRuns.RefuseWhileRunning();
}

void TExtractionCommands::ExtractSelection(int rows, int32_t first,
                                           const std::vector<int32_t>& entries, bool hits) {
    if (!FSession.RequireOpen())
        return;
    if (rows > 1)
        ExtractFiles(entries, hits);
    else if (rows == 0)
        FStatus.Set(QStringLiteral("Keine Datei gewählt: bitte zuerst eine Datei in der Liste "
                                   "wählen."));
    else
        ExtractFile(first);
}

void TExtractionCommands::ExtractFile(int32_t entry) {
    if (Refused() || entry < 0)
        return;
    const TPakReader& reader = FSession.Reader();
    const QString folder = FState.Text(TWindowState::kSaveFolder);
    const QString target = FPrompts.AskSaveFileName(FWindow, AnsiToQString(reader.EntryName(entry)),
                                                    folder.isEmpty() ? QDir::homePath() : folder);
    if (target.isEmpty())
        return;
    FState.SetText(TWindowState::kSaveFolder, QFileInfo(target).absolutePath());
    FRuns.ExtractSingle(entry, target);
}

void TExtractionCommands::ExtractFiles(const std::vector<int32_t>& entries, bool hits) {
    QString folder;
    if (Refused() || entries.empty() || !AskDestination(folder))
        return;
    // A folder's files land side by side in the chosen folder; hits of a find, which may share
    // names, keep the folders they are in.
    std::vector<TExtractionJob::TItem> items;
    for (const int32_t entry : entries)
        items.push_back(
            {entry, hits ? 0 : static_cast<uint32_t>(FSession.Reader().EntryDir(entry).size() + 1),
             items.empty()});
    FRuns.ExtractFiles(folder, std::move(items));
}

void TExtractionCommands::ExtractAll() {
    QString folder;
    if (Refused() || !AskDestination(folder))
        return;
    const int32_t count = FSession.Reader().Count();
    std::vector<TExtractionJob::TItem> items;
    items.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        items.push_back({i, 0, i == 0});
    FRuns.ExtractFiles(folder, std::move(items));
}

void TExtractionCommands::ExtractDirectory(const TDirNode* node) {
    QString folder;
    if (Refused() || !node || !AskDestination(folder))
        return;
    // The selected directory's own path and its "/" are cut from every entry's directory, so
    // its contents land right in the chosen folder.
    size_t prefixLength = 1;
    for (const TDirNode* n = node; n->Parent; n = n->Parent)
        prefixLength += n->Text.size() + 1;
    FRuns.ExtractFiles(folder, ItemsBelow(node, static_cast<uint32_t>(prefixLength - 1)));
}

std::vector<TExtractionJob::TItem> TExtractionCommands::ItemsBelow(const TDirNode* node,
                                                                   uint32_t cut) {
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

bool TExtractionCommands::AskDestination(QString& folder) {
    folder =
        AskDiskFolder(FPrompts, *FFolderDialog, FState, TWindowState::kExtractFolder,
                      QStringLiteral("einen Ordner wählen, in den entpackt werden kann"), FWindow);
    return !folder.isEmpty();
}
