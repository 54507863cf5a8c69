#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QWidget;
class TArchiveSession;
class TCompareJob;
class TFileListModel;
class TFilePane;
class TPakReader;
class TPreviewDialog;
class TPrompts;
class TRunController;
class TStatusLine;

// "Datei → Vergleichen mit...": the open archive against an older version of it. It asks for the
// older archive, compares as a run with the panel and "Abbrechen", and shows what changed in the
// file list, the way a find shows its hits ("Änderung": "neu", "geändert", "entfernt",
// "verschoben"), with the folders that hold changes marked in the tree, until Escape. New,
// changed and moved files are files of the open archive: they extract, preview and drag as
// usual; removed ones are shown from the older archive.
class TCompareCommand : public QObject {
    Q_OBJECT
public:
    TCompareCommand(TArchiveSession& session, TRunController& runs, TFilePane& files,
                    TPreviewDialog& preview, TPrompts& prompts, TStatusLine& status,
                    QWidget* window);
    ~TCompareCommand() override;

    void Run();
    TFileListModel& Changes() const { return *FChanges; }
    // The list's current row is a removed file: the preview shows it from the older archive.
    bool PreviewRemoved();

private:
    void Ended(TCompareJob& job, bool complete);
    // The comparison's list is gone from the view: so are its marks and the older archive.
    void Forget();
    void LetGoOfOlder();

    TArchiveSession& FSession;
    TRunController& FRuns;
    TFilePane& FFiles;
    TPreviewDialog& FPreview;
    TPrompts& FPrompts;
    TStatusLine& FStatus;
    QWidget* FWindow;
    TFileListModel* FChanges;
    std::unique_ptr<TPakReader> FOlder; // while its removed files are shown
    bool FPreviewedOlder = false;       // the preview was asked for a file of FOlder
};
