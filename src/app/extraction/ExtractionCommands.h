#pragma once

#include "ExtractionJob.h"

#include <QObject>
#include <vector>

class QWidget;
class TArchiveSession;
class TPBFolderDialog;
class TPrompts;
class TRunController;
class TStatusLine;
class TWindowState;
struct TDirNode;

// The commands of the menu "Entpacken": one file through the save dialog, the selected files,
// all files, and a directory with everything below it, each into a folder the user chooses
// (PBFolderDialog1, opened where the last extraction went). They ask, build the list of what
// to write, and hand it to the run controller.
class TExtractionCommands : public QObject {
    Q_OBJECT
public:
    TExtractionCommands(TArchiveSession& session, TRunController& runs, TPrompts& prompts,
                        TStatusLine& status, TWindowState& state, QWidget* window);

    TPBFolderDialog* PBFolderDialog1() const { return FFolderDialog; }

    // entry: -1 when the list has none to offer.
    void ExtractFile(int32_t entry);
    // The selected files; hits of a find (which may share names) keep the folders they are in.
    void ExtractFiles(const std::vector<int32_t>& entries, bool hits);
    // What the list's selection asks for: one file, several, or none (the status line says so).
    void ExtractSelection(int rows, int32_t first, const std::vector<int32_t>& entries, bool hits);
    void ExtractAll();
    void ExtractDirectory(const TDirNode* node);

    // The files of node and every folder below it, in the tree's order, with cut bytes cut from
    // the front of their directories.
    static std::vector<TExtractionJob::TItem> ItemsBelow(const TDirNode* node, uint32_t cut);

private:
    bool AskDestination(QString& folder);
    bool Refused();

    TArchiveSession& FSession;
    TRunController& FRuns;
    TPrompts& FPrompts;
    TStatusLine& FStatus;
    TWindowState& FState;
    QWidget* FWindow;
    TPBFolderDialog* FFolderDialog;
};
