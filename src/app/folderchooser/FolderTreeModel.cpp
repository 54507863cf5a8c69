#include "FolderTreeModel.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QIcon>
#include <QStyle>
#include <vector>

struct TFolderTreeModel::TNode {
    TFolderItem Item;
    TNode* Parent = nullptr;
    int Row = 0;
    // The folder has been listed (virtual nodes are filled when they are made).
    bool Loaded = false;
    std::vector<std::unique_ptr<TNode>> Children;
};

namespace {

QString JoinPath(const QString& folder, const QString& name) {
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

TFolderItem FolderItemFor(const QString& path, int image = TFolderTreeModel::ImageFolder) {
    const QString name = QFileInfo(path).fileName();
    return {path, name.isEmpty() ? path : name, image};
}

// Whether a folder has a subfolder, without listing it all; the tree shows an expander for it.
bool HasSubfolder(const QString& path) {
    QDirIterator it(path, QDir::Dirs | QDir::NoDotAndDotDot);
    return it.hasNext();
}

// Whether path is folder itself or lies below it.
bool IsAtOrBelow(const QString& path, const QString& folder) {
    if (path == folder)
        return true;
    return path.startsWith(folder.endsWith(u'/') ? folder : folder + u'/');
}

} // namespace

TFolderTreeModel::TFolderTreeModel(const std::optional<TFolderItem>& root, QObject* parent)
    : QAbstractItemModel(parent)
    , FRoot(std::make_unique<TNode>()) {
    FRoot->Loaded = true;
    const auto addComputer = [this] {
        TNode* computer = AddChild(FRoot.get(), ComputerItem(), true);
        AddChild(computer, {QStringLiteral("/"), QStringLiteral("/"), ImageDrive}, false);
    };
    if (!root) {
        addComputer();
        AddChild(FRoot.get(), {QDir::homePath(), QStringLiteral("Persönlicher Ordner"), ImageHome},
                 false);
    } else if (root->IsVirtual()) {
        addComputer();
    } else {
        AddChild(FRoot.get(), FolderItemFor(QDir::cleanPath(root->Path)), false);
    }
}

TFolderTreeModel::~TFolderTreeModel() = default;

TFolderItem TFolderTreeModel::ComputerItem() {
    return {QString(), QStringLiteral("Computer"), ImageComputer};
}

TFolderTreeModel::TNode* TFolderTreeModel::NodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<TNode*>(index.internalPointer()) : FRoot.get();
}

QModelIndex TFolderTreeModel::IndexOfNode(const TNode* node) const {
    if (node == nullptr || node == FRoot.get())
        return {};
    return createIndex(node->Row, 0, const_cast<TNode*>(node));
}

TFolderTreeModel::TNode* TFolderTreeModel::AddChild(TNode* parent, TFolderItem item, bool loaded) {
    auto node = std::make_unique<TNode>();
    node->Item = std::move(item);
    node->Parent = parent;
    node->Row = static_cast<int>(parent->Children.size());
    node->Loaded = loaded;
    parent->Children.push_back(std::move(node));
    return parent->Children.back().get();
}

TFolderItem TFolderTreeModel::ItemAt(const QModelIndex& index) const {
    return index.isValid() ? NodeOf(index)->Item : TFolderItem{};
}

QModelIndex TFolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
    const TNode* node = NodeOf(parent);
    if (column != 0 || row < 0 || row >= static_cast<int>(node->Children.size()))
        return {};
    return createIndex(row, 0, node->Children[static_cast<size_t>(row)].get());
}

QModelIndex TFolderTreeModel::parent(const QModelIndex& child) const {
    return child.isValid() ? IndexOfNode(NodeOf(child)->Parent) : QModelIndex();
}

int TFolderTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0)
        return 0;
    return static_cast<int>(NodeOf(parent)->Children.size());
}

int TFolderTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant TFolderTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const TFolderItem& item = NodeOf(index)->Item;
    if (role == Qt::DisplayRole)
        return item.DisplayName;
    if (role == Qt::ToolTipRole)
        return item.IsVirtual() ? item.DisplayName : item.Path;
    if (role == Qt::DecorationRole) {
        static constexpr QStyle::StandardPixmap pictures[] = {
            QStyle::SP_DirIcon, QStyle::SP_ComputerIcon, QStyle::SP_DriveHDIcon,
            QStyle::SP_DirHomeIcon};
        return QApplication::style()->standardIcon(pictures[item.ImageIndex]);
    }
    return {};
}

bool TFolderTreeModel::hasChildren(const QModelIndex& parent) const {
    if (parent.column() > 0)
        return false;
    const TNode* node = NodeOf(parent);
    if (node->Loaded)
        return !node->Children.empty();
    return HasSubfolder(node->Item.Path);
}

bool TFolderTreeModel::canFetchMore(const QModelIndex& parent) const {
    return parent.column() <= 0 && !NodeOf(parent)->Loaded;
}

void TFolderTreeModel::fetchMore(const QModelIndex& parent) {
    if (parent.column() <= 0)
        Load(NodeOf(parent));
}

void TFolderTreeModel::Load(TNode* node) {
    if (node->Loaded)
        return;
    node->Loaded = true;
    const QStringList names = QDir(node->Item.Path)
                                  .entryList(QDir::Dirs | QDir::NoDotAndDotDot,
                                             QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    if (names.isEmpty())
        return;
    const QModelIndex parent = IndexOfNode(node);
    beginInsertRows(parent, 0, static_cast<int>(names.size()) - 1);
    for (const QString& name : names)
        AddChild(node, FolderItemFor(JoinPath(node->Item.Path, name)), false);
    endInsertRows();
}

QModelIndex TFolderTreeModel::IndexOf(const TFolderItem& item) {
    if (item.IsVirtual()) {
        for (const auto& top : FRoot->Children)
            if (top->Item == item)
                return IndexOfNode(top.get());
        return {};
    }
    return IndexOfNode(FindFolder(item.Path));
}

TFolderTreeModel::TNode* TFolderTreeModel::FindFolder(const QString& rawPath) {
    const QString path = QDir::cleanPath(QDir::fromNativeSeparators(rawPath));
    if (!QDir::isAbsolutePath(path))
        return nullptr;

    // The deepest folder node below a virtual one that holds the path: the home entry for
    // paths in the home folder, the file system root for the others.
    TNode* anchor = nullptr;
    std::vector<TNode*> pending{FRoot.get()};
    while (!pending.empty()) {
        TNode* node = pending.back();
        pending.pop_back();
        for (const auto& child : node->Children) {
            if (child->Item.IsVirtual())
                pending.push_back(child.get());
            else if (IsAtOrBelow(path, child->Item.Path) &&
                     (anchor == nullptr || child->Item.Path.size() > anchor->Item.Path.size()))
                anchor = child.get();
        }
    }
    if (anchor == nullptr)
        return nullptr;

    TNode* node = anchor;
    const QString rest = path.mid(anchor->Item.Path.size());
    for (const QString& name : rest.split(u'/', Qt::SkipEmptyParts)) {
        Load(node);
        TNode* next = nullptr;
        for (const auto& child : node->Children)
            if (child->Item.DisplayName == name)
                next = child.get();
        if (next == nullptr) {
            const QString childPath = JoinPath(node->Item.Path, name);
            if (!QFileInfo(childPath).isDir())
                return nullptr;
            const int row = static_cast<int>(node->Children.size());
            beginInsertRows(IndexOfNode(node), row, row);
            next = AddChild(node, FolderItemFor(childPath), false);
            endInsertRows();
        }
        node = next;
    }
    return node;
}
