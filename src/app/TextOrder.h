#pragma once

#include <QString>

class QCollator;
class QCollatorSortKey;

// The platform's text order where the window keeps nodes and items sorted: locale-aware and
// case-sensitive (lowercase before uppercase at a tie). Uses the default QLocale, or German
// where that is C/POSIX.
int CompareText(const QString& a, const QString& b);
// That order for many comparisons in a row on one thread, as a sort makes them: the default
// locale is looked at once, when it is made, rather than at every comparison.
class TTextOrder {
public:
    TTextOrder();
    bool Less(QStringView a, QStringView b) const;

private:
    QCollator& FCollator;
};
// The sort key of that order, for sorting many texts.
QCollatorSortKey TextSortKey(const QString& text);

// Locale-aware equality ignoring letter case, as the recent archives list matches paths.
bool SameTextIgnoringCase(const QString& a, const QString& b);
