#pragma once

#include <QIcon>

// The tree's two folder glyphs, 16 x 16 and drawn sharp at every device pixel ratio: index 0
// an open folder, index 1 a closed one.
QIcon FolderIcon(int imageIndex);
