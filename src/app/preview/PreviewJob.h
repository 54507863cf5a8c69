#pragma once

#include "Inflate.h"
#include "Job.h"
#include "PreviewContent.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

class TPakReader;

// Reads entries for the preview and prepares them, on a thread of its own, one at a time: a
// request that comes while another is read stops that one, so that stepping through a list
// shows the file the user stopped at, not each one passed. The window asks, and hears Ready.
class TPreviewJob : public TJob {
    Q_OBJECT
public:
    // At most this much of an entry's content is read.
    static constexpr uint64_t kLimit = 8u << 20;

    explicit TPreviewJob(const TPakReader& reader, QObject* parent = nullptr);
    // Stops and waits for the thread.
    ~TPreviewJob() override;

    // Reads entry index (of from, or of the job's archive) and prepares it; Ready follows with
    // the serial returned, unless another Request or Forget comes first. from must stay open
    // until Forget or the next Request.
    uint64_t Request(int32_t index, const TPakReader* from = nullptr);
    // Drops what is asked for and returns once the reader is no longer read (soon: reading stops
    // between chunks), so that it may close or open another archive.
    void Forget();

signals:
    void Ready(std::shared_ptr<const TPreview> preview);

private:
    struct TRequest {
        int32_t Index;
        uint64_t Serial;
        const TPakReader* From; // null: FReader
    };

    void Work() override;
    void StopRequested() override;
    // Reads the beginning of the entry into a new preview; null when stopped.
    std::shared_ptr<TPreview> Read(const TRequest& request, QByteArray& bytes);

    const TPakReader& FReader;
    TInflater FInflater; // the thread's own

    std::mutex FMutex;
    std::condition_variable FWake;
    std::condition_variable FIdle;
    std::optional<TRequest> FPending;
    uint64_t FSerial = 0;
    bool FReading = false;
    std::atomic<bool> FStop{false}; // the read in progress stops
};
