// The window's extraction commands: one file through the save dialog, the whole archive, and
// the selected directory with everything below it.
#include "AnsiText.h"
#include "DirectoryTreeModel.h"
#include "Extractor.h"
#include "FileListModel.h"
#include "Main.h"
#include "PBFolderDialog.h"
#include "Prompts.h"
#include "uPakReader.h"

#include <QLabel>
#include <QProgressBar>
#include <QTreeView>

void TfrmMain::ShowDamagedMessage(const std::string& message) {
    FPrompts.ShowMessage(this, FromCoreText(message), TPrompts::TIcon::None);
}

void TfrmMain::ExtractSelectedFile(const QModelIndex& item) {
    if (!RequireArchive() || RefuseWhileExtracting() || !item.isValid())
        return;
    const auto* list = qobject_cast<const TFileListModel*>(item.model());
    if (!list)
        return;
    const int32_t index = list->EntryAt(item.row());
    const QString target = FPrompts.AskSaveFileName(this, AnsiToQString(FReader->EntryName(index)));
    if (target.isEmpty())
        return;
    SetStatusText(QStringLiteral("Entpacke %1...").arg(AnsiToQString(FReader->EntryPath(index))));
    FReader->ExtractFile(index, ToCoreFileName(target));
    UpdateFileCountStatus();
}

bool TfrmMain::AskDestination(QString& folder) {
    if (!FPrompts.AskFolder(*PBFolderDialog1))
        return false;
    folder = PBFolderDialog1->Folder();
    // A confirmed folder without a file-system path (such as "Computer") cannot take files.
    return !folder.isEmpty();
}

void TfrmMain::ShowExtractPanel() {
    pnExtract->setFixedHeight(89);
    pnExtract->move((frameGeometry().width() - pnExtract->width()) / 2,
                    (frameGeometry().height() - pnExtract->height()) / 2);
    pnExtract->show();
    pnExtract->raise();
}

bool TfrmMain::ReportProgress(int32_t index) {
    ++FProgressPosition;
    // The panel is brought up to date whenever events are handled anyway: updating it for each
    // of a million small files would cost more than extracting them.
    if (EventsDue()) {
        const QString name = AnsiToQString(FReader->EntryName(index));
        lbExtract->setText(name);
        pbProgress->setValue(FProgressPosition);
        pnExtract->raise();
        emit ExtractProgress(name, FProgressPosition);
        ProcessEvents();
    }
    return FCancel;
}

template <class Body> void TfrmMain::RunExtraction(const QString& folder, Body&& body) {
    TScopedActivity extracting(FActivity, TActivity::Extracting);
    FEventClock.restart();
    TExtractor extractor(*FReader, ToCoreFileName(folder), TExtractor::DefaultThreads());
    // While the workers are busy with a large file the window still repaints and takes a cancel.
    extractor.OnWait = [this] {
        if (EventsDue())
            ProcessEvents();
    };
    extractor.OnDamaged = [this](int32_t index) {
        ShowDamagedMessage(FReader->DamagedEntryMessage(index));
    };
    // Entries that cost only themselves are told about once, at the end.
    int refused = 0;
    QString firstRefused;
    extractor.OnRefused = [&](int32_t index) {
        if (refused++ == 0)
            firstRefused = AnsiToQString(FReader->EntryPath(index));
    };
    int failed = 0;
    QString firstFailed;
    extractor.OnFailed = [&](int32_t index, const std::string& reason) {
        if (failed++ == 0)
            firstFailed = QStringLiteral("„%1“ (%2)")
                              .arg(AnsiToQString(FReader->EntryPath(index)), FromCoreText(reason));
    };
    auto finish = [&] {
        pnExtract->hide();
        QStringList summary;
        if (refused == 1)
            summary << QStringLiteral("Eine Datei mit unsicherem Pfad wurde nicht entpackt: „%1“.")
                           .arg(firstRefused);
        else if (refused > 1)
            summary << QStringLiteral("%1 Dateien mit unsicherem Pfad wurden nicht entpackt, zum "
                                      "Beispiel „%2“.")
                           .arg(refused)
                           .arg(firstRefused);
        if (failed == 1)
            summary
                << QStringLiteral("Eine Datei konnte nicht erstellt werden: %1.").arg(firstFailed);
        else if (failed > 1)
            summary << QStringLiteral("%1 Dateien konnten nicht erstellt werden, zum Beispiel %2.")
                           .arg(failed)
                           .arg(firstFailed);
        if (!summary.isEmpty())
            FPrompts.ShowMessage(this, summary.join(QStringLiteral("\n\n")),
                                 TPrompts::TIcon::Warning);
    };
    try {
        body(extractor);
        extractor.Finish();
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TfrmMain::ExtractAllFiles() {
    QString folder;
    if (!RequireArchive() || RefuseWhileExtracting() || !AskDestination(folder))
        return;
    FCancel = false;
    FProgressPosition = 0;
    lbExtract->clear();
    pbProgress->setRange(0, FReader->Count());
    pbProgress->setValue(0);
    ShowExtractPanel();
    RunExtraction(folder, [&](TExtractor& extractor) {
        for (int32_t i = 0; i < FReader->Count(); ++i) {
            if (ReportProgress(i))
                break;
            extractor.Add(i, FReader->EntryDir(i));
        }
    });
}

void TfrmMain::ExtractDirectory() {
    if (!RequireArchive() || RefuseWhileExtracting())
        return;
    const TDirNode* node = SelectedNode();
    QString folder;
    if (!node || !AskDestination(folder))
        return;
    FCancel = false;
    FProgressPosition = 0;
    lbExtract->clear();
    pbProgress->setMinimum(0);
    pbProgress->setValue(0);

    int total = 0;
    WalkDirectoryNode(node, nullptr, 0, total);
    pbProgress->setMaximum(total);
    ShowExtractPanel();

    // The selected directory's own path and its "/" are cut from every entry's directory, so
    // its contents land right in the chosen folder.
    size_t prefixLength = 1;
    for (const TDirNode* n = node; n->Parent; n = n->Parent)
        prefixLength += n->Text.size() + 1;
    RunExtraction(folder, [&](TExtractor& extractor) {
        WalkDirectoryNode(node, &extractor, prefixLength, total);
    });
}

// Counts the files below node (no extractor) or extracts them in tree order. After a cancel
// every remaining list still takes its one progress step and stops there.
void TfrmMain::WalkDirectoryNode(const TDirNode* node, TExtractor* extractor, size_t prefixLength,
                                 int& total) {
    if (node->Files) {
        if (!extractor) {
            total += node->Files->Count();
        } else {
            for (int row = 0; row < node->Files->Count(); ++row) {
                const int32_t index = node->Files->EntryAt(row);
                if (ReportProgress(index))
                    break;
                const std::string_view dir = FReader->EntryDir(index);
                extractor->Add(index, prefixLength - 1 <= dir.size() ? dir.substr(prefixLength - 1)
                                                                     : std::string_view());
            }
        }
    }
    for (const auto& child : node->Children)
        WalkDirectoryNode(child.get(), extractor, prefixLength, total);
}
