#pragma once

#include "Job.h"

#include <QString>
#include <atomic>
#include <memory>
#include <string_view>
#include <vector>

class TPakReader;
struct TDirNode;

// Opens an archive in the window's reader and builds its directory tree, with one prepared file
// list per directory, on a thread of its own: the window stays responsive however large the
// archive. The window starts it, shows what it reports and may ask it to stop. The reader
// belongs to the load until it has ended (Loaded, Failed or Stopped).
// Stop may be called from any thread; the load ends soon after with Stopped.
class TArchiveLoad : public TJob {
    Q_OBJECT
public:
    TArchiveLoad(TPakReader& reader, QString fileName, QObject* parent = nullptr);
    // Stops the load and waits for its thread.
    ~TArchiveLoad() override;

    const QString& FileName() const { return FFileName; }
    // The tree built, once Loaded has been sent; handed over once.
    std::unique_ptr<TDirNode> TakeTree();
    // The entries in the tree's own order (each directory's files by caption, then its
    // subdirectories; the file lists show their parts of it), and each entry's position in it,
    // once Loaded has been sent; handed over once.
    std::shared_ptr<const std::vector<int32_t>> TakeTreeOrder() { return std::move(FTreeOrder); }
    std::vector<int32_t> TakeTreeRank() { return std::move(FTreeRank); }

signals:
    // Before entry done of total while the tree is built, for every hundredth entry, in order,
    // on the window's thread; those reached while the window was busy come one after the
    // other, and all of them before the load's end.
    void Progress(int done, int total);
    // How the load ended, on the window's thread.
    void Loaded();
    void Failed(const QString& message);
    void Stopped();

private:
    enum class TOutcome { Stopped, Loaded, Failed };
    void Work() override;
    TOutcome Load();
    // From the load's thread: entry done has been reached.
    void ReachProgress(int done, int total);
    // Has ShowProgress called on the window's thread, unless a call is waiting already.
    void PostProgress();
    // Sends Progress for what has been reached and not been sent; briefly: for a few
    // milliseconds, and the rest later.
    void ShowProgress(bool briefly);
    // Puts every folder's files in caption order, on all cores: the parts of order that ranges
    // (first, count) give. False when the load was stopped meanwhile.
    bool SortLists(std::vector<int32_t>& order,
                   const std::vector<std::pair<size_t, size_t>>& ranges);

    TPakReader& FReader;
    const QString FFileName;
    std::unique_ptr<TDirNode> FTree;
    std::shared_ptr<std::vector<int32_t>> FTreeOrder;
    std::vector<int32_t> FTreeRank;
    std::atomic<int> FReached{-100};
    std::atomic<int> FTotal{0};
    std::atomic<bool> FProgressPosted{false};
    int FShown = -100; // the last entry Progress was sent for, on the window's thread
    TOutcome FOutcome = TOutcome::Stopped;
    QString FFailure;
};
