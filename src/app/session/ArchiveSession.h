#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class QWidget;
class TArchiveLoad;
class TDirectoryTreeModel;
class TPakReader;
class TPrompts;
class TStatusLine;
class TWindowState;

// The archive the window shows: its reader, its directory tree (with one prepared file list per
// directory), the tree's own order of the entries, and what has been learnt about entries since
// (their true sizes). Opening runs a TArchiveLoad; opening again while one runs ends that one and
// then loads the new archive. Whatever shows the archive hears Closing before the reader lets
// go of it and Installed once a new tree is in the model.
class TArchiveSession : public QObject {
    Q_OBJECT
public:
    TArchiveSession(TPrompts& prompts, TStatusLine& status, TWindowState& state, QWidget* window);
    // A running load ends first.
    ~TArchiveSession() override;
    // The window goes: a running load ends (waited for), then the archive is closed while
    // whatever shows it is still there to let go of it.
    void Shutdown();

    TPakReader& Reader() const { return *FReader; }
    TDirectoryTreeModel& Tree() const { return *FTree; }
    bool Open() const { return FOpen; }
    bool Loading() const { return FLoad != nullptr; }
    // Says that there is no archive yet and returns false, unless one is open.
    bool RequireOpen();
    // The entries by position in the tree's own order (each directory's files by caption, then
    // its subdirectories), and each entry's position; empty while none is open.
    std::shared_ptr<const std::vector<int32_t>> TreeOrder() const { return FTreeOrder; }
    const std::vector<int32_t>& TreeRank() const { return FTreeRank; }
    // The true size of an entry that declares more, once it is known.
    std::optional<uint64_t> RealSize(int32_t entry) const;
    void NoteRealSize(int32_t entry, uint64_t bytes) { FRealSizes[entry] = bytes; }

    // The open dialog, then OpenArchive with the file chosen.
    void AskAndOpen();
    void OpenArchive(const QString& fileName);
    // fileName comes from "Erneut öffnen": if it is gone, RecentGone offers to forget it.
    void SetRecentClicked(const QString& fileName) { FRecentClicked = fileName; }
    // The window goes: a running load stops, and nothing waits to be opened after it.
    void StopForClose();
    void Close();

signals:
    // The archive goes: whatever refers to its entries, nodes or lists lets go of them now.
    void Closing();
    // The reader is closed and the tree about to be emptied: views show nothing.
    void Closed();
    // A new tree is in the model (Open turns true right after).
    void Installed(const QString& fileName);
    // A recent archive could not be opened because it is gone.
    void RecentGone(const QString& fileName, const QString& message);
    // A load has ended, however, and no other follows.
    void LoadEnded();

private:
    void StartLoad(const QString& fileName);
    void Install();
    void Failed(const QString& message);
    void Ended();

    TPrompts& FPrompts;
    TStatusLine& FStatus;
    TWindowState& FState;
    QWidget* FWindow;
    std::unique_ptr<TPakReader> FReader;
    TDirectoryTreeModel* FTree;
    std::unique_ptr<TArchiveLoad> FLoad;
    bool FOpen = false;
    std::shared_ptr<const std::vector<int32_t>> FTreeOrder;
    std::vector<int32_t> FTreeRank;
    // Entries whose content turned out smaller than they declare (read by the preview or
    // written by an extraction), with their true sizes.
    std::unordered_map<int32_t, uint64_t> FRealSizes;
    std::optional<QString> FPendingOpen; // asked for while a load was running
    QString FRecentClicked;              // chosen from "Erneut öffnen", until its load ends
    bool FClosing = false;
};
