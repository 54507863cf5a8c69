// Varnholm Archiv-Explorer: opens the data archives of the game Varnholm and extracts files.
//   varnholm-explorer [ARCHIV]
#include "Main.h"

#include "AppIcon.h"
#include "AppText.h"
#include "CommandLine.h"
#include "Prompts.h"
#include "QtGerman.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(ApplicationTitle());
    QApplication::setWindowIcon(AppIcon());
    // Wayland desktops take the icon and the name from the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("varnholm-explorer"));

    // The program speaks German whatever the system's language; Qt's own dialogs follow.
    InstallQtGermanTexts(app);

    TQtPrompts prompts;
    TfrmMain frmMain(prompts);
    frmMain.show();
    OpenCommandLineArchive(frmMain, QApplication::arguments());
    return QApplication::exec();
}
