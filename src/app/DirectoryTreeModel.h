#pragma once

#include "FileListModel.h"

#include <QAbstractItemModel>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One directory of the loaded archive. Its position below the root spells its archive path.
struct TDirNode {
    std::string Text; // the path component as stored (Windows-1252); empty for the root
    QString Caption;  // what the tree shows: the component, or the archive's file name
    TDirNode* Parent = nullptr;
    int Row = 0; // position among the parent's children
    std::vector<std::unique_ptr<TDirNode>> Children;
    std::unique_ptr<TFileListModel> Files; // the directory's file list; null when it holds none
    int32_t FirstFile = 0; // where its files begin in the tree's order (see TArchiveLoad)
    int32_t FileCount = 0;
    int ImageIndex = 0;   // glyph when not selected: 0 open folder, 1 closed folder
    bool Changed = false; // a comparison found changes at or below it (shown in bold)

    TDirNode() = default;
    // Takes the nodes below apart one by one: an archive path may nest deeper than the call stack.
    ~TDirNode();
    TDirNode(const TDirNode&) = delete;
    TDirNode& operator=(const TDirNode&) = delete;

    // The first child whose text equals text exactly (byte for byte), or null.
    TDirNode* FindChildByText(std::string_view text) const;
    TDirNode* AddChild(std::string_view text);
    // The node below this one of the directory an entry's path lies in (its components before
    // the last "/"), or null.
    const TDirNode* FindDirectoryOf(std::string_view path) const;
    // The node below this one that a path of captions ("a/b") names, or null.
    const TDirNode* FindCaptionPath(const QString& path) const;
    // Puts the children of this node and of every node below it in caption order.
    void SortChildren();
};

// The directory tree shown by the window. A load builds a whole tree apart and installs it at
// once, so the view never sees a half-built tree.
class TDirectoryTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    using QAbstractItemModel::QAbstractItemModel;
    ~TDirectoryTreeModel() override;

    void Install(std::unique_ptr<TDirNode> root);
    // Removes every node together with the file lists attached to them.
    void Clear();
    TDirNode* Root() const { return FRoot.get(); }

    TDirNode* NodeAt(const QModelIndex& index) const;
    QModelIndex IndexOf(const TDirNode* node) const;
    void SetImageIndex(TDirNode* node, int imageIndex);
    // The selected node always shows the open folder.
    void SetSelectedNode(TDirNode* node);
    TDirNode* SelectedNode() const { return FSelected; }
    // Marks nodes and the folders above them as holding changes (shown in bold), until
    // ClearChanged.
    void MarkChanged(const std::vector<const TDirNode*>& nodes);
    void ClearChanged();

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::unique_ptr<TDirNode> FRoot;
    TDirNode* FSelected = nullptr;
    std::vector<TDirNode*> FChanged;
};
