#include "ThumbnailCache.h"

int64_t TThumbnailCache::Cost(const QImage& thumbnail) {
    constexpr int64_t kBookkeeping = 96; // the map's node, the list's node, the image's header
    return kBookkeeping + (thumbnail.isNull() ? 0 : thumbnail.sizeInBytes());
}

const QImage* TThumbnailCache::Find(int32_t entry) {
    const auto found = FItems.find(entry);
    if (found == FItems.end())
        return nullptr;
    FUse.splice(FUse.begin(), FUse, found->second.Use);
    return &found->second.Thumbnail;
}

void TThumbnailCache::Insert(int32_t entry, QImage thumbnail) {
    if (const auto found = FItems.find(entry); found != FItems.end()) {
        FBytes -= Cost(found->second.Thumbnail);
        FUse.erase(found->second.Use);
        FItems.erase(found);
    }
    FBytes += Cost(thumbnail);
    FUse.push_front(entry);
    FItems.emplace(entry, TItem{std::move(thumbnail), FUse.begin()});
    Trim();
}

void TThumbnailCache::Clear() {
    FItems.clear();
    FUse.clear();
    FBytes = 0;
}

void TThumbnailCache::SetLimit(int64_t limit) {
    FLimit = limit;
    Trim();
}

void TThumbnailCache::Trim() {
    while (FBytes > FLimit && !FUse.empty()) {
        const auto oldest = FItems.find(FUse.back());
        FBytes -= Cost(oldest->second.Thumbnail);
        FItems.erase(oldest);
        FUse.pop_back();
    }
}
