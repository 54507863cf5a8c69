#include "FolderPane.h"

#include "AccessibleText.h"
#include "DirectoryTreeModel.h"
#include "DragView.h"

#include <QMenu>

namespace {

// Folders deeper than this are not opened by a load: the view lays out open folders by
// recursion, and no one reads a tree that deep anyway.
constexpr int kMaxExpandedDepth = 64;

} // namespace

TFolderPane::TFolderPane(TDirectoryTreeModel& model, QWidget* parent)
    : QObject(parent)
    , FModel(model) {
    auto* view = new TDragView(parent);
    FView = view;
    view->setDragEnabled(true);
    view->OnStartDrag = [this] { emit DragStarted(SelectedNode()); };
    FView->setModel(&FModel);
    SetAccessibleText(FView, QStringLiteral("Verzeichnisse"),
                      QStringLiteral("Die Verzeichnisse des Archivs als Baum; das gewählte zeigt "
                                     "seine Dateien in der Dateiliste"));
    FView->setHeaderHidden(true);
    FView->setIndentation(19);
    FView->setIconSize(QSize(16, 16));
    FView->setUniformRowHeights(true);
    FView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FView->setMouseTracking(true); // hot tracking
    FView->setAttribute(Qt::WA_Hover);
    FView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(FView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TFolderPane::CurrentChanged);

    FPopup = new QMenu(parent);
    FPopup->addAction(QStringLiteral("Verzeichnis entpacken..."), this,
                      &TFolderPane::ExtractRequested);
    connect(FView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = FView->indexAt(at);
        if (!index.isValid())
            return;
        FView->setCurrentIndex(index);
        FPopup->popup(FView->viewport()->mapToGlobal(at));
    });
}

TDirNode* TFolderPane::SelectedNode() const {
    return FModel.NodeAt(FView->currentIndex());
}

void TFolderPane::CurrentChanged(const QModelIndex& current) {
    TDirNode* node = FModel.NodeAt(current);
    FModel.SetSelectedNode(node);
    if (!node)
        return;
    // The open folder while its subfolders are shown; a folder without any has nothing to close.
    FModel.SetImageIndex(node, node->Children.empty() || FView->isExpanded(current) ? 0 : 1);
    emit FolderChosen(node);
}

void TFolderPane::ShowTree() {
    // Every folder is opened down to a depth no real archive reaches; while the view's layout
    // is pending, opening a folder only marks it.
    std::vector<std::pair<const TDirNode*, int>> pending{{FModel.Root(), 0}};
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        // A folder without subfolders shows as open anyway (CurrentChanged).
        if (!node->Children.empty())
            FView->expand(FModel.IndexOf(node));
        if (depth + 1 < kMaxExpandedDepth)
            for (const auto& child : node->Children)
                pending.emplace_back(child.get(), depth + 1);
    }
    if (FView->focusPolicy() != Qt::NoFocus)
        FView->setFocus();
    FView->setCurrentIndex(FModel.IndexOf(FModel.Root()));
}

void TFolderPane::Select(const TDirNode* node) {
    FView->setCurrentIndex(FModel.IndexOf(node));
    FView->scrollTo(FView->currentIndex());
}
