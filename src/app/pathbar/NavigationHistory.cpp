#include "NavigationHistory.h"

void TNavigationHistory::Visit(const TDirNode* node) {
    if (node == FCurrent)
        return;
    if (FCurrent) {
        FBack.push_back(FCurrent);
        if (FBack.size() > kLimit)
            FBack.pop_front();
    }
    FCurrent = node;
    FForward.clear();
}

const TDirNode* TNavigationHistory::GoBack() {
    if (FBack.empty())
        return nullptr;
    FForward.push_back(FCurrent);
    FCurrent = FBack.back();
    FBack.pop_back();
    return FCurrent;
}

const TDirNode* TNavigationHistory::GoForward() {
    if (FForward.empty())
        return nullptr;
    FBack.push_back(FCurrent);
    FCurrent = FForward.back();
    FForward.pop_back();
    return FCurrent;
}

void TNavigationHistory::Clear() {
    FCurrent = nullptr;
    FBack.clear();
    FForward.clear();
}
