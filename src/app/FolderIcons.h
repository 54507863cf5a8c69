#pragma once

#include <QIcon>

// The tree's two 16 x 16 folder glyphs: index 0 an open folder, index 1 a closed one.
QIcon FolderIcon(int imageIndex);
