// Measures the thumbnail grid offscreen on a folder of pictures (build/bench/gen_thumbnail_pak):
// from "Miniaturen" until the grid is first painted and until every thumbnail of the first
// screen is shown; then it scrolls through the folder a screen every 16 ms, as a flung wheel
// does, to its end and waits for the last screen's thumbnails. Prints those times, the longest
// stretch in which the window's thread handled no events (ticks of a 10 ms timer), the peak
// memory and the process's CPU time (user and system, every thread).
//   bench_thumbnails ARCHIV [ORDNER]     default "texturen"
#include "DirectoryTreeModel.h"
#include "FilePane.h"
#include "FolderPane.h"
#include "Main.h"
#include "PBFolderDialog.h"
#include "Prompts.h"
#include "ThumbnailView.h"
#include "Thumbnails.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>
#include <cstdio>
#include <sys/resource.h>

namespace {

class TSilentPrompts : public TPrompts {
public:
    QString AskOpenFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString AskSaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
    bool AskFolder(TPBFolderDialog&) override { return false; }
    void ShowMessage(QWidget*, const QString& text, TIcon) override {
        std::fprintf(stderr, "Meldung: %s\n", qPrintable(text));
    }
    int AskChoice(QWidget*, const QString&, TIcon, const QStringList&) override { return 0; }
    void ShowList(QWidget*, const QString& text, const QStringList&, TIcon) override {
        std::fprintf(stderr, "Meldung: %s\n", qPrintable(text));
    }
};

double CpuMilliseconds(const timeval& time) {
    return time.tv_sec * 1e3 + time.tv_usec / 1e3;
}

// Every picture the grid painted last has its thumbnail.
bool ScreenComplete(TThumbnails& thumbnails, TfrmMain& window) {
    const TThumbnailView* view = thumbnails.lvThumbnails();
    if (view->FirstPainted() < 0)
        return false;
    const auto* list = qobject_cast<const TFileListModel*>(view->model());
    for (int row = view->FirstPainted(); row <= view->LastPainted(); ++row) {
        const int32_t entry = list->EntryAt(row);
        if (TThumbnails::IsPictureName(window.Reader().EntryName(entry)) &&
            !thumbnails.Cache().Contains(entry))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "Aufruf: bench_thumbnails ARCHIV [ORDNER]\n");
        return 2;
    }
    TSilentPrompts prompts;
    TfrmMain window(prompts);
    window.resize(1024, 768);
    window.show();
    window.OpenArchiveCommand(QString::fromLocal8Bit(argv[1]));
    while (window.Busy())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!window.ArchiveOpen())
        return 1;
    const TDirNode* folder = window.DirectoryModel().Root()->FindCaptionPath(
        argc > 2 ? QString::fromUtf8(argv[2]) : QStringLiteral("texturen"));
    if (!folder)
        return 1;
    window.Folders().tvDirectories()->setCurrentIndex(window.DirectoryModel().IndexOf(folder));
    QApplication::processEvents();
    TThumbnails& thumbnails = window.Thumbnails();
    TThumbnailView* view = thumbnails.lvThumbnails();

    QElapsedTimer gapClock;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, gapClock.restart()); });
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    QElapsedTimer clock;
    clock.start();
    gapClock.start();
    ticker.start();

    thumbnails.Show(true);
    while (view->FirstPainted() < 0)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 firstPaint = clock.elapsed();
    while (!ScreenComplete(thumbnails, window))
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    view->viewport()->repaint();
    const qint64 firstScreen = clock.elapsed();
    const int shown = view->LastPainted() - view->FirstPainted() + 1;

    // Through the folder, a screen a frame.
    QScrollBar* bar = view->verticalScrollBar();
    clock.restart();
    QTimer scroller;
    scroller.setInterval(16);
    QObject::connect(&scroller, &QTimer::timeout, [&] {
        bar->setValue(std::min(bar->maximum(), bar->value() + view->viewport()->height()));
        if (bar->value() == bar->maximum())
            scroller.stop();
    });
    scroller.start();
    while (scroller.isActive() || !ScreenComplete(thumbnails, window) ||
           view->LastPainted() < view->model()->rowCount() - 1)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    view->viewport()->repaint();
    const qint64 scroll = clock.elapsed();
    longestGap = std::max(longestGap, gapClock.elapsed());
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    std::printf("first_paint_ms=%lld first_screen_ms=%lld shown=%d scroll_ms=%lld "
                "longest_event_gap_ms=%lld peak_mb=%ld user_ms=%.0f sys_ms=%.0f decoded=%d "
                "cache_mb=%.1f rows=%d\n",
                static_cast<long long>(firstPaint), static_cast<long long>(firstScreen), shown,
                static_cast<long long>(scroll), static_cast<long long>(longestGap),
                after.ru_maxrss / 1024,
                CpuMilliseconds(after.ru_utime) - CpuMilliseconds(before.ru_utime),
                CpuMilliseconds(after.ru_stime) - CpuMilliseconds(before.ru_stime),
                thumbnails.DecodedCount(), thumbnails.Cache().Bytes() / 1048576.0,
                view->model()->rowCount());
    return 0;
}
