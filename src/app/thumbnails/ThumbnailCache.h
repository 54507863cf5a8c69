#pragma once

#include <QImage>
#include <cstdint>
#include <list>
#include <unordered_map>

// The decoded thumbnails, by entry, within a limit of bytes: the least recently used go first
// when a new one would pass it. An entry that is no picture that can be read is kept as a null
// image, so that it is not read again while it stays.
class TThumbnailCache {
public:
    explicit TThumbnailCache(int64_t limit)
        : FLimit(limit) {}

    // The thumbnail of entry, which becomes the most recently used; null when none is kept.
    const QImage* Find(int32_t entry);
    bool Contains(int32_t entry) const { return FItems.count(entry) > 0; }
    // Keeps thumbnail as entry's, most recently used, and lets go of the least recently used
    // ones until all are within the limit again.
    void Insert(int32_t entry, QImage thumbnail);
    void Clear();
    void SetLimit(int64_t limit);

    int64_t Limit() const { return FLimit; }
    int64_t Bytes() const { return FBytes; }
    int Count() const { return static_cast<int>(FItems.size()); }
    // The bytes an entry costs: its pixels, and what keeping it costs besides.
    static int64_t Cost(const QImage& thumbnail);

private:
    struct TItem {
        QImage Thumbnail;
        std::list<int32_t>::iterator Use;
    };
    void Trim();

    int64_t FLimit;
    int64_t FBytes = 0;
    std::list<int32_t> FUse; // most recently used first
    std::unordered_map<int32_t, TItem> FItems;
};
