#pragma once

#include "Job.h"

#include <QString>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class TPakReader;

// The find in the files' content ("im Inhalt"), on a thread of its own: every entry, stored or
// inflated, searched for a text (case and umlauts folded, in UTF-8 and Windows-1252 content)
// on all cores, in the tree's order. Each text handed to Find stops the search still running
// for an older one. The hits come in while it runs: Updated tells that new ones wait in Take.
class TContentFindJob : public TJob {
    Q_OBJECT
public:
    struct THits {
        QString Text;                      // what they were found for
        std::vector<int32_t> Entries;      // new since the last Take, in the tree's order
        std::vector<QString> Lines;        // each one's first matching line (empty: binary content)
        std::vector<uint64_t> LineNumbers; // that line's number, from 1 (0: binary content)
        int64_t Searched = 0;              // files searched so far
        int64_t Total = 0;
        bool Done = false;
        QString Error; // a text that is no pattern, an archive that can no longer be read
    };

    TContentFindJob(const TPakReader& reader, std::shared_ptr<const std::vector<int32_t>> treeOrder,
                    int threads, QObject* parent = nullptr);
    // Stops the search and waits for the thread.
    ~TContentFindJob() override;

    // Searches for text from now on; an empty text stops the search.
    void Find(const QString& text);
    // The hits found for the newest text since the last Take.
    THits Take();

signals:
    void Updated();

private:
    void Work() override;
    void StopRequested() override;
    void Search(const QString& text);
    // Hands the hits gathered so far over to Take, now and then (every tenth of a second).
    void Publish(bool done);

    const TPakReader& FReader;
    const std::shared_ptr<const std::vector<int32_t>> FTreeOrder;
    const int FThreads;
    std::mutex FMutex;
    std::condition_variable FWake;
    std::optional<QString> FPending; // what to search next
    THits FHits;                     // waiting for Take
    bool FPublished = false;         // an Updated is on its way
};
