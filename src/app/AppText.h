#pragma once

#include <QString>

// The application title: set at start, caption of every message box.
inline QString ApplicationTitle() {
    return QStringLiteral("Varnholm Archiv-Explorer");
}
