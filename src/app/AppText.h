#pragma once

#include <QFont>
#include <QString>
#include <QVariant>

// The application title: set at start, caption of every message box.
inline QString ApplicationTitle() {
    return QStringLiteral("Varnholm Archiv-Explorer");
}

// The open dialog's filters for archives.
inline QString ArchiveFilter() {
    return QStringLiteral("Varnholm Archivdateien (*.p?\?);;Alle Dateien (*)");
}

// An entry or folder whose name is empty shows as "(ohne Namen)", in italics, so that it is no
// blank row; what it is called in the archive stays empty.
inline QString ShownName(const QString& name) {
    return name.isEmpty() ? QStringLiteral("(ohne Namen)") : name;
}
// The font role's value for a name as ShownName shows it: italics for the empty one.
inline QVariant ShownNameFont(const QString& name) {
    if (!name.isEmpty())
        return {};
    QFont italic;
    italic.setItalic(true);
    return italic;
}
