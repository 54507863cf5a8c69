// Varnholm Archiv-Explorer: opens the data archives of the game Varnholm and extracts files.
//   varnholm-explorer [ARCHIV]
#include "Main.h"

#include "AppText.h"
#include "CommandLine.h"
#include "Prompts.h"
#include "QtGerman.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(ApplicationTitle());

    // The program speaks German whatever the system's language; Qt's own dialogs follow.
    InstallQtGermanTexts(app);

    TQtPrompts prompts;
    TfrmMain frmMain(prompts);
    frmMain.show();
    OpenCommandLineArchive(frmMain, QApplication::arguments());
    return QApplication::exec();
}
