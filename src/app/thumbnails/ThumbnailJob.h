#pragma once

#include "Inflate.h"
#include "Job.h"

#include <QImage>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

class TPakReader;

// Reads and decodes the thumbnails of pictures on a thread of its own, one after the other, in
// the order the window last asked for them: a new wish replaces the old one, so that scrolling
// on decodes what is shown now, not what was passed. The window never waits for a decode; it
// hears Decoded.
class TThumbnailJob : public TJob {
    Q_OBJECT
public:
    // Thumbnails are at most this many pixels a side; smaller pictures keep their size.
    static constexpr int kSide = 96;
    // Pictures whose content is larger are not read.
    static constexpr uint64_t kLimit = 32u << 20;

    explicit TThumbnailJob(const TPakReader& reader, QObject* parent = nullptr);
    // Stops and waits for the thread.
    ~TThumbnailJob() override;

    // entries: what to decode, the most wanted first. The one being decoded is finished.
    void Want(std::vector<int32_t> entries);
    // Drops what is wanted and returns once the reader is no longer read (reading stops between
    // chunks), so that it may close; nothing decoded before is reported after.
    void Forget();
    // Something is wanted or being decoded.
    bool Busy() const;
    // How many pictures have been decoded since the job began.
    int DecodedCount() const { return FDecoded.load(std::memory_order_relaxed); }

    // The thumbnail of a picture's bytes (name: for its suffix); null when they are none.
    static QImage Thumbnail(QByteArray bytes, const QByteArray& suffix);

signals:
    // entry's thumbnail: null when it is no picture that can be read.
    void Decoded(int32_t entry, const QImage& thumbnail);

private:
    void Work() override;
    void StopRequested() override;
    QImage Read(int32_t entry);

    const TPakReader& FReader;
    TInflater FInflater; // the thread's own

    mutable std::mutex FMutex;
    std::condition_variable FWake;
    std::condition_variable FIdle;
    std::deque<int32_t> FWanted;
    uint64_t FGeneration = 0;       // counts Forget: what was read before is for nobody
    bool FWorking = false;          // an entry taken from FWanted is being read or decoded
    bool FReading = false;          // the reader is being read
    std::atomic<bool> FStop{false}; // the read in progress stops
    std::atomic<int> FDecoded{0};
};
