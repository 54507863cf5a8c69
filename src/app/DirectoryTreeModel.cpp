#include "DirectoryTreeModel.h"

#include "AnsiText.h"
#include "AppText.h"
#include "FolderIcons.h"
#include "TextOrder.h"

#include <QCollatorSortKey>
#include <QFont>
#include <algorithm>

TDirNode::~TDirNode() {
    std::vector<std::unique_ptr<TDirNode>> pending = std::move(Children);
    while (!pending.empty()) {
        std::unique_ptr<TDirNode> node = std::move(pending.back());
        pending.pop_back();
        for (auto& child : node->Children)
            pending.push_back(std::move(child));
        node->Children.clear();
    }
}

TDirNode* TDirNode::FindChildByText(std::string_view text) const {
    for (const auto& child : Children)
        if (child->Text == text)
            return child.get();
    return nullptr;
}

const TDirNode* TDirNode::FindDirectoryOf(std::string_view path) const {
    const TDirNode* node = this;
    for (size_t slash; node && (slash = path.find('/')) != std::string_view::npos;) {
        node = node->FindChildByText(path.substr(0, slash));
        path.remove_prefix(slash + 1);
    }
    return node;
}

const TDirNode* TDirNode::FindCaptionPath(const QString& path) const {
    const TDirNode* node = this;
    for (const QString& caption : path.split('/', Qt::SkipEmptyParts)) {
        const auto child = std::find_if(node->Children.begin(), node->Children.end(),
                                        [&](const auto& c) { return c->Caption == caption; });
        if (child == node->Children.end())
            return nullptr;
        node = child->get();
    }
    return node;
}

TDirNode* TDirNode::AddChild(std::string_view text) {
    auto child = std::make_unique<TDirNode>();
    child->Text = std::string(text);
    child->Caption = AnsiToQString(text);
    child->Parent = this;
    child->Row = static_cast<int>(Children.size());
    Children.push_back(std::move(child));
    return Children.back().get();
}

namespace {

// From this many siblings on, a sort key per caption is cheaper than the collator per comparison.
constexpr size_t kKeyedSortFrom = 256;

void SortByCaption(std::vector<std::unique_ptr<TDirNode>>& nodes) {
    if (nodes.size() < kKeyedSortFrom) {
        const TTextOrder order;
        std::stable_sort(nodes.begin(), nodes.end(), [&](const auto& a, const auto& b) {
            return order.Less(a->Caption, b->Caption);
        });
        return;
    }
    std::vector<std::pair<QCollatorSortKey, size_t>> keys;
    keys.reserve(nodes.size());
    for (size_t i = 0; i < nodes.size(); ++i)
        keys.emplace_back(TextSortKey(nodes[i]->Caption), i);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    std::vector<std::unique_ptr<TDirNode>> sorted;
    sorted.reserve(nodes.size());
    for (const auto& key : keys)
        sorted.push_back(std::move(nodes[key.second]));
    nodes = std::move(sorted);
}

} // namespace

void TDirNode::SortChildren() {
    std::vector<TDirNode*> pending{this};
    while (!pending.empty()) {
        TDirNode* node = pending.back();
        pending.pop_back();
        SortByCaption(node->Children);
        for (size_t i = 0; i < node->Children.size(); ++i) {
            node->Children[i]->Row = static_cast<int>(i);
            pending.push_back(node->Children[i].get());
        }
    }
}

TDirectoryTreeModel::~TDirectoryTreeModel() = default;

void TDirectoryTreeModel::Install(std::unique_ptr<TDirNode> root) {
    beginResetModel();
    FRoot = std::move(root);
    FSelected = nullptr;
    endResetModel();
}

void TDirectoryTreeModel::Clear() {
    beginResetModel();
    FRoot.reset();
    FSelected = nullptr;
    FChanged.clear();
    endResetModel();
}

TDirNode* TDirectoryTreeModel::NodeAt(const QModelIndex& index) const {
    return index.isValid() ? static_cast<TDirNode*>(index.internalPointer()) : nullptr;
}

QModelIndex TDirectoryTreeModel::IndexOf(const TDirNode* node) const {
    if (!node)
        return {};
    return createIndex(node->Row, 0, const_cast<TDirNode*>(node));
}

void TDirectoryTreeModel::SetImageIndex(TDirNode* node, int imageIndex) {
    if (!node || node->ImageIndex == imageIndex)
        return;
    node->ImageIndex = imageIndex;
    const QModelIndex index = IndexOf(node);
    emit dataChanged(index, index, {Qt::DecorationRole});
}

void TDirectoryTreeModel::SetSelectedNode(TDirNode* node) {
    TDirNode* previous = FSelected;
    FSelected = node;
    for (TDirNode* changed : {previous, node}) {
        if (changed) {
            const QModelIndex index = IndexOf(changed);
            emit dataChanged(index, index, {Qt::DecorationRole});
        }
    }
}

QModelIndex TDirectoryTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row == 0 && FRoot ? createIndex(0, 0, FRoot.get()) : QModelIndex();
    const TDirNode* node = NodeAt(parent);
    if (static_cast<size_t>(row) >= node->Children.size())
        return {};
    return createIndex(row, 0, node->Children[static_cast<size_t>(row)].get());
}

QModelIndex TDirectoryTreeModel::parent(const QModelIndex& child) const {
    const TDirNode* node = NodeAt(child);
    return node ? IndexOf(node->Parent) : QModelIndex();
}

int TDirectoryTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return FRoot ? 1 : 0;
    if (parent.column() != 0)
        return 0;
    return static_cast<int>(NodeAt(parent)->Children.size());
}

int TDirectoryTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant TDirectoryTreeModel::data(const QModelIndex& index, int role) const {
    const TDirNode* node = NodeAt(index);
    if (!node)
        return {};
    if (role == Qt::DisplayRole)
        return ShownName(node->Caption);
    if (role == Qt::FontRole) {
        const QVariant font = ShownNameFont(node->Caption);
        if (!node->Changed)
            return font;
        QFont bold = font.isValid() ? font.value<QFont>() : QFont();
        bold.setBold(true);
        return bold;
    }
    if (role == Qt::DecorationRole)
        return FolderIcon(node == FSelected ? 0 : node->ImageIndex);
    return {};
}

void TDirectoryTreeModel::MarkChanged(const std::vector<const TDirNode*>& nodes) {
    for (const TDirNode* node : nodes)
        for (auto* n = const_cast<TDirNode*>(node); n && !n->Changed; n = n->Parent) {
            n->Changed = true;
            FChanged.push_back(n);
            const QModelIndex at = IndexOf(n);
            emit dataChanged(at, at, {Qt::FontRole});
        }
}

void TDirectoryTreeModel::ClearChanged() {
    for (TDirNode* node : FChanged) {
        node->Changed = false;
        const QModelIndex at = IndexOf(node);
        emit dataChanged(at, at, {Qt::FontRole});
    }
    FChanged.clear();
}

Qt::ItemFlags TDirectoryTreeModel::flags(const QModelIndex& index) const {
    // A folder may be dragged out of the tree, to a file manager or the desktop.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled
                           : Qt::NoItemFlags;
}
