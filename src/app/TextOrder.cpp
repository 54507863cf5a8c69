#include "TextOrder.h"

#include <QCollator>
#include <QLocale>

namespace {

// Collators are costly to make and not thread-safe: one per thread (loading sorts on its own).
QCollator& CaseSensitive() {
    thread_local QCollator collator = [] {
        QCollator c{QLocale()};
        c.setCaseSensitivity(Qt::CaseSensitive);
        return c;
    }();
    if (collator.locale() != QLocale())
        collator.setLocale(QLocale());
    return collator;
}

QCollator& CaseInsensitive() {
    thread_local QCollator collator = [] {
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
