#include "BufferBudget.h"

bool TBufferBudget::TryTake(uint64_t bytes) {
    std::lock_guard lock(FMutex);
    if (!Fits(bytes))
        return false;
    FUsed += bytes;
    return true;
}

void TBufferBudget::Take(uint64_t bytes) {
    std::unique_lock lock(FMutex);
    if (!Fits(bytes)) {
        ++FWaiting;
        lock.unlock();
        if (OnWanted)
            OnWanted();
        lock.lock();
        FFreed.wait(lock, [&] { return Fits(bytes); });
        --FWaiting;
    }
    FUsed += bytes;
}

bool TBufferBudget::Wanted() const {
    std::lock_guard lock(FMutex);
    return FWaiting > 0;
}

void TBufferBudget::Give(uint64_t bytes) {
    {
        std::lock_guard lock(FMutex);
        FUsed -= bytes;
    }
    FFreed.notify_all();
}
