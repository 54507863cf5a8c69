#pragma once

#include <QObject>
#include <QString>

class QWidget;
class TArchiveSession;
class TPBFolderDialog;
class TPrompts;
class TRunController;
class TStatusLine;
class TUpdateJob;
class TWindowState;

// "Datei → Archiv mit Ordner aktualisieren...": a new archive from the open one and a folder of
// edited and added files. It asks for the folder, then for the new archive's name (never the
// open archive's), writes it as a run with the panel and "Abbrechen", and at the end offers to
// open it. The open archive stays as it is.
class TUpdateCommand : public QObject {
    Q_OBJECT
public:
    TUpdateCommand(TArchiveSession& session, TRunController& runs, TPrompts& prompts,
                   TStatusLine& status, TWindowState& state, QWidget* window);

    TPBFolderDialog* PBFolderDialog() const { return FFolderDialog; }
    void Run();

signals:
    // The user wants to see the new archive.
    void OpenRequested(const QString& fileName);

private:
    QString AskNewArchive(const QString& archive);
    void Ended(const TUpdateJob& job, bool complete);

    TArchiveSession& FSession;
    TRunController& FRuns;
    TPrompts& FPrompts;
    TStatusLine& FStatus;
    TWindowState& FState;
    QWidget* FWindow;
    TPBFolderDialog* FFolderDialog;
};
