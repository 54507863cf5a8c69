#include "TextOrder.h"

#include <QCollator>
#include <QLocale>

namespace {

// Collators are costly to make and not thread-safe; the window uses them on its own thread only.
QCollator& CaseSensitive() {
    static QCollator collator = [] {
        QCollator c{QLocale()};
        c.setCaseSensitivity(Qt::CaseSensitive);
        return c;
    }();
    if (collator.locale() != QLocale())
        collator.setLocale(QLocale());
    return collator;
}

QCollator& CaseInsensitive() {
    static QCollator collator = [] {
        QCollator c{QLocale()};
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    if (collator.locale() != QLocale())
        collator.setLocale(QLocale());
    return collator;
}

} // namespace

int CompareText(const QString& a, const QString& b) {
    return CaseSensitive().compare(a, b);
}

QCollatorSortKey TextSortKey(const QString& text) {
    return CaseSensitive().sortKey(text);
}

bool SameTextIgnoringCase(const QString& a, const QString& b) {
    return CaseInsensitive().compare(a, b) == 0;
}
