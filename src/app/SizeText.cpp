#include "SizeText.h"

#include <QLocale>
#include <array>
#include <cmath>

QString ReadableSize(uint64_t bytes) {
    static const QLocale german(QLocale::German, QLocale::Germany);
    if (bytes < 1000)
        return german.toString(static_cast<qulonglong>(bytes)) + QStringLiteral(" B");
    static constexpr std::array<const char*, 3> kUnits{"KB", "MB", "GB"};
    double value = static_cast<double>(bytes) / 1000;
    size_t unit = 0;
    // 999.96 KB would read "1.000,0 KB": it is the next unit's "1,0" once rounded.
    while (unit + 1 < kUnits.size() && std::round(value * 10) >= 10000) {
        value /= 1000;
        ++unit;
    }
    return german.toString(value, 'f', 1) + QChar(' ') + QLatin1String(kUnits[unit]);
}
