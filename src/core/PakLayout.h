#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <vector>

class TReadFile;

// An archive's directory tree with every byte of it, for writing a new archive from an old one:
// the fields no reader interprets (the header's other values, the opening values of every
// record, directory names, reserved and extra) are kept as they were read.
namespace paklayout {

inline constexpr size_t kHeaderSize = 48;
inline constexpr size_t kRecordHeadSize = 4 * 8 + 2 * 2;
// Where the header holds the position of the root directory record.
inline constexpr size_t kRootPositionAt = 24;

struct TFileRecord {
    std::string Head; // kRecordHeadSize bytes, as read
    uint64_t Offset = 0;
    uint64_t StoredSize = 0;
    uint64_t UnpackedSize = 0;
    uint64_t Reserved = 0;
    std::string Path;
    std::string Extra;
    // Set by whoever plans a new archive: the index of the file that supplies the content, or -1
    // for the stored bytes at Offset of the archive that was read.
    int64_t Source = -1;
    bool Added = false; // not in the archive that was read
};

struct TDirectoryRecord {
    std::string Head; // kRecordHeadSize bytes, as read
    std::string Name;
    // A list, so that records stay where they are while others are added beside them.
    std::list<TDirectoryRecord> Subdirectories;
    std::vector<TFileRecord> Files;
};

struct TLayout {
    std::string Header = std::string(kHeaderSize, '\0');
    TDirectoryRecord Root{std::string(kRecordHeadSize, '\0'), {}, {}, {}};
};

// Reads the header and the whole directory tree. Throws EArchiveDamaged (archiveName in the
// message) when they cannot be what they claim, EReadError when reading fails.
TLayout ReadLayout(const TReadFile& file, const std::string& archiveName);

// Calls visit for every file record in the order a reader numbers them: depth-first, the files
// of a record's subdirectories before its own.
template <typename TRecord, typename TVisit> void ForEachFile(TRecord& dir, TVisit&& visit) {
    for (auto& sub : dir.Subdirectories)
        ForEachFile(sub, visit);
    for (auto& file : dir.Files)
        visit(file);
}

// Appends the serialised tree (the root record and everything below it) to out.
void AppendDirectory(std::string& out, const TDirectoryRecord& dir);
// The header with the root record's position put in.
std::string HeaderWithRoot(const std::string& header, uint64_t rootPosition);

} // namespace paklayout
