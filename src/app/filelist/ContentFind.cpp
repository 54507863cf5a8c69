#include "ContentFind.h"

#include "ArchiveSession.h"
#include "ContentFindJob.h"
#include "Extractor.h"
#include "FileListModel.h"
#include "StatusLine.h"

#include <QLocale>

TContentFind::TContentFind(TArchiveSession& session, TStatusLine& status, QObject* parent)
    : QObject(parent)
    , FSession(session)
    , FStatus(status)
    , FHits(new TFileListModel(session.Reader(), this)) {}

TContentFind::~TContentFind() = default;

void TContentFind::Find(const QString& text) {
    FText = text;
    FHits->SetHits({});
    if (!FJob) {
        FJob = std::make_unique<TContentFindJob>(FSession.Reader(), FSession.TreeOrder(),
                                                 TExtractor::DefaultThreads());
        connect(FJob.get(), &TContentFindJob::Updated, this, &TContentFind::Take);
    }
    FJob->Find(text);
    FStatus.Set(text.isEmpty() ? QString() : QStringLiteral("Suche im Inhalt..."));
}

void TContentFind::Stop() {
    // An empty text stops the search once the files being searched are done; the window does
    // not wait for them.
    if (FJob && !FText.isEmpty())
        FJob->Find(QString());
    FText.clear();
    FHits->SetHits({});
}

void TContentFind::Forget() {
    Stop();
    // The job reads the archive: it goes, and is made anew for the next find.
    FJob.reset();
}

void TContentFind::Take() {
    if (!FJob)
        return;
    TContentFindJob::THits hits = FJob->Take();
    if (hits.Text != FText || FText.isEmpty())
        return;
    FHits->AppendHits(hits.Entries, std::move(hits.Lines), std::move(hits.LineNumbers));
    const QLocale german(QLocale::German);
    if (!hits.Error.isEmpty()) {
        FStatus.Set(hits.Error);
    } else {
        FStatus.Set(QStringLiteral("%1 Treffer in %2 Dateien%3")
                        .arg(german.toString(FHits->Count()), german.toString(hits.Searched),
                             hits.Done ? QString() : QStringLiteral("...")));
    }
    if (hits.Done)
        emit Finished(FHits->Count());
}
