// The find: a field above the file list whose text filters the names of the whole archive. The
// search runs as a TFindJob; its hits take the folder's place in the list, with a column for
// their folders, until Escape brings the folder back.
#include "AnsiText.h"
#include "DirectoryTreeModel.h"
#include "Exception.h"
#include "FindJob.h"
#include "Main.h"
#include "uPakReader.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QToolButton>
#include <QTreeView>

void TfrmMain::CreateFindBar(QWidget* parent) {
    pnFind = new QWidget(parent);
    auto* layout = new QHBoxLayout(pnFind);
    layout->setContentsMargins(4, 2, 2, 2);
    auto* label = new QLabel(QStringLiteral("&Suchen:"), pnFind);
    edFind = new QLineEdit(pnFind);
    edFind->setPlaceholderText(QStringLiteral("Teil des Namens oder Muster wie *.dds"));
    edFind->setClearButtonEnabled(true);
    label->setBuddy(edFind);
    auto* close = new QToolButton(pnFind);
    close->setText(QStringLiteral("✕"));
    close->setToolTip(QStringLiteral("Suche schließen (Esc)"));
    close->setAutoRaise(true);
    layout->addWidget(label);
    layout->addWidget(edFind, 1);
    layout->addWidget(close);
    pnFind->hide();

    connect(edFind, &QLineEdit::textChanged, this, &TfrmMain::SetFindText);
    connect(close, &QToolButton::clicked, this, &TfrmMain::CloseFindCommand);
}

void TfrmMain::FindCommand() {
    Run([&] {
        if (!RequireArchive())
            return;
        if (!FFind) {
            FFind = std::make_unique<TFindJob>(*FReader, FTreeOrder, FTreeRank);
            connect(FFind.get(), &TFindJob::Found, this, &TfrmMain::FoundHits);
            PrepareFileView();
        }
        if (!FFindOpen) {
            FFindOpen = true;
            acShowInFolder->setEnabled(true);
            pnFind->show();
            SetFindText(edFind->text());
        }
        edFind->setFocus();
        edFind->selectAll();
    });
}

void TfrmMain::PrepareFileView() {
    // The view keeps the memory of its widest layout. Laying out the whole archive once now, while
    // the find bar opens, spares the first keystroke the cost of a first layout of as many rows
    // (twice that of any later one). The rows are never shown: they are taken as being in the
    // list's order, so that nothing sorts them.
    TFileListModel* shown = ShownList();
    FHits->SetHits(*FTreeOrder, ChosenOrder());
    ShowList(FHits);
    lvFiles->doItemsLayout();
    FHits->SetHits({});
    ShowList(shown ? shown : FEmptyList);
}

void TfrmMain::SetFindText(const QString& text) {
    if (!FFindOpen || !FArchiveOpen)
        return;
    if (edFind->text() != text)
        edFind->setText(text); // comes back here through textChanged
    if (text.isEmpty()) {
        FHits->SetHits({});
        ShowList(FHits);
        SetStatusText(QString());
        return;
    }
    // The job sorts the hits as the list is sorted: the window only shows them.
    FFind->Find(text, ChosenOrder());
}

void TfrmMain::FoundHits(const QString& text) {
    if (!FFindOpen || !FFind || text != edFind->text())
        return;
    std::optional<TFindJob::THits> hits = FFind->TakeHits(text);
    if (!hits)
        return;
    const int count = static_cast<int>(hits->Entries.size());
    FHits->SetHits(std::move(hits->Entries), hits->Order);
    ShowList(FHits);
    // Laid out now rather than at the view's leisure, when the next keystroke may be at work.
    lvFiles->doItemsLayout();
    SetStatusText(QStringLiteral("%1 Treffer").arg(QLocale(QLocale::German).toString(count)));
    emit FindFinished(count);
}

void TfrmMain::EndFind() {
    FFindOpen = false;
    acShowInFolder->setEnabled(false);
    pnFind->hide();
    FHits->SetHits({});
}

void TfrmMain::CloseFindCommand() {
    if (!FFindOpen)
        return;
    EndFind();
    if (const TDirNode* node = SelectedNode())
        ShowList(node->Files ? node->Files.get() : FEmptyList);
    else
        ShowList(FEmptyList);
    if (FArchiveOpen)
        UpdateFileCountStatus();
    lvFiles->setFocus();
}

void TfrmMain::ShowInFolderCommand() {
    Run([&] {
        const int32_t entry = EntryOfItem(lvFiles->currentIndex());
        if (!FFindOpen || entry < 0)
            return;
        const TDirNode* node = FTreeModel->Root()->FindDirectoryOf(FReader->EntryPath(entry));
        if (!node)
            return;
        CloseFindCommand();
        tvDirectories->setCurrentIndex(FTreeModel->IndexOf(node));
        tvDirectories->scrollTo(tvDirectories->currentIndex());
        TFileListModel* list = ShownList();
        const int row = list ? list->RowOf(entry) : -1;
        if (row < 0)
            return;
        lvFiles->setCurrentIndex(list->index(row, 0));
        lvFiles->scrollTo(lvFiles->currentIndex());
        lvFiles->setFocus();
    });
}
