#include "FolderPaths.h"

namespace {

// 1-based position of the first separator, 0 when there is none.
qsizetype FirstSeparator(const QString& text, QChar separator) {
    return text.indexOf(separator) + 1;
}

QString Head(const QString& path, int max) {
    return path.left(max < 0 ? 0 : max);
}

} // namespace

QString ShortenPath(QString path, int max, QChar separator) {
    if (path.length() <= max || max < 6 || !path.contains(separator))
        return Head(path, max);
    if (path.mid(2).count(separator) < 2)
        return Head(path, max);

    QString head;
    // A leading separator on Windows starts a network path ("\\server\share"), whose two
    // leading characters are kept in front of the "..."; on Linux it is the root folder.
    const qsizetype first = FirstSeparator(path, separator);
    if (separator != u'/' && (first == 1 || first == 2)) {
        head = QString(2, separator);
        path.remove(0, 2);
    }
    qsizetype p = FirstSeparator(path, separator);
    head += path.left(p) + QStringLiteral("...");

    do {
        path.remove(0, p);
        p = FirstSeparator(path, separator);
    } while (head.length() + path.length() + 1 > max && p != 0);

    const QString joined = head + separator + path;
    if (joined.length() <= max)
        return joined;
    return joined.left(max - 3) + QStringLiteral("...");
}

QString NewFolderTarget(const QString& selectedFolder, const QString& name, QChar separator) {
    if (name.startsWith(separator) || selectedFolder.endsWith(separator))
        return selectedFolder + name;
    return selectedFolder + separator + name;
}
