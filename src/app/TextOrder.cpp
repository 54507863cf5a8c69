#include "TextOrder.h"

#include <QCollator>
#include <QLocale>

namespace {

// The default locale, or German where the system has none to speak of (C, POSIX): the program
// speaks German, and plain byte order would put "Übersetzungen" after "Videos".
QLocale CollationLocale() {
    const QLocale locale;
    return locale.language() == QLocale::C ? QLocale(QLocale::German, QLocale::Germany) : locale;
}

// Collators are costly to make and not thread-safe: one per thread (loading sorts on its own).
QCollator& Collator(Qt::CaseSensitivity sensitivity) {
    thread_local QCollator sensitive = [] {
        QCollator c{CollationLocale()};
        c.setCaseSensitivity(Qt::CaseSensitive);
        return c;
    }();
    thread_local QCollator insensitive = [] {
        QCollator c{CollationLocale()};
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    QCollator& collator = sensitivity == Qt::CaseSensitive ? sensitive : insensitive;
    const QLocale locale = CollationLocale();
    if (collator.locale() != locale)
        collator.setLocale(locale);
    return collator;
}

QCollator& CaseSensitive() {
    return Collator(Qt::CaseSensitive);
}

QCollator& CaseInsensitive() {
    return Collator(Qt::CaseInsensitive);
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
