#pragma once

#include "Exception.h"
#include "StreamEncoder.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Writes new archives: one from an old archive and a folder of changed and added files
// (UpdateArchive), or one from a folder alone (CreateArchive). The archive read is never
// changed; the new one appears under its name only when it is complete and on disk.
namespace pakbuild {

// How far a build has come, readable from any thread while it runs: bytes of the kept entries'
// stored data and of the folder's files taken into the new archive, of all there are to take.
struct TProgress {
    std::atomic<uint64_t> Total{0};
    std::atomic<uint64_t> Done{0};
};

struct TOptions {
    // Files of the folder that the old archive does not have are added (else reported).
    bool Add = false;
    // Archive paths (Windows-1252) left out: a file, a folder with everything below it, or a
    // pattern (PathPattern).
    std::vector<std::string> Remove;
    // Patterns (Windows-1252) of files stored raw however well they would compress; one without
    // "/" is matched against the name alone.
    std::vector<std::string> Store;
    int Level = 6; // 0..9
    int Threads = 1;
    TStreamEncoder::TKind Encoder = TStreamEncoder::TKind::Fast;
    // Set from any thread to stop; the call then throws EAborted and leaves nothing behind.
    const std::atomic<bool>* Cancel = nullptr;
    TProgress* Progress = nullptr;
};

struct TReport {
    int64_t Kept = 0;     // entries copied as their stored bytes
    int64_t Replaced = 0; // entries whose content came from the folder
    int64_t Added = 0;
    int64_t Removed = 0;
    uint64_t ArchiveBytes = 0;
    // Archive paths (Windows-1252) of folder files that were not added (no Add).
    std::vector<std::string> LeftOut;
    // Remove operands that named no entry.
    std::vector<std::string> RemoveNotFound;
    // German messages about files of the folder that were passed over.
    std::vector<std::string> Skipped;
};

// Names of the folder that an archive cannot hold; nothing was written.
class ENamesRefused : public Exception {
public:
    explicit ENamesRefused(std::vector<std::string> messages);
    const std::vector<std::string>& Messages() const { return FMessages; }

private:
    std::vector<std::string> FMessages;
};

// File names are UTF-8. Throws ENamesRefused, EFOpenError, EArchiveDamaged, EAborted and
// Exception (the new archive is the old one, it cannot be written, an entry's data is missing).
TReport UpdateArchive(const std::string& oldArchive, const std::string& newArchive,
                      const std::string& folder, const TOptions& options);
TReport CreateArchive(const std::string& newArchive, const std::string& folder,
                      const TOptions& options);

} // namespace pakbuild
