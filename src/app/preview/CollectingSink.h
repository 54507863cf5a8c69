#pragma once

#include "Exception.h"
#include "uPakReader.h"

#include <QByteArray>
#include <atomic>

// Collects the bytes read of an entry, and stops the read once it is no longer wanted: the
// reading jobs of the preview and of the thumbnails give up a read as soon as the window has
// asked for another entry.
class TCollectingSink : public TByteSink {
public:
    TCollectingSink(QByteArray& bytes, const std::atomic<bool>& stop)
        : FBytes(bytes)
        , FStop(stop) {}
    void Write(const void* data, size_t count) override {
        if (FStop.load(std::memory_order_relaxed))
            throw EAborted();
        FBytes.append(static_cast<const char*>(data), static_cast<qsizetype>(count));
    }
    void Restart() override { FBytes.clear(); }

private:
    QByteArray& FBytes;
    const std::atomic<bool>& FStop;
};
