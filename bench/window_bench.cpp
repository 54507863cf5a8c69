// Measures the window offscreen on a big archive: how long until the tree is shown and the
// root's list is ready, the longest stretch in which the window handled no events, and the peak
// memory. With --extract DEST it also times "Alle Dateien..." into DEST, with --single FILE
// "Gewählte Datei..." of the root list's first file into FILE. With --find TEXT it types TEXT
// into the find one character at a time and times each keystroke until its hits are shown (with
// --order CAPTION the list is sorted by that column first, as a click on its header does); with
// --sort it then times sorting the list shown (the hits, or the largest folder) by each column.
// With --preview NAME it opens the preview of the root's file NAME --runs times (default 15),
// each time afresh, and times it from "Vorschau" until the preview is painted: the median wall
// time and CPU time (user and system, every thread), and the first opening apart (it loads the
// image plugins).
#include "DirectoryTreeModel.h"
#include "FilePane.h"
#include "FolderPane.h"
#include "Main.h"
#include "PBFolderDialog.h"
#include "PreviewDialog.h"
#include "Prompts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sys/resource.h>

namespace {

// Answers every question silently; a benchmark has nobody to ask.
class TSilentPrompts : public TPrompts {
public:
    QString Destination;
    QString SaveAs;

    QString AskOpenFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString AskSaveFileName(QWidget*, const QString&, const QString&) override { return SaveAs; }
    bool AskFolder(TPBFolderDialog& chooser) override {
        chooser.SetFolder(Destination);
        return !Destination.isEmpty();
    }
    void ShowMessage(QWidget*, const QString& text, TIcon) override {
        std::fprintf(stderr, "Meldung: %s\n", qPrintable(text));
    }
    int AskChoice(QWidget*, const QString&, TIcon, const QStringList&) override { return 0; }
    void ShowList(QWidget*, const QString& text, const QStringList& items, TIcon) override {
        std::fprintf(stderr, "Meldung: %s (%lld Einträge)\n", qPrintable(text),
                     static_cast<long long>(items.size()));
    }
};

double CpuMilliseconds(const timeval& time) {
    return time.tv_sec * 1e3 + time.tv_usec / 1e3;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Opens the preview of the root list's file name runs times; prints the figures.
bool MeasurePreview(TfrmMain& window, const QString& name, int runs) {
    const TDirectoryTreeModel& tree = window.DirectoryModel();
    window.Folders().tvDirectories()->setCurrentIndex(tree.IndexOf(tree.Root()));
    const QAbstractItemModel* list = window.Files().lvFiles()->model();
    const QModelIndexList found =
        list->match(list->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    window.Files().lvFiles()->setCurrentIndex(found.first());
    TPreviewDialog& preview = window.Preview();
    std::vector<double> wall, user, system;
    for (int run = 0; run < runs; ++run) {
        preview.Forget(); // nothing kept from the run before
        QApplication::processEvents();
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        QElapsedTimer clock;
        clock.start();
        window.PreviewCommand();
        while (!preview.Shown())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        preview.repaint();
        wall.push_back(clock.nsecsElapsed() / 1e6);
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        user.push_back(CpuMilliseconds(after.ru_utime) - CpuMilliseconds(before.ru_utime));
        system.push_back(CpuMilliseconds(after.ru_stime) - CpuMilliseconds(before.ru_stime));
    }
    const double first = wall.front();
    if (runs > 1) {
        wall.erase(wall.begin());
        user.erase(user.begin());
        system.erase(system.begin());
    }
    std::printf("preview_ms=%.1f user_ms=%.1f sys_ms=%.1f first_ms=%.1f runs=%d (%s)\n",
                Median(wall), Median(user), Median(system), first, runs, qPrintable(name));
    return true;
}

long PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// Runs command and the window's event loop until the window is idle again. Returns the time it
// took and, in longestGap, the longest stretch between two ticks of a 10 ms timer: how long the
// window went without handling events.
qint64 Measure(TfrmMain& window, const std::function<void()>& command, qint64& longestGap,
               std::function<bool()> working = nullptr) {
    QElapsedTimer gapClock;
    longestGap = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, gapClock.restart()); });
    QElapsedTimer clock;
    clock.start();
    gapClock.start();
    ticker.start();
    command();
    if (!working)
        working = [&] { return window.Busy(); };
    while (working())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    longestGap = std::max(longestGap, gapClock.elapsed());
    return clock.elapsed();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "Aufruf: bench_window ARCHIV [--extract ZIELORDNER] "
                             "[--single ZIELDATEI] [--find TEXT [--order SPALTE]] [--sort] "
                             "[--preview NAME [--runs N]]\n");
        return 2;
    }
    const QString archive = QString::fromLocal8Bit(argv[1]);
    TSilentPrompts prompts;
    QString findText;
    QString findOrder;
    bool sort = false;
    QString previewName;
    int previewRuns = 15;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sort") == 0)
            sort = true;
        else if (i + 1 >= argc)
            break;
        else if (std::strcmp(argv[i], "--extract") == 0)
            prompts.Destination = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--single") == 0)
            prompts.SaveAs = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--find") == 0)
            findText = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--order") == 0)
            findOrder = QString::fromUtf8(argv[++i]);
        else if (std::strcmp(argv[i], "--preview") == 0)
            previewName = QString::fromUtf8(argv[++i]);
        else if (std::strcmp(argv[i], "--runs") == 0)
            previewRuns = std::max(1, std::atoi(argv[++i]));
    }
    TfrmMain window(prompts);
    window.show();
    QApplication::processEvents();
    const long baseMegabytes = PeakMegabytes();

    qint64 gap = 0;
    const qint64 loadMs = Measure(
        window, [&] { window.OpenArchiveCommand(archive); }, gap);
    if (!window.ArchiveOpen())
        return 1;
    std::printf("load_ms=%lld longest_event_gap_ms=%lld peak_mb=%ld base_mb=%ld\n",
                static_cast<long long>(loadMs), static_cast<long long>(gap), PeakMegabytes(),
                baseMegabytes);

    if (!prompts.Destination.isEmpty()) {
        const qint64 ms = Measure(
            window, [&] { window.ExtractAllFilesCommand(); }, gap);
        std::printf("extract_ms=%lld longest_event_gap_ms=%lld peak_mb=%ld\n",
                    static_cast<long long>(ms), static_cast<long long>(gap), PeakMegabytes());
    }
    if (!findText.isEmpty()) {
        if (!findOrder.isEmpty()) {
            const QAbstractItemModel* list = window.Files().lvFiles()->model();
            for (int column = 0; column < list->columnCount(); ++column)
                if (list->headerData(column, Qt::Horizontal).toString() == findOrder)
                    window.SortCommand(column);
        }
        qint64 openGap = 0;
        const qint64 openMs = Measure(
            window, [&] { window.FindCommand(); }, openGap);
        std::printf("open_find_ms=%lld longest_event_gap_ms=%lld\n", static_cast<long long>(openMs),
                    static_cast<long long>(openGap));
        QString typed;
        for (const QChar c : findText) {
            typed += c;
            qint64 keyGap = 0;
            int hits = -1;
            QMetaObject::Connection done = QObject::connect(&window, &TfrmMain::FindFinished,
                                                            [&](int count) { hits = count; });
            const qint64 ms = Measure(
                window, [&] { window.SetFindText(typed); }, keyGap, [&] { return hits < 0; });
            QObject::disconnect(done);
            std::printf("find_ms=%lld text=%s hits=%d longest_event_gap_ms=%lld\n",
                        static_cast<long long>(ms), qPrintable(typed), hits,
                        static_cast<long long>(keyGap));
        }
    }
    if (sort) {
        if (!window.FindOpen()) {
            // The folder with the most files.
            const TDirNode* largest = nullptr;
            std::vector<const TDirNode*> pending{window.DirectoryModel().Root()};
            while (!pending.empty()) {
                const TDirNode* node = pending.back();
                pending.pop_back();
                if (node->Files && (!largest || node->Files->Count() > largest->Files->Count()))
                    largest = node;
                for (const auto& child : node->Children)
                    pending.push_back(child.get());
            }
            window.Folders().tvDirectories()->setCurrentIndex(
                window.DirectoryModel().IndexOf(largest));
        }
        for (int column = 0; column < window.Files().lvFiles()->model()->columnCount(); ++column) {
            const QString caption =
                window.Files().lvFiles()->model()->headerData(column, Qt::Horizontal).toString();
            for (const char* order : {"auf", "ab"}) {
                QElapsedTimer clock;
                clock.start();
                window.SortCommand(column);
                std::printf("sort_ms=%lld rows=%d column=%s order=%s\n",
                            static_cast<long long>(clock.elapsed()),
                            window.Files().lvFiles()->model()->rowCount(), qPrintable(caption),
                            order);
            }
        }
    }
    if (!prompts.SaveAs.isEmpty()) {
        // The first directory that holds files, and its first file.
        std::vector<const TDirNode*> pending{window.DirectoryModel().Root()};
        while (!pending.empty() && !pending.back()->Files) {
            const TDirNode* node = pending.back();
            pending.pop_back();
            for (const auto& child : node->Children)
                pending.push_back(child.get());
        }
        if (pending.empty())
            return 1;
        window.Folders().tvDirectories()->setCurrentIndex(
            window.DirectoryModel().IndexOf(pending.back()));
        window.Files().lvFiles()->setCurrentIndex(window.Files().lvFiles()->model()->index(0, 0));
        const qint64 ms = Measure(
            window, [&] { window.ExtractSelectedFileCommand(); }, gap);
        std::printf("single_ms=%lld longest_event_gap_ms=%lld peak_mb=%ld\n",
                    static_cast<long long>(ms), static_cast<long long>(gap), PeakMegabytes());
    }
    if (!previewName.isEmpty() && !MeasurePreview(window, previewName, previewRuns))
        return 1;
    return 0;
}
