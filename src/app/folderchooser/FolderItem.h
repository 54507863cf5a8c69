#pragma once

#include <QString>

// One item of the folder browser's tree: a folder on disk, or a virtual item (such as the
// computer node above the file system root) that has no file-system path, only a display name.
struct TFolderItem {
    // The folder's path as the browser shows it; empty for a virtual item.
    QString Path;
    // The name the tree shows for the item.
    QString DisplayName;
    // Index of the item's picture among the browser's images (see TFolderTreeModel).
    int ImageIndex = 0;

    bool IsVirtual() const { return Path.isEmpty(); }
    // Items are the same when they name the same folder, or the same virtual node.
    bool operator==(const TFolderItem& other) const {
        return IsVirtual() ? other.IsVirtual() && DisplayName == other.DisplayName
                           : Path == other.Path;
    }
};
