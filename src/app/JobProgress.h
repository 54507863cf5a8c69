#pragma once

#include <algorithm>
#include <cstdint>

// How far a multi-file job of the window has come, read by the window whenever it likes.
struct TJobProgress {
    int32_t Current = -1; // the entry begun last
    int Position = 0;     // files begun, plus after a cancel one step per remaining list
    int64_t Done = 0;     // files finished, whatever came of them
    uint64_t Bytes = 0;   // content bytes so far, also of files not yet complete
};

// Sizes an archive declares may lie: their sum stops at the largest number rather than wrap
// around.
inline uint64_t AddSize(uint64_t sum, uint64_t size) {
    return sum + std::min(size, UINT64_MAX - sum);
}
