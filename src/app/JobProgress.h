#pragma once

#include <cstdint>

// How far a multi-file job of the window has come, read by the window whenever it likes.
struct TJobProgress {
    int32_t Current = -1; // the entry begun last
    int Position = 0;     // files begun, plus after a cancel one step per remaining list
    int64_t Done = 0;     // files finished, whatever came of them
    uint64_t Bytes = 0;   // content bytes so far, also of files not yet complete
};
