#pragma once

#include <QString>

class QCollatorSortKey;

// The platform's text order where the window keeps nodes and items sorted: locale-aware and
// case-sensitive (lowercase before uppercase at a tie). Uses the default QLocale, or German
// where that is C/POSIX.
int CompareText(const QString& a, const QString& b);
// The sort key of that order, for sorting many texts.
QCollatorSortKey TextSortKey(const QString& text);

// Locale-aware equality ignoring letter case, as the recent archives list matches paths.
bool SameTextIgnoringCase(const QString& a, const QString& b);
