#pragma once

#include <QChar>
#include <QString>

// Path helpers of the folder chooser. They take the folder separator as a parameter so that
// both separators can be checked on any machine; the default is the platform's.

#ifdef Q_OS_WIN
inline constexpr QChar NativeFolderSeparator = u'\\';
#else
inline constexpr QChar NativeFolderSeparator = u'/';
#endif

// Shortens a path to at most max characters for the status line: the folders after the root
// are replaced by "..." one by one from the left until the rest fits, and when even the last
// part does not fit, its end is cut and marked with "...". Paths that fit, paths without a
// separator and paths with fewer than two separators after the root keep their first max
// characters. With "\", a path starting with one or two separators keeps a "\\" prefix (a
// network share); with "/", a leading separator is the root itself.
QString ShortenPath(QString path, int max, QChar separator = NativeFolderSeparator);

// The folder a new-folder name stands for below the selected folder: the name is joined with one
// separator unless it already starts with one or the selected folder ends with one (a drive or
// file system root). A name with inner separators names nested folders.
QString NewFolderTarget(const QString& selectedFolder, const QString& name,
                        QChar separator = NativeFolderSeparator);
