#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

// Bytes of buffers that the workers of one extraction may hold together, so that memory stays
// the same however many workers there are. A holder takes bytes before it allocates and gives
// them back when it frees; it never waits while it holds anything, so one holder can always go
// on, and when it runs out of work while someone waits (Wanted), it frees what it holds. A
// request larger than the whole budget is granted once nobody else holds anything.
class TBufferBudget {
public:
    explicit TBufferBudget(uint64_t bytes)
        : FLimit(bytes) {}

    // Takes bytes if they fit now.
    bool TryTake(uint64_t bytes);
    // Takes bytes, waiting until they fit; only for a caller that holds nothing.
    void Take(uint64_t bytes);
    void Give(uint64_t bytes);
    // Someone waits in Take.
    bool Wanted() const;

    // Called (without the budget's lock) when Take begins to wait, to wake idle holders.
    std::function<void()> OnWanted;

private:
    bool Fits(uint64_t bytes) const {
        return FUsed == 0 || (FUsed <= FLimit && bytes <= FLimit - FUsed);
    }

    const uint64_t FLimit;
    mutable std::mutex FMutex;
    std::condition_variable FFreed;
    uint64_t FUsed = 0;
    int FWaiting = 0;
};
