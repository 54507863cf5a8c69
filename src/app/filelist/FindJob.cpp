#include "FindJob.h"

#include "ListOrder.h"
#include "NameIndex.h"

#include <algorithm>

TFindJob::TFindJob(const TPakReader& reader, std::shared_ptr<const std::vector<int32_t>> treeOrder,
                   const std::vector<int32_t>& treeRank, QObject* parent)
    : TJob(parent)
    , FReader(reader)
    , FTreeOrder(std::move(treeOrder))
    , FTreeRank(treeRank) {
    Start();
}

TFindJob::~TFindJob() {
    StopAndJoin();
}

void TFindJob::StopRequested() {
    {
        // Taken, so that a worker about to wait sees Stopping() first.
        std::lock_guard lock(FMutex);
    }
    FSuperseded = true;
    FWake.notify_all();
}

void TFindJob::Find(const QString& text, TOrder order) {
    {
        std::lock_guard lock(FMutex);
        FPending.emplace(text, order);
    }
    FSuperseded = true;
    FWake.notify_all();
}

std::optional<TFindJob::THits> TFindJob::TakeHits(const QString& text) {
    std::lock_guard lock(FMutex);
    if (FHitsText != text || FPending)
        return std::nullopt;
    FHitsText.clear();
    return std::move(FHits);
}

std::shared_ptr<const std::vector<int32_t>> TFindJob::NameRank() const {
    std::lock_guard lock(FMutex);
    return FNameRank;
}

void TFindJob::Sort(std::vector<int32_t>& hits, TOrder order) {
    // The index reports hits in the tree's own order.
    if (order.first == TListColumn::Folder) {
        if (order.second == Qt::DescendingOrder)
            std::reverse(hits.begin(), hits.end());
        return;
    }
    std::shared_ptr<const std::vector<int32_t>> nameRank = NameRank();
    if (order.first == TListColumn::Name && !nameRank) {
        nameRank = std::make_shared<const std::vector<int32_t>>(NameRanks(FReader, FTreeRank));
        std::lock_guard lock(FMutex);
        FNameRank = nameRank;
    }
    SortEntries(FReader, hits, order.first, order.second, FTreeRank, true, nameRank.get());
}

void TFindJob::Work() {
    // The names are gathered at once, while the user is still typing the first letter.
    FIndex = std::make_unique<TNameIndex>(FReader, *FTreeOrder);
    for (;;) {
        QString text;
        TOrder order;
        {
            std::unique_lock lock(FMutex);
            FWake.wait(lock, [&] { return Stopping() || FPending; });
            if (Stopping())
                return;
            std::tie(text, order) = *FPending;
            FPending.reset();
            FSuperseded = false;
        }
        std::vector<int32_t> hits = FIndex->Find(text, FSuperseded);
        if (!FSuperseded)
            Sort(hits, order);
        {
            std::lock_guard lock(FMutex);
            // A newer text is waiting: these hits are of no use.
            if (Stopping() || FPending)
                continue;
            FHits = {std::move(hits), order};
            FHitsText = text;
        }
        emit Found(text);
    }
}
