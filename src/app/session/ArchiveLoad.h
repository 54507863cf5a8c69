#pragma once

#include "Job.h"

#include <QString>
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
    // subdirectories), and each entry's position in it, once Loaded has been sent; handed over
    // once.
    std::vector<int32_t> TakeTreeOrder() { return std::move(FTreeOrder); }
    std::vector<int32_t> TakeTreeRank() { return std::move(FTreeRank); }

signals:
    // Before entry done of total while the tree is built, for every hundredth entry (from the
    // load's thread).
    void Progress(int done, int total);
    // How the load ended, on the window's thread.
    void Loaded();
    void Failed(const QString& message);
    void Stopped();

private:
    enum class TOutcome { Stopped, Loaded, Failed };
    void Work() override;
    TOutcome Load();
    // Puts the folders and every folder's files in caption order, on all cores; false when the
    // load was stopped meanwhile.
    bool SortLists(TDirNode& root, const std::vector<TDirNode*>& nodes);

    TPakReader& FReader;
    const QString FFileName;
    std::unique_ptr<TDirNode> FTree;
    std::vector<int32_t> FTreeOrder;
    std::vector<int32_t> FTreeRank;
    TOutcome FOutcome = TOutcome::Stopped;
    QString FFailure;
};
