#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QTemporaryDir;
class QUrl;
class QWidget;
class TArchiveSession;
class TPrompts;
class TRunController;

// "Öffnen" and "Öffnen mit..." of the file list: a file of the archive is written into a
// private temporary folder of its own (readable by the user alone), made read-only so that
// edits, which would be lost, are refused by the program rather than saved there, and handed
// to a program of the desktop. The copies stay while the window lives, since the program may
// read them at any time, and go with it.
class TOpenCommand : public QObject {
    Q_OBJECT
public:
    // Hand a written copy on; false when nothing took it.
    struct TOpeners {
        std::function<bool(const QUrl&)> Default; // the desktop's program for the type
        std::function<bool(const QUrl&)> Chooser; // the user chooses the program
    };

    TOpenCommand(TArchiveSession& session, TRunController& runs, TPrompts& prompts,
                 QWidget* window);
    ~TOpenCommand() override;

    // Ctrl+Enter in the list for the first one.
    QAction* acOpen() const { return FOpen; }
    QAction* acOpenWith() const { return FOpenWith; }
    // Tests hand the copies to a stand-in rather than to the desktop.
    void SetOpeners(TOpeners openers) { FOpeners = std::move(openers); }
    // The temporary folders of the copies made so far.
    QStringList Folders() const;

    // Writes entry by a run (the window stays usable), then hands it on. Nothing for -1.
    void Open(int32_t entry, bool choose);

signals:
    // A copy has been handed on (or the handing on has failed and been told).
    void Finished();

private:
    void Written(int32_t entry, const QString& file, bool complete, bool choose);

    TArchiveSession& FSession;
    TRunController& FRuns;
    TPrompts& FPrompts;
    QWidget* FWindow;
    QAction* FOpen;
    QAction* FOpenWith;
    TOpeners FOpeners;
    std::vector<std::unique_ptr<QTemporaryDir>> FCopies;
};
