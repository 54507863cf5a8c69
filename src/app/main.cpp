// Varnholm Archiv-Explorer: opens the data archives of the game Varnholm and extracts files.
#include "Main.h"

#include "AppText.h"
#include "Prompts.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(ApplicationTitle());

    // The program speaks German whatever the system's language; Qt's own dialogs follow.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    TQtPrompts prompts;
    TfrmMain frmMain(prompts);
    frmMain.show();
    return QApplication::exec();
}
