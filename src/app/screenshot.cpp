// Renders the window offscreen with an archive loaded and one directory selected, and saves it
// as a PNG: README's pictures of the program, made from the program itself. With DATEI, that
// file of the directory is shown in the preview, which lies over the window's lower right; with
// --suchen, the hits of a find for TEXT take the directory's place.
//   varnholm-screenshot ARCHIV AUSGABE.png [VERZEICHNIS [DATEI | --suchen TEXT]]
#include "DirectoryTreeModel.h"
#include "Main.h"
#include "PreviewDialog.h"
#include "Prompts.h"

#include <QApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QTreeView>
#include <cstdio>

namespace {

class TNoPrompts : public TPrompts {
public:
    QString AskOpenFileName(QWidget*, const QString&, const QString&) override { return {}; }
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

// The window with the preview over its lower right corner, sticking out a little. Offscreen
// windows have no frames: each gets a thin one, the preview also its caption and a soft shadow.
QImage Composed(const QPixmap& window, QWidget& previewWindow) {
    constexpr int kOut = 60;    // how far the preview sticks out
    constexpr int kShadow = 10; // how far its shadow reaches
    const QPixmap preview = previewWindow.grab();
    const int captionHeight = previewWindow.fontMetrics().height() + 8;
    const QSize size(window.width() + kOut + kShadow, window.height() + kOut + kShadow);
    QImage picture(size * window.devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(window.devicePixelRatio());
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.drawPixmap(0, 0, window);
    painter.setPen(QColor(0, 0, 0, 110));
    painter.drawRect(QRect(QPoint(0, 0), window.size()).adjusted(0, 0, -1, -1));

    const QRect frame(window.width() + kOut - preview.width(),
                      window.height() + kOut - preview.height() - captionHeight, preview.width(),
                      preview.height() + captionHeight);
    for (int k = kShadow; k > 0; --k)
        painter.fillRect(frame.adjusted(-k / 2, -k / 2, k, k), QColor(0, 0, 0, 7));
    const QRect caption(frame.topLeft(), QSize(frame.width(), captionHeight));
    painter.fillRect(caption, previewWindow.palette().color(QPalette::Mid));
    painter.setPen(previewWindow.palette().color(QPalette::Text));
    painter.drawText(caption.adjusted(8, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                     previewWindow.windowTitle());
    painter.drawPixmap(frame.left(), frame.top() + captionHeight, preview);
    painter.setPen(QColor(0, 0, 0, 110));
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
    return picture;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "Aufruf: varnholm-screenshot ARCHIV AUSGABE.png "
                             "[VERZEICHNIS [DATEI | --suchen TEXT]]\n");
        return 2;
    }
    // The picture must not add the archive to the user's own recent list.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    TNoPrompts prompts;
    TfrmMain window(prompts);
    window.show();
    window.OpenArchiveCommand(QString::fromLocal8Bit(argv[1]));
    while (window.Busy())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!window.ArchiveOpen())
        return 1;
    if (argc > 3) {
        const TDirNode* root = window.DirectoryModel().Root();
        const TDirNode* node = root->FindCaptionPath(QString::fromUtf8(argv[3]));
        window.tvDirectories->setCurrentIndex(window.DirectoryModel().IndexOf(node ? node : root));
    }
    const bool find = argc > 5 && QByteArray(argv[4]) == "--suchen";
    if (find) {
        bool found = false;
        QObject::connect(&window, &TfrmMain::FindFinished, [&] { found = true; });
        window.FindCommand();
        window.SetFindText(QString::fromUtf8(argv[5]));
        while (!found)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const QAbstractItemModel* list = window.lvFiles->model();
    const QModelIndexList named = argc > 4 && !find
                                      ? list->match(list->index(0, 0), Qt::DisplayRole,
                                                    QString::fromUtf8(argv[4]), 1, Qt::MatchExactly)
                                      : QModelIndexList();
    window.lvFiles->setCurrentIndex(named.isEmpty() ? list->index(0, 0) : named.first());
    QApplication::processEvents();
    if (argc <= 4 || find)
        return window.grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;

    TPreviewDialog& preview = *window.dlgPreview;
    preview.resize(440, 340);
    window.PreviewCommand();
    while (!preview.Shown())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QApplication::processEvents();
    return Composed(window.grab(), preview).save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
