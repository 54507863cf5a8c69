#pragma once

#include "FileListModel.h"
#include "Job.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class TNameIndex;
class TPakReader;

// The window's find over the names of the whole archive, on a thread of its own: each text
// handed to Find stops the search still running for an older one, so that typing never waits
// for a search nobody wants any more. The hits are sorted there too, in the list's order, so
// that the window only shows them. The names are gathered once, when the job starts; their
// ranks in name order once, when hits are first wanted by name.
class TFindJob : public TJob {
    Q_OBJECT
public:
    using TOrder = std::pair<TListColumn, Qt::SortOrder>;
    struct THits {
        std::vector<int32_t> Entries;
        TOrder Order; // the order they are in
    };

    // treeOrder: the entries in the tree's own order; treeRank: each entry's position in it.
    // Both stay as they are while the job lives.
    TFindJob(const TPakReader& reader, std::shared_ptr<const std::vector<int32_t>> treeOrder,
             const std::vector<int32_t>& treeRank, QObject* parent = nullptr);
    // Stops the search and waits for the thread.
    ~TFindJob() override;

    void Find(const QString& text, TOrder order);
    // The hits for text, once Found has told of them; nothing when a newer text took their place.
    std::optional<THits> TakeHits(const QString& text);
    // Each entry's rank in name order (see NameRanks), once a find has needed it; else null.
    std::shared_ptr<const std::vector<int32_t>> NameRank() const;

signals:
    // The search for text has ended; the hits wait in TakeHits.
    void Found(const QString& text);

private:
    void Work() override;
    void StopRequested() override;
    void Sort(std::vector<int32_t>& hits, TOrder order);

    const TPakReader& FReader;
    const std::shared_ptr<const std::vector<int32_t>> FTreeOrder;
    const std::vector<int32_t>& FTreeRank;
    std::unique_ptr<TNameIndex> FIndex; // the thread's own

    mutable std::mutex FMutex;
    std::condition_variable FWake;
    std::optional<std::pair<QString, TOrder>> FPending; // what to search next
    std::atomic<bool> FSuperseded{false};
    QString FHitsText; // what FHits were found for
    THits FHits;
    std::shared_ptr<const std::vector<int32_t>> FNameRank;
};
