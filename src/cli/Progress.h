#pragma once

#include <chrono>
#include <cstdint>

// A one-line progress display for long extractions, redrawn at most ten times a second. It
// draws only when stderr is a terminal, so scripts and logs never see it.
class TProgressLine {
public:
    explicit TProgressLine(int64_t totalFiles);
    ~TProgressLine();

    void Update(int64_t files, uint64_t bytes);
    // Removes the line so that a message can be printed on a clean line.
    void Clear();

private:
    void Draw(int64_t files, uint64_t bytes);

    bool FEnabled;
    bool FVisible = false;
    int64_t FTotal;
    std::chrono::steady_clock::time_point FStart;
    std::chrono::steady_clock::time_point FLastDraw;
};
