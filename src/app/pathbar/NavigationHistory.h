#pragma once

#include <cstddef>
#include <deque>

struct TDirNode;

// The folders visited in the list, for "Zurück" and "Vor" as in a web browser: visiting a
// folder forgets the ones ahead. It refers to the tree's nodes without owning them, so it is
// cleared before the tree goes. Only the latest kLimit steps back are kept.
class TNavigationHistory {
public:
    static constexpr std::size_t kLimit = 100;

    const TDirNode* Current() const { return FCurrent; }
    bool CanGoBack() const { return !FBack.empty(); }
    bool CanGoForward() const { return !FForward.empty(); }

    // node is now shown; the same folder again is no step.
    void Visit(const TDirNode* node);
    // One step back or ahead: the folder to show, or null when there is none.
    const TDirNode* GoBack();
    const TDirNode* GoForward();
    void Clear();

private:
    const TDirNode* FCurrent = nullptr;
    std::deque<const TDirNode*> FBack;    // the latest at the end
    std::deque<const TDirNode*> FForward; // the nearest at the end
};
