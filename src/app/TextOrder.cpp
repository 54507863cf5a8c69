#include "TextOrder.h"

#include <QCollator>
#include <QLocale>

namespace {

// The locale to collate by: the default one, or German where the system has none to speak of
// (C, POSIX): the program speaks German, and plain byte order would put "Übersetzungen" after
// "Videos".
QLocale CollationLocale(const QLocale& locale) {
    return locale.language() == QLocale::C ? QLocale(QLocale::German, QLocale::Germany) : locale;
}

QCollator MakeCollator(Qt::CaseSensitivity sensitivity) {
    QCollator collator{CollationLocale(QLocale())};
    collator.setCaseSensitivity(sensitivity);
    return collator;
}

// Collators are costly to make and not thread-safe: one pair per thread (loading sorts on its
// own), made anew only when the default locale changes, as it is looked at for every comparison.
QCollator& Collator(Qt::CaseSensitivity sensitivity) {
    thread_local QLocale madeFor;
    thread_local QCollator sensitive = MakeCollator(Qt::CaseSensitive);
    thread_local QCollator insensitive = MakeCollator(Qt::CaseInsensitive);
    const QLocale current;
    if (current != madeFor) {
        madeFor = current;
        sensitive.setLocale(CollationLocale(current));
        insensitive.setLocale(CollationLocale(current));
    }
    return sensitivity == Qt::CaseSensitive ? sensitive : insensitive;
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

TTextOrder::TTextOrder()
    : FCollator(CaseSensitive()) {}

bool TTextOrder::Less(QStringView a, QStringView b) const {
    return FCollator.compare(a, b) < 0;
}

QCollatorSortKey TextSortKey(const QString& text) {
    return CaseSensitive().sortKey(text);
}

bool SameTextIgnoringCase(const QString& a, const QString& b) {
    return CaseInsensitive().compare(a, b) == 0;
}
