#include "Progress.h"

#include <cstdio>
#include <unistd.h>

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

double Megabytes(uint64_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

} // namespace

TProgressLine::TProgressLine(int64_t totalFiles)
    : FEnabled(::isatty(STDERR_FILENO) == 1)
    , FTotal(totalFiles)
    , FStart(std::chrono::steady_clock::now())
    , FLastDraw(FStart) {}

TProgressLine::~TProgressLine() {
    Clear();
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
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count();
    const double rate = seconds > 0 ? Megabytes(bytes) / seconds : 0.0;
    std::fprintf(stderr, "\r\033[K%lld/%lld Dateien, %.1f MiB, %.1f MiB/s",
                 static_cast<long long>(files), static_cast<long long>(FTotal), Megabytes(bytes),
                 rate);
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
