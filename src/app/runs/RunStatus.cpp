#include "RunStatus.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace {

// The time left is guessed only once the run has shown its pace.
constexpr int64_t kGuessAfterMs = 1000;
const QString kSeparator = QStringLiteral(" · ");

const QLocale& German() {
    static const QLocale locale(QLocale::German, QLocale::Germany);
    return locale;
}

struct TUnit {
    double Divisor;
    const char* Name;
    int Decimals;
};

// The unit a size is best read in; "x von y" shows both sizes in the unit of the larger.
TUnit UnitFor(uint64_t bytes) {
    if (bytes < 1000)
        return {1, "Byte", 0};
    if (bytes < 1000 * 1000)
        return {1e3, "KB", 1};
    if (bytes < 1000 * 1000 * 1000)
        return {1e6, "MB", 1};
    return {1e9, "GB", 1};
}

QString Count(int64_t count) {
    return German().toString(static_cast<qlonglong>(count));
}

QString Number(uint64_t bytes, const TUnit& unit) {
    return German().toString(static_cast<double>(bytes) / unit.Divisor, 'f', unit.Decimals);
}

// "2,3 s" (or "12 s" without tenths), "3:05 min", "1:02:03 h".
QString Duration(double seconds, bool tenths) {
    if (seconds < 60)
        return German().toString(seconds, 'f', tenths ? 1 : 0) + QStringLiteral(" s");
    const auto whole = static_cast<int64_t>(std::llround(seconds));
    const auto twoDigits = [](int64_t value) {
        return QStringLiteral("%1").arg(value, 2, 10, QChar('0'));
    };
    if (whole < 3600)
        return QStringLiteral("%1:%2 min").arg(whole / 60).arg(twoDigits(whole % 60));
    return QStringLiteral("%1:%2:%3 h")
        .arg(whole / 3600)
        .arg(twoDigits(whole / 60 % 60), twoDigits(whole % 60));
}

} // namespace

TRunStatus::TRunStatus(TKind kind, int64_t totalFiles, uint64_t totalBytes, uint64_t totalStored)
    : FKind(kind)
    , FTotalFiles(totalFiles)
    , FTotalBytes(totalBytes)
    , FTotalStored(totalStored) {}

QString TRunStatus::Bytes(uint64_t bytes) {
    const TUnit unit = UnitFor(bytes);
    return Number(bytes, unit) + QChar(' ') + QLatin1String(unit.Name);
}

QString TRunStatus::Files(int64_t count) {
    return count == 1 ? QStringLiteral("1 Datei") : Count(count) + QStringLiteral(" Dateien");
}

QString TRunStatus::Line(int64_t filesDone, uint64_t bytesDone, uint64_t storedRead,
                         int64_t elapsedMs) const {
    QStringList parts;
    parts << (FKind == TKind::Extract ? QStringLiteral("Entpacken: ")
                                      : QStringLiteral("Prüfen: ")) +
                 Count(filesDone) + QStringLiteral(" von ") + Files(FTotalFiles);
    // How far the run has come, in the stored bytes read of those it reads: both are known and
    // bounded by the archive, unlike the sizes entries declare once unpacked.
    if (FTotalStored > 0) {
        const TUnit unit = UnitFor(FTotalStored);
        parts << Number(storedRead, unit) + QStringLiteral(" von ") + Number(FTotalStored, unit) +
                     QChar(' ') + QLatin1String(unit.Name) + QStringLiteral(" gelesen");
    } else {
        const TUnit unit = UnitFor(std::max(FTotalBytes, bytesDone));
        parts << Number(bytesDone, unit) + QStringLiteral(" von ") + Number(FTotalBytes, unit) +
                     QChar(' ') + QLatin1String(unit.Name);
    }
    const double seconds = static_cast<double>(elapsedMs) / 1000;
    if (elapsedMs > 0)
        parts << German().toString(static_cast<double>(bytesDone) / 1e6 / seconds, 'f', 1) +
                     QStringLiteral(" MB/s");
    // By the stored bytes read where there are any (files differ in size), else by files.
    const double share = FTotalStored > 0
                             ? static_cast<double>(storedRead) / static_cast<double>(FTotalStored)
                             : static_cast<double>(filesDone) /
                                   static_cast<double>(std::max<int64_t>(FTotalFiles, 1));
    if (elapsedMs >= kGuessAfterMs && share > 0 && share < 1)
        parts << QStringLiteral("noch ") + Duration(seconds * (1 - share) / share, false);
    return parts.join(kSeparator);
}

QString TRunStatus::Summary(const TOutcome& outcome, int64_t elapsedMs) const {
    const bool extract = FKind == TKind::Extract;
    const QString files =
        outcome.Cancelled
            ? QStringLiteral("Abgebrochen: %1 von %2").arg(Count(outcome.Files), Files(FTotalFiles))
            : Files(outcome.Files);
    QStringList parts;
    parts << QStringLiteral("%1 %2 (%3) in %4")
                 .arg(files, extract ? QStringLiteral("entpackt") : QStringLiteral("geprüft"),
                      Bytes(outcome.Bytes), Duration(static_cast<double>(elapsedMs) / 1000, true));
    parts << Count(outcome.Damaged) + QStringLiteral(" beschädigt");
    if (extract)
        parts << Count(outcome.Refused) + QStringLiteral(" abgelehnt");
    if (outcome.Failed > 0)
        parts << Count(outcome.Failed) + QStringLiteral(" nicht erstellt");
    if (outcome.Removed > 0)
        parts << Count(outcome.Removed) + QStringLiteral(" unvollständig entfernt");
    return parts.join(kSeparator);
}
