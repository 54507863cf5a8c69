// Renders the window offscreen with an archive loaded and one directory selected, and saves it
// as a PNG: README's pictures of the program, made from the program itself. With DATEI, that
// file of the directory is shown in the preview, which lies over the window's lower right; with
// --suchen, the hits of a find for TEXT take the directory's place; with --oeffnen, the window's
// open dialog (Qt's own, in German) lies over it, in the archive's folder.
// With --vergleichen, the changes since the older archive ALT take the directory's place; with
// --angedockt, the preview of DATEI is docked beside the list; with --miniaturen, the
// directory's files are shown as thumbnails; with --lesbar, the sizes are shown in units and the
// first three files selected. With --dunkel first, the window is in the colour scheme "Dunkel".
//   varnholm-screenshot [--dunkel] ARCHIV AUSGABE.png
//       [VERZEICHNIS [DATEI | --suchen TEXT | --oeffnen | --vergleichen ALT | --angedockt DATEI
//        | --miniaturen | --lesbar]]
#include "ColorScheme.h"
#include "DirectoryTreeModel.h"
#include "FilePane.h"
#include "FolderPane.h"
#include "Main.h"
#include "PreviewDialog.h"
#include "Prompts.h"
#include "QtGerman.h"
#include "ThumbnailView.h"
#include "Thumbnails.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

// Answers no question but the open dialog: the first time with the archive to show, so that
// the dialog starts in its folder later, as it does for a user; after that it is the real one.
class TScreenshotPrompts : public TQtPrompts {
public:
    QString Archive;

    QString AskOpenFileName(QWidget* parent, const QString& filter,
                            const QString& folder) override {
        if (!Archive.isEmpty())
            return std::exchange(Archive, {});
        return TQtPrompts::AskOpenFileName(parent, filter, folder);
    }
    QString AskSaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
    bool AskFolder(TPBFolderDialog&) override { return false; }
    void ShowMessage(QWidget*, const QString& text, TIcon) override {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
    int AskChoice(QWidget*, const QString&, TIcon, const QStringList&) override { return 0; }
    void ShowList(QWidget*, const QString& text, const QStringList& items, TIcon) override {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(text), qPrintable(items.join('\n')));
    }
};

// The window with a dialog over its lower right corner, sticking out a little. Offscreen
// windows have no frames: each gets a thin one, the dialog also its caption and a soft shadow.
QImage Composed(const QPixmap& window, QWidget& dialog) {
    constexpr int kOut = 60;    // how far the dialog sticks out
    constexpr int kShadow = 10; // how far its shadow reaches
    const QPixmap inside = dialog.grab();
    const int captionHeight = dialog.fontMetrics().height() + 8;
    const QSize size(window.width() + kOut + kShadow, window.height() + kOut + kShadow);
    QImage picture(size * window.devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(window.devicePixelRatio());
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.drawPixmap(0, 0, window);
    painter.setPen(QColor(0, 0, 0, 110));
    painter.drawRect(QRect(QPoint(0, 0), window.size()).adjusted(0, 0, -1, -1));

    const QRect frame(window.width() + kOut - inside.width(),
                      window.height() + kOut - inside.height() - captionHeight, inside.width(),
                      inside.height() + captionHeight);
    for (int k = kShadow; k > 0; --k)
        painter.fillRect(frame.adjusted(-k / 2, -k / 2, k, k), QColor(0, 0, 0, 7));
    const QRect caption(frame.topLeft(), QSize(frame.width(), captionHeight));
    painter.fillRect(caption, dialog.palette().color(QPalette::Mid));
    painter.setPen(dialog.palette().color(QPalette::Text));
    painter.drawText(caption.adjusted(8, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                     dialog.windowTitle());
    painter.drawPixmap(frame.left(), frame.top() + captionHeight, inside);
    painter.setPen(QColor(0, 0, 0, 110));
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
    return picture;
}

// Runs the window's open command and, once its dialog lists the archive's folder, saves the
// dialog over the window with the archive chosen; then the dialog is cancelled.
bool SaveWithOpenDialog(TfrmMain& window, const QString& archive, const QString& output) {
    bool saved = false;
    const QDeadlineTimer deadline(5000); // a folder that never lists is shown as it is
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        // The dialog reads the folder on a thread of its own.
        const auto* files = dialog->findChild<QFileSystemModel*>();
        if (files && files->rowCount(files->index(dialog->directory().absolutePath())) == 0 &&
            !deadline.hasExpired())
            return;
        poll.stop();
        // The archive chosen as a user does, in the list, which fills in its name; the columns
        // fitted to it, which a user would do too, as the first widths cut size and date short.
        auto* list = dialog->findChild<QTreeView*>();
        if (files && list && list->model() == files) {
            list->setFocus();
            list->setCurrentIndex(files->index(QFileInfo(archive).absoluteFilePath()));
            list->header()->resizeSections(QHeaderView::ResizeToContents);
        }
        QApplication::processEvents();
        saved = Composed(window.grab(), *dialog).save(output);
        dialog->reject();
    });
    poll.start(20);
    window.OpenCommand();
    return saved;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A German desktop, whatever this one's: Qt's dialogs write dates and sizes in the system's
    // language (which needs no installed locale).
    qputenv("LC_ALL", "de_DE.UTF-8");
    int qtArgc = argc; // Qt keeps a reference to it; the options below are ours
    QApplication app(qtArgc, argv);
    const bool dark = argc > 1 && std::strcmp(argv[1], "--dunkel") == 0;
    if (dark) {
        --argc;
        ++argv;
    }
    if (argc < 3) {
        std::fprintf(stderr,
                     "Aufruf: varnholm-screenshot [--dunkel] ARCHIV AUSGABE.png "
                     "[VERZEICHNIS [DATEI | --suchen TEXT | --oeffnen | --vergleichen ALT | "
                     "--angedockt DATEI | --miniaturen | --lesbar]]\n");
        return 2;
    }
    InstallQtGermanTexts(app);
    const QString archive = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    const QByteArray option = argc > 4 ? argv[4] : "";
    // The picture must not add the archive to the user's own recent list.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    TScreenshotPrompts prompts;
    prompts.Archive = archive;
    TfrmMain window(prompts);
    if (dark)
        window.Scheme().Choose(TColorScheme::TChoice::Dark);
    window.show();
    window.OpenCommand();
    while (window.Busy())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!window.ArchiveOpen())
        return 1;
    if (argc > 3) {
        const TDirNode* root = window.DirectoryModel().Root();
        const TDirNode* node = root->FindCaptionPath(QString::fromUtf8(argv[3]));
        window.Folders().tvDirectories()->setCurrentIndex(
            window.DirectoryModel().IndexOf(node ? node : root));
    }
    const bool find = argc > 5 && option == "--suchen";
    if (find) {
        bool found = false;
        QObject::connect(&window, &TfrmMain::FindFinished, [&] { found = true; });
        window.FindCommand();
        window.SetFindText(QString::fromUtf8(argv[5]));
        while (!found)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (argc > 5 && option == "--vergleichen") {
        prompts.Archive = QString::fromLocal8Bit(argv[5]);
        window.CompareCommand();
        while (window.Busy())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QApplication::processEvents();
        return window.grab().save(output) ? 0 : 1;
    }
    if (option == "--miniaturen") {
        TThumbnails& thumbnails = window.Thumbnails();
        thumbnails.Show(true);
        const QDeadlineTimer deadline(10000);
        do
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        while ((thumbnails.lvThumbnails()->FirstPainted() < 0 || thumbnails.Busy()) &&
               !deadline.hasExpired());
        QApplication::processEvents();
        return window.grab().save(output) ? 0 : 1;
    }
    const bool docked = argc > 5 && option == "--angedockt";
    const bool readable = option == "--lesbar";
    window.Files().acReadableSizes()->setChecked(readable);
    const bool preview =
        argc > 4 && !find && option != "--oeffnen" && option != "--miniaturen" && !readable;
    const QAbstractItemModel* list = window.Files().lvFiles()->model();
    const QModelIndexList named =
        preview ? list->match(list->index(0, 0), Qt::DisplayRole,
                              QString::fromUtf8(argv[docked ? 5 : 4]), 1, Qt::MatchExactly)
                : QModelIndexList();
    window.Files().lvFiles()->setCurrentIndex(named.isEmpty() ? list->index(0, 0) : named.first());
    if (readable)
        window.Files().lvFiles()->selectionModel()->select(
            QItemSelection(list->index(0, 0), list->index(std::min(2, list->rowCount() - 1), 0)),
            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QApplication::processEvents();
    // The status bar's second field is laid out anew once it has its text.
    QApplication::processEvents();
    if (option == "--oeffnen")
        return SaveWithOpenDialog(window, archive, output) ? 0 : 1;
    if (!preview)
        return window.grab().save(output) ? 0 : 1;

    TPreviewDialog& dialog = window.Preview();
    if (docked) {
        window.resize(1000, 541); // room for the list beside the pane
    } else {
        dialog.setFloating(true);
        dialog.resize(440, 340);
    }
    window.PreviewCommand();
    while (!dialog.Shown())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (docked) {
        window.resizeDocks({&dialog}, {380}, Qt::Horizontal);
        QApplication::processEvents();
        return window.grab().save(output) ? 0 : 1;
    }
    QApplication::processEvents();
    return Composed(window.grab(), dialog).save(output) ? 0 : 1;
}
