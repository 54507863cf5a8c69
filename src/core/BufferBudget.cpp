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
    FFreed.wait(lock, [&] { return Fits(bytes); });
    FUsed += bytes;
}

void TBufferBudget::Give(uint64_t bytes) {
    {
        std::lock_guard lock(FMutex);
        FUsed -= bytes;
    }
    FFreed.notify_all();
}
