#include "FindJob.h"

#include "NameIndex.h"

TFindJob::TFindJob(const TPakReader& reader, std::shared_ptr<const std::vector<int32_t>> treeOrder,
                   QObject* parent)
    : QObject(parent)
    , FReader(reader)
    , FTreeOrder(std::move(treeOrder))
    , FThread([this] { Run(); }) {}

TFindJob::~TFindJob() {
    {
        std::lock_guard lock(FMutex);
        FQuit = true;
    }
    FSuperseded = true;
    FWake.notify_all();
    FThread.join();
}

void TFindJob::Find(const QString& text) {
    {
        std::lock_guard lock(FMutex);
        FPending = text;
    }
    FSuperseded = true;
    FWake.notify_all();
}

std::optional<std::vector<int32_t>> TFindJob::TakeHits(const QString& text) {
    std::lock_guard lock(FMutex);
    if (FHitsText != text || FPending)
        return std::nullopt;
    FHitsText.clear();
    return std::move(FHits);
}

void TFindJob::Run() {
    // The names are gathered at once, while the user is still typing the first letter.
    FIndex = std::make_unique<TNameIndex>(FReader, *FTreeOrder);
    for (;;) {
        QString text;
        {
            std::unique_lock lock(FMutex);
            FWake.wait(lock, [&] { return FQuit || FPending; });
            if (FQuit)
                return;
            text = *FPending;
            FPending.reset();
            FSuperseded = false;
        }
        std::vector<int32_t> hits = FIndex->Find(text, FSuperseded);
        {
            std::lock_guard lock(FMutex);
            // A newer text is waiting: these hits are of no use.
            if (FQuit || FPending)
                continue;
            FHits = std::move(hits);
            FHitsText = text;
        }
        emit Found(text);
    }
}
