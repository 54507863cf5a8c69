#include "FolderButtonGeometry.h"

#include <algorithm>

QRect NewFolderButtonRect(int dpi, int clientHeight, int captionBarHeight) {
    switch (dpi) {
    case 72:
    case 96:
        return {12, clientHeight - 36, 75, 23};
    case 120:
        return {15, clientHeight - 45, 93, 28};
    case 144:
        return {17, clientHeight - 56, 112, 35};
    case 192:
        return {20, clientHeight - 66, 150, 41};
    default:
        return {dpi * 12 / 96, clientHeight - captionBarHeight - 17, dpi * 75 / 96, dpi * 23 / 96};
    }
}

int NewFolderButtonWidth(int dpi, int textWidth) {
    const int minimum = dpi == 72 ? 75 : dpi * 75 / 96;
    return std::max(textWidth + 12, minimum);
}
