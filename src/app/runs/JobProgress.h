#pragma once

#include <algorithm>
#include <cstdint>

// How far a multi-file job of the window has come, read by the window whenever it likes.
struct TJobProgress {
    int32_t Current = -1; // the entry begun last
    int Position = 0;     // files begun, plus after a cancel one step per remaining list
    int64_t Done = 0;     // files finished, whatever came of them
    uint64_t Bytes = 0;   // content bytes so far, also of files not yet complete
    uint64_t Read = 0;    // stored bytes read from the archive so far
};

// The stored bytes a run reads at most for entry index: none for one whose data lie past the
// archive's end. Unlike the content sizes entries declare, these are bounded by the archive.
template <class Reader> uint64_t StoredToRead(const Reader& reader, int32_t index) {
    return reader.EntryDataInFile(index) ? reader.EntryStoredSize(index) : 0;
}

// Sizes an archive declares may lie: their sum stops at the largest number rather than wrap
// around.
inline uint64_t AddSize(uint64_t sum, uint64_t size) {
    return sum + std::min(size, UINT64_MAX - sum);
}
