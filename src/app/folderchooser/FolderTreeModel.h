#pragma once

#include "FolderItem.h"

#include <QAbstractItemModel>
#include <memory>
#include <optional>

// The folder browser's tree: folders are listed when they are first expanded, synchronously, so
// that the tree a dialog opens with is complete at once and tests see a fixed state.
//
// Without a root the tree holds the virtual computer node, with the file system root "/" below
// it, and the user's home folder as a quick entry. A root item makes that item the single top
// node: a folder on disk, or the computer node.
class TFolderTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // Picture of an item, also the image index the browser reports for a confirmed item.
    enum TImage { ImageFolder = 0, ImageComputer = 1, ImageDrive = 2, ImageHome = 3 };

    explicit TFolderTreeModel(const std::optional<TFolderItem>& root = std::nullopt,
                              QObject* parent = nullptr);
    ~TFolderTreeModel() override;

    // The virtual node above the file system root; it has no path.
    static TFolderItem ComputerItem();

    TFolderItem ItemAt(const QModelIndex& index) const;
    // The node of an item, listing the folders on the way to it; an invalid index when the
    // item is not in this tree (outside the root, or no longer on disk). Folders the listing
    // leaves out (hidden ones, ones created since) are added when they exist.
    QModelIndex IndexOf(const TFolderItem& item);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    struct TNode;

    TNode* NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOfNode(const TNode* node) const;
    TNode* AddChild(TNode* parent, TFolderItem item, bool loaded);
    void Load(TNode* node);
    TNode* FindFolder(const QString& path);

    std::unique_ptr<TNode> FRoot;
};
