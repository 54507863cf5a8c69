#include "CommandLine.h"

#include "Main.h"

#include <QFileInfo>
#include <QTimer>
#include <QUrl>

void OpenCommandLineArchive(TfrmMain& window, const QStringList& arguments) {
    if (arguments.size() < 2 || arguments.at(1).isEmpty())
        return;
    // Some file managers hand over a URL even for %f.
    const QUrl url(arguments.at(1));
    // Absolute, since the recent list keeps it beyond this working folder.
    const QString fileName =
        QFileInfo(url.isLocalFile() ? url.toLocalFile() : arguments.at(1)).absoluteFilePath();
    // After the event loop has shown the window.
    QTimer::singleShot(0, &window, [&window, fileName] { window.OpenArchiveCommand(fileName); });
}
