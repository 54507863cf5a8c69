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
    FRuns->ExtractSingle(index, target);
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
    FRuns->ExtractFiles(folder, std::move(items));
}

void TfrmMain::CheckArchive() {
    if (!RequireArchive() || RefuseWhileExtracting())
        return;
    FRuns->Check();
}
