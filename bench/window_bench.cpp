// Measures the window offscreen on a big archive: how long until the tree is shown and the
// root's list is ready, how long the longest stretch without event processing was, and the
// peak memory. With --extract DEST it also times "Alle Dateien..." into DEST.
#include "Main.h"
#include "PBFolderDialog.h"
#include "Prompts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeView>
#include <cstdio>
#include <sys/resource.h>

namespace {

// Answers every question silently; a benchmark has nobody to ask.
class TSilentPrompts : public TPrompts {
public:
    QString Destination;

    QString AskOpenFileName(QWidget*, const QString&) override { return {}; }
    QString AskSaveFileName(QWidget*, const QString&) override { return {}; }
    bool AskFolder(TPBFolderDialog& chooser) override {
        chooser.SetFolder(Destination);
        return !Destination.isEmpty();
    }
    void ShowMessage(QWidget*, const QString& text, TIcon) override {
        std::fprintf(stderr, "Meldung: %s\n", qPrintable(text));
    }
};

long PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "Aufruf: bench_window ARCHIV [ZIELORDNER]\n");
        return 2;
    }
    const QString archive = QString::fromLocal8Bit(argv[1]);

    TSilentPrompts prompts;
    if (argc > 2)
        prompts.Destination = QString::fromLocal8Bit(argv[2]);
    TfrmMain window(prompts);
    window.show();
    QApplication::processEvents();
    const long baseMegabytes = PeakMegabytes();

    // A timer that should tick every 10 ms: the longest gap between ticks is how long the
    // window went without handling events.
    QElapsedTimer gapClock;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, gapClock.restart()); });

    QElapsedTimer clock;
    clock.start();
    gapClock.start();
    ticker.start();
    window.OpenArchiveCommand(archive);
    const qint64 loadMs = clock.elapsed();
    ticker.stop();
    if (!window.ArchiveOpen() || window.lvFiles->model()->rowCount() < 0)
        return 1;

    std::printf("load_ms=%lld longest_event_gap_ms=%lld peak_mb=%ld base_mb=%ld\n",
                static_cast<long long>(loadMs), static_cast<long long>(longestGap), PeakMegabytes(),
                baseMegabytes);
    if (prompts.Destination.isEmpty())
        return 0;

    longestGap = 0;
    clock.restart();
    gapClock.restart();
    ticker.start();
    window.ExtractAllFilesCommand();
    const qint64 extractMs = clock.elapsed();
    ticker.stop();
    std::printf("extract_ms=%lld longest_event_gap_ms=%lld peak_mb=%ld\n",
                static_cast<long long>(extractMs), static_cast<long long>(longestGap),
                PeakMegabytes());
    return 0;
}
