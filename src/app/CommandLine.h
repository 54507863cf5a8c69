#pragma once

#include <QStringList>

class TfrmMain;

// Opens the archive named on the command line ("varnholm-explorer ARCHIV", as a file manager
// starts it for a double-clicked .pak) once the window is up. Further arguments are ignored.
void OpenCommandLineArchive(TfrmMain& window, const QStringList& arguments);
