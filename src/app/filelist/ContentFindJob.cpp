#include "ContentFindJob.h"

#include "ArchiveSearch.h"
#include "ContentSearch.h"
#include "Exception.h"
#include "uPakReader.h"

#include <QElapsedTimer>
#include <algorithm>

namespace {

// The beginning of a matching line, as the list shows it: hundreds of thousands of hits must not
// hold their whole lines.
constexpr int kKeptLineLength = 80;

QString ShownLine(const std::string& line) {
    // Four bytes at most per character: the cut leaves enough, and a character it splits at the
    // end is dropped with the rest.
    const size_t bytes = std::min<size_t>(line.size(), 4 * kKeptLineLength);
    QString shown = QString::fromUtf8(line.data(), static_cast<qsizetype>(bytes));
    if (shown.size() > kKeptLineLength || bytes < line.size()) {
        shown.truncate(kKeptLineLength);
        shown += QStringLiteral("…");
    }
    shown.squeeze();
    return shown;
}

} // namespace

TContentFindJob::TContentFindJob(const TPakReader& reader,
                                 std::shared_ptr<const std::vector<int32_t>> treeOrder, int threads,
                                 QObject* parent)
    : TJob(parent)
    , FReader(reader)
    , FTreeOrder(std::move(treeOrder))
    , FThreads(threads) {}

TContentFindJob::~TContentFindJob() {
    StopAndJoin();
}

void TContentFindJob::Find(const QString& text) {
    {
        std::lock_guard lock(FMutex);
        FPending = text;
        FHits = THits();
        FHits.Text = text;
    }
    FWake.notify_all();
    if (!Started())
        Start();
}

TContentFindJob::THits TContentFindJob::Take() {
    std::lock_guard lock(FMutex);
    FPublished = false;
    THits taken = std::move(FHits);
    FHits = THits();
    FHits.Text = taken.Text;
    FHits.Searched = taken.Searched;
    FHits.Total = taken.Total;
    FHits.Done = taken.Done;
    return taken;
}

void TContentFindJob::StopRequested() {
    FWake.notify_all();
}

void TContentFindJob::Work() {
    for (;;) {
        QString text;
        {
            std::unique_lock lock(FMutex);
            FWake.wait(lock, [&] { return Stopping() || FPending; });
            if (Stopping())
                return;
            text = std::move(*FPending);
            FPending.reset();
        }
        if (!text.isEmpty())
            Search(text);
    }
}

void TContentFindJob::Search(const QString& text) {
    std::unique_ptr<TContentPattern> pattern;
    try {
        pattern = std::make_unique<TContentPattern>(text.toStdString(),
                                                    TContentPattern::TOptions{true, true});
    } catch (const std::exception& e) {
        std::lock_guard lock(FMutex);
        FHits.Error = QString::fromUtf8(ErrorText(e));
        FHits.Done = true;
        Publish(true);
        return;
    }
    TArchiveSearch search(FReader, *pattern, TLineSearch::TMode::FirstLine, *FTreeOrder, FThreads);
    const auto total = static_cast<int64_t>(search.Count());
    QElapsedTimer sincePublished;
    sincePublished.start();
    for (size_t position = 0; position < search.Count(); ++position) {
        const TArchiveSearch::TResult result = search.Next();
        std::lock_guard lock(FMutex);
        if (Stopping() || FPending)
            return; // superseded: the search stops and waits for its workers
        FHits.Total = total;
        FHits.Searched = static_cast<int64_t>(position) + 1;
        if (result.Outcome == TArchiveSearch::TResult::Unreadable) {
            FHits.Error = QString::fromUtf8(result.Error);
            FHits.Done = true;
            Publish(true);
            return;
        }
        if (result.Outcome == TArchiveSearch::TResult::Searched && result.Count > 0) {
            FHits.Entries.push_back(search.Entry(position));
            const bool line = !result.Lines.empty() && !result.Binary;
            FHits.Lines.push_back(line ? ShownLine(result.Lines.front().Text) : QString());
            FHits.LineNumbers.push_back(line ? result.Lines.front().Number : 0);
        }
        if (sincePublished.elapsed() >= 100) {
            Publish(false);
            sincePublished.restart();
        }
    }
    std::lock_guard lock(FMutex);
    if (!FPending) {
        FHits.Total = total;
        FHits.Searched = total;
        FHits.Done = true;
        Publish(true);
    }
}

void TContentFindJob::Publish(bool done) {
    // FMutex is held.
    FHits.Done = done;
    if (FPublished)
        return;
    FPublished = true;
    QMetaObject::invokeMethod(
        this, [this] { emit Updated(); }, Qt::QueuedConnection);
}
