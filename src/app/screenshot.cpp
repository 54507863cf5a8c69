// Renders the window offscreen with an archive loaded and one directory selected, and saves it
// as a PNG: README's picture of the program, made from the program itself.
//   varnholm-screenshot ARCHIV AUSGABE.png [VERZEICHNIS]
#include "DirectoryTreeModel.h"
#include "Main.h"
#include "Prompts.h"

#include <QApplication>
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

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "Aufruf: varnholm-screenshot ARCHIV AUSGABE.png [VERZEICHNIS]\n");
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
    window.lvFiles->setCurrentIndex(window.lvFiles->model()->index(0, 0));
    QApplication::processEvents();
    return window.grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
