#pragma once

#include <chrono>
#include <cstdint>

// A one-line progress display for long runs, redrawn at most ten times a second: percent by
// bytes, files, speed and the time left. It draws only when stderr is a terminal, so scripts
// and logs never see it.
class TProgressLine {
public:
    TProgressLine(int64_t totalFiles, uint64_t totalBytes);
    ~TProgressLine();

    void Update(int64_t files, uint64_t bytes);
    // Removes the line so that a message can be printed on a clean line.
    void Clear();
    double Seconds() const;

private:
    void Draw(int64_t files, uint64_t bytes);

    bool FEnabled;
    bool FVisible = false;
    int64_t FTotalFiles;
    uint64_t FTotalBytes;
    std::chrono::steady_clock::time_point FStart;
    std::chrono::steady_clock::time_point FLastDraw;
};
