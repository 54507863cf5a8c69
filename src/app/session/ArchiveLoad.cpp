#include "ArchiveLoad.h"

#include "AnsiText.h"
#include "DirectoryIds.h"
#include "DirectoryTreeModel.h"
#include "Exception.h"
#include "FileListModel.h"
#include "ListOrder.h"
#include "WorkerThreads.h"
#include "uPakReader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QScopeGuard>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <thread>

namespace {

constexpr int kProgressStep = 100;
// The longest stretch of progress shown at once on the window's thread, in milliseconds.
constexpr qint64 kProgressSlice = 4;

// The archive's file name without its folder, as the root of the tree shows it. Only Windows
// separates folders (and drives) with "\" and ":"; elsewhere they belong to the name.
QString FileNameWithoutFolder(const QString& fileName) {
    qsizetype cut = fileName.lastIndexOf(QChar('/'));
#ifdef Q_OS_WIN
    for (const QChar separator : {QChar('\\'), QChar(':')})
        cut = std::max(cut, fileName.lastIndexOf(separator));
#endif
    return fileName.mid(cut + 1);
}

} // namespace

TArchiveLoad::TArchiveLoad(TPakReader& reader, QString fileName, QObject* parent)
    : TJob(parent)
    , FReader(reader)
    , FFileName(std::move(fileName)) {
    connect(this, &TJob::Finished, this, [this] {
        const QPointer<TArchiveLoad> alive(this);
        ShowProgress(false);
        if (!alive)
            return;
        switch (FOutcome) {
        case TOutcome::Loaded:
            emit Loaded();
            break;
        case TOutcome::Failed:
            emit Failed(FFailure);
            break;
        case TOutcome::Stopped:
            emit Stopped();
            break;
        }
    });
}

TArchiveLoad::~TArchiveLoad() {
    StopAndJoin();
}

std::unique_ptr<TDirNode> TArchiveLoad::TakeTree() {
    return std::move(FTree);
}

void TArchiveLoad::ReachProgress(int done, int total) {
    FTotal.store(total, std::memory_order_relaxed);
    FReached.store(done, std::memory_order_release);
    PostProgress();
}

void TArchiveLoad::PostProgress() {
    // One call waits on the window's thread at a time, however fast the entries come.
    if (!FProgressPosted.exchange(true))
        QMetaObject::invokeMethod(
            this, [this] { ShowProgress(true); }, Qt::QueuedConnection);
}

void TArchiveLoad::ShowProgress(bool briefly) {
    FProgressPosted.store(false);
    const int reached = FReached.load(std::memory_order_acquire);
    const int total = FTotal.load(std::memory_order_relaxed);
    QElapsedTimer clock;
    clock.start();
    // A listener may stop the load, or end it (and this object with it).
    const QPointer<TArchiveLoad> alive(this);
    while (alive && !Stopping() && FShown < reached) {
        FShown += kProgressStep;
        emit Progress(FShown, total);
        // The window handles its events in between; the rest comes with the next call.
        if (alive && briefly && FShown < reached && clock.elapsed() >= kProgressSlice) {
            PostProgress();
            return;
        }
    }
}

void TArchiveLoad::Work() {
    try {
        FOutcome = Load();
    } catch (const std::exception& e) {
        // Why, in the user's words: missing, a folder, no permission, not enough memory.
        FFailure = FromCoreText(OpenFailureText(ToCoreFileName(FFileName), e));
        FOutcome = TOutcome::Failed;
    }
}

bool TArchiveLoad::SortLists(std::vector<int32_t>& order,
                             const std::vector<std::pair<size_t, size_t>>& ranges) {
    // Shared out over the cores as they come free.
    std::atomic<size_t> next{0};
    const auto sortFiles = [&] {
        for (size_t i; !Stopping() && (i = next++) < ranges.size();)
            SortByCaption(FReader, std::span(order).subspan(ranges[i].first, ranges[i].second));
    };
    std::vector<std::thread> helpers;
    StartWorkers(helpers, std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4) - 1,
                 sortFiles);
    sortFiles();
    for (std::thread& helper : helpers)
        helper.join();
    return !Stopping();
}

TArchiveLoad::TOutcome TArchiveLoad::Load() {
    FReader.SetProgressHook([this](int32_t) { return !Stopping(); });
    // The hook must not outlive this load, however Open ends.
    const auto unhook = qScopeGuard([this] { FReader.SetProgressHook(nullptr); });
    const bool opened = FReader.Open(ToCoreFileName(FFileName));
    if (!opened)
        return TOutcome::Stopped;
    auto root = std::make_unique<TDirNode>();
    root->Caption = FileNameWithoutFolder(FFileName);
    const int32_t count = FReader.Count();
    // A directory's node is found by its parent and its name, whatever the names are and
    // however many siblings it has; the nodes by their numbers. Each entry's directory number
    // is kept where its tree rank goes later.
    TDirectoryIds directories;
    std::vector<TDirNode*> nodes{root.get()};
    std::vector<int32_t>& directoryOf = FTreeRank;
    directoryOf.resize(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        if (i % kProgressStep == 0) {
            if (Stopping())
                return TOutcome::Stopped;
            ReachProgress(i, count);
        }
        const uint32_t directory =
            directories.Add(FReader.EntryPath(i), [&](uint32_t parent, std::string_view name) {
                nodes.push_back(nodes[parent]->AddChild(name));
            });
        directoryOf[static_cast<size_t>(i)] = static_cast<int32_t>(directory);
        ++nodes[directory]->FileCount;
    }

    // The tree's order: the folders by caption, each one's files before its subfolders. Each
    // folder's files get their range of it, filled in entry order and then sorted.
    root->SortChildren();
    std::vector<std::pair<size_t, size_t>> unsorted;
    int32_t next = 0;
    for (std::vector<TDirNode*> pending{root.get()}; !pending.empty();) {
        TDirNode* node = pending.back();
        pending.pop_back();
        node->FirstFile = next;
        next += node->FileCount;
        if (node->FileCount > 1)
            unsorted.emplace_back(node->FirstFile, node->FileCount);
        for (auto child = node->Children.rbegin(); child != node->Children.rend(); ++child)
            pending.push_back(child->get());
    }
    FTreeOrder = std::make_shared<std::vector<int32_t>>(static_cast<size_t>(count));
    std::vector<int32_t>& order = *FTreeOrder;
    {
        std::vector<int32_t> filled(nodes.size());
        for (size_t number = 0; number < nodes.size(); ++number)
            filled[number] = nodes[number]->FirstFile;
        for (int32_t i = 0; i < count; ++i)
            order[static_cast<size_t>(filled[static_cast<size_t>(directoryOf[i])]++)] = i;
    }
    if (!SortLists(order, unsorted))
        return TOutcome::Stopped;

    // The lists are made here; the window's thread shows them.
    QThread* window = QCoreApplication::instance()->thread();
    for (TDirNode* node : nodes) {
        if (node->FileCount == 0)
            continue;
        auto list = std::make_unique<TFileListModel>(FReader);
        list->ShowFolder(FTreeOrder, static_cast<size_t>(node->FirstFile),
                         static_cast<size_t>(node->FileCount));
        list->moveToThread(window);
        node->Files = std::move(list);
    }
    for (size_t position = 0; position < order.size(); ++position)
        FTreeRank[static_cast<size_t>(order[position])] = static_cast<int32_t>(position);
    FTree = std::move(root);
    return TOutcome::Loaded;
}
