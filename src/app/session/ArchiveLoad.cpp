#include "ArchiveLoad.h"

#include "AnsiText.h"
#include "DirectoryIds.h"
#include "DirectoryTreeModel.h"
#include "Exception.h"
#include "FileListModel.h"
#include "WorkerThreads.h"
#include "uPakReader.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <thread>

namespace {

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

void TArchiveLoad::Work() {
    try {
        FOutcome = Load();
    } catch (const std::exception& e) {
        // Why, in the user's words: missing, a folder, no permission, not enough memory.
        FFailure = FromCoreText(OpenFailureText(ToCoreFileName(FFileName), e));
        FOutcome = TOutcome::Failed;
    }
}

bool TArchiveLoad::SortLists(TDirNode& root, const std::vector<TDirNode*>& nodes) {
    // Every folder's files by caption, shared out over the cores as they come free; the calling
    // thread sorts the folders first, then joins in.
    std::atomic<size_t> next{0};
    const auto sortFiles = [&] {
        for (size_t i; !Stopping() && (i = next++) < nodes.size();)
            if (nodes[i]->Files)
                nodes[i]->Files->SortByCaption();
    };
    std::vector<std::thread> helpers;
    StartWorkers(helpers, std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4) - 1,
                 sortFiles);
    root.SortChildren();
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
    // however many siblings it has; the nodes by their numbers.
    TDirectoryIds directories;
    std::vector<TDirNode*> nodes{root.get()};
    for (int32_t i = 0; i < count; ++i) {
        if (i % 100 == 0) {
            if (Stopping())
                return TOutcome::Stopped;
            emit Progress(i, count);
        }
        TDirNode* node = nodes[directories.Add(FReader.EntryPath(i),
                                               [&](uint32_t parent, std::string_view name) {
                                                   nodes.push_back(nodes[parent]->AddChild(name));
                                               })];
        if (!node->Files)
            node->Files = std::make_unique<TFileListModel>(FReader);
        node->Files->Add(i);
    }

    if (!SortLists(*root, nodes))
        return TOutcome::Stopped;
    // The lists were made here; the window's thread shows them.
    QThread* window = QCoreApplication::instance()->thread();
    FTreeOrder.reserve(static_cast<size_t>(count));
    std::vector<TDirNode*> pending{root.get()};
    while (!pending.empty()) {
        if (Stopping())
            return TOutcome::Stopped;
        TDirNode* node = pending.back();
        pending.pop_back();
        if (node->Files) {
            node->Files->moveToThread(window);
            for (int row = 0; row < node->Files->Count(); ++row)
                FTreeOrder.push_back(node->Files->EntryAt(row));
        }
        for (auto child = node->Children.rbegin(); child != node->Children.rend(); ++child)
            pending.push_back(child->get());
    }
    FTreeRank.resize(FTreeOrder.size());
    for (size_t position = 0; position < FTreeOrder.size(); ++position)
        FTreeRank[static_cast<size_t>(FTreeOrder[position])] = static_cast<int32_t>(position);
    FTree = std::move(root);
    return TOutcome::Loaded;
}
