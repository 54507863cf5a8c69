#pragma once

#include <QObject>
#include <QString>
#include <memory>

class TArchiveSession;
class TContentFindJob;
class TFileListModel;
class TStatusLine;

// The find bar's "im Inhalt": the files whose content holds the text, each with its first
// matching line ("Zeile"), listed as they are found, with "N Treffer in M Dateien" in the status
// line while the search goes on. Each keystroke supersedes the search still running.
class TContentFind : public QObject {
    Q_OBJECT
public:
    TContentFind(TArchiveSession& session, TStatusLine& status, QObject* parent);
    ~TContentFind() override;

    // The list of the hits, to be shown while the find is open.
    TFileListModel* Hits() const { return FHits; }
    void Find(const QString& text);
    // The find ends: the search stops (on its own thread, without waiting), and the hits go.
    void Stop();
    // The archive goes: the search ends before this returns.
    void Forget();

signals:
    // The search for the newest text has ended.
    void Finished(int hits);

private:
    void Take();

    TArchiveSession& FSession;
    TStatusLine& FStatus;
    TFileListModel* FHits;
    std::unique_ptr<TContentFindJob> FJob;
    QString FText;
};
