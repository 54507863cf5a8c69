#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// What the status line says about a run over many files: while it goes, files and bytes done of
// their totals, the rate and the time left; once it has ended, a one-line summary.
class TRunStatus {
public:
    enum class TKind { Extract, Check };

    struct TOutcome {
        int64_t Files = 0; // written, or checked
        uint64_t Bytes = 0;
        int64_t Damaged = 0;
        int64_t Refused = 0;
        int64_t Failed = 0;  // could not be created
        int64_t Removed = 0; // begun, cut short by the error that ended the run, and removed
        bool Cancelled = false;
    };

    // totalBytes: the content the entries declare; totalStored: the stored bytes the run reads,
    // by which the line tells how far the run has come and guesses the time left (declared
    // sizes may be far too large).
    TRunStatus(TKind kind, int64_t totalFiles, uint64_t totalBytes, uint64_t totalStored);

    QString Line(int64_t filesDone, uint64_t bytesDone, uint64_t storedRead,
                 int64_t elapsedMs) const;
    QString Summary(const TOutcome& outcome, int64_t elapsedMs) const;

    // A size in decimal units with the German decimal comma: "512 Byte", "1,5 MB".
    static QString Bytes(uint64_t bytes);
    // An entry's size: the declared one, or the real one where it is known to be smaller, with
    // the declared one named: "4 Byte (angegeben: 1.099,5 GB, mehr als die Datei enthält)".
    // bytes turns a size into text.
    template <class Bytes>
    static QString Size(uint64_t declared, std::optional<uint64_t> real, Bytes bytes) {
        if (!real || *real >= declared)
            return bytes(declared);
        return QStringLiteral("%1 (angegeben: %2, mehr als die Datei enthält)")
            .arg(bytes(*real), bytes(declared));
    }
    // "1 Datei", "1.234 Dateien".
    static QString Files(int64_t count);

private:
    TKind FKind;
    int64_t FTotalFiles;
    uint64_t FTotalBytes;
    uint64_t FTotalStored;
};
