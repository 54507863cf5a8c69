#pragma once

#include "BufferBudget.h"
#include "JobProgress.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class TPakReader;

// Checks every entry of the loaded archive without writing anything: compressed entries are
// inflated under zlib's rules, and every entry's data must lie within the archive. Runs on
// threads of its own, one per core; the window starts it, reads its progress, may cancel it, and
// hears Finished.
class TCheckJob : public QObject {
    Q_OBJECT
public:
    TCheckJob(const TPakReader& reader, int threads, QObject* parent = nullptr);
    // Cancels and waits for the threads.
    ~TCheckJob() override;

    void Start();
    // No entry is begun from now on, and the ones being inflated stop.
    void Cancel() { FCancel = true; }
    bool Cancelled() const { return FCancel.load(); }

    // What the run covers: every entry, and the content bytes of the compressed ones.
    int32_t TotalFiles() const { return FTotalFiles; }
    uint64_t TotalBytes() const { return FTotalBytes; }
    TJobProgress Progress() const;

    // After Finished: the damaged entries in archive order (of those checked, when cancelled),
    // and the error that ended the run (the archive could no longer be read).
    const std::vector<int32_t>& Damaged() const { return FDamaged; }
    const QString& Error() const { return FError; }

signals:
    void Finished();

private:
    void Run();
    void Work(std::vector<uint8_t>& verdicts);

    const TPakReader& FReader;
    const int FThreads;
    const int32_t FTotalFiles;
    uint64_t FTotalBytes = 0;

    std::atomic<bool> FCancel{false};
    std::atomic<int32_t> FNext{0};
    std::atomic<int32_t> FCurrent{-1};
    std::atomic<int64_t> FDone{0};
    std::atomic<uint64_t> FBytes{0};
    TBufferBudget FBudget; // the workers' buffers together

    std::vector<int32_t> FDamaged;
    std::mutex FErrorGuard;
    QString FError;
    std::thread FThread;
};
