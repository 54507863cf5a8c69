#include "Progress.h"

#include "Console.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

} // namespace

TProgressLine::TProgressLine(int64_t totalFiles, uint64_t totalBytes)
    : FEnabled(IsTerminal(stderr))
    , FTotalFiles(totalFiles)
    , FTotalBytes(totalBytes)
    , FStart(std::chrono::steady_clock::now())
    , FLastDraw(FStart) {}

TProgressLine::~TProgressLine() {
    Clear();
}

double TProgressLine::Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count();
}

void TProgressLine::Update(int64_t files, uint64_t bytes) {
    if (!FEnabled)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - FLastDraw < kRedrawInterval)
        return;
    FLastDraw = now;
    Draw(files, bytes);
}

void TProgressLine::Draw(int64_t files, uint64_t bytes) {
    const double seconds = Seconds();
    const double rate = seconds > 0 ? static_cast<double>(bytes) / 1e6 / seconds : 0.0;
    const double share =
        FTotalBytes > 0
            ? std::min(1.0, static_cast<double>(bytes) / static_cast<double>(FTotalBytes))
            : 0.0;
    std::fprintf(stderr, "\r\033[K%3.0f %%  %lld/%lld Dateien  %.1f MB/s", share * 100,
                 static_cast<long long>(files), static_cast<long long>(FTotalFiles), rate);
    if (share > 0.01) {
        const auto left = static_cast<long long>(seconds * (1 - share) / share);
        std::fprintf(stderr, "  noch %lld:%02lld", left / 60, left % 60);
    }
    std::fflush(stderr);
    FVisible = true;
}

void TProgressLine::Clear() {
    if (!FVisible)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    FVisible = false;
}
