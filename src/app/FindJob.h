#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class TNameIndex;
class TPakReader;

// The window's find over the names of the whole archive, on a thread of its own: each text
// handed to Find stops the search still running for an older one, so that typing never waits
// for a search nobody wants any more. The names are gathered once, when the job starts.
class TFindJob : public QObject {
    Q_OBJECT
public:
    // treeOrder: the entries in the order hits are reported.
    TFindJob(const TPakReader& reader, std::shared_ptr<const std::vector<int32_t>> treeOrder,
             QObject* parent = nullptr);
    // Stops the search and waits for the thread.
    ~TFindJob() override;

    void Find(const QString& text);
    // The hits for text, once Found has told of them; nothing when a newer text took their place.
    std::optional<std::vector<int32_t>> TakeHits(const QString& text);

signals:
    // The search for text has ended; the hits wait in TakeHits.
    void Found(const QString& text);

private:
    void Run();

    const TPakReader& FReader;
    const std::shared_ptr<const std::vector<int32_t>> FTreeOrder;
    std::unique_ptr<TNameIndex> FIndex; // the thread's own

    std::mutex FMutex;
    std::condition_variable FWake;
    std::optional<QString> FPending; // the text to search next
    bool FQuit = false;
    std::atomic<bool> FSuperseded{false};
    QString FHitsText; // what FHits were found for
    std::vector<int32_t> FHits;
    std::thread FThread;
};
