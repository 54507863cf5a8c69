#pragma once

#include "FileIO.h"
#include "Inflate.h"
#include "PageArray.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// One file of the loaded archive. The strings are views into the reader's table and stay valid
// until the reader is closed or opens another archive.
struct TFileEntry {
    uint64_t Offset = 0;
    uint64_t StoredSize = 0;
    uint64_t UnpackedSize = 0;
    uint64_t Reserved = 0;
    std::string_view Path;  // archive path, "/" between components
    std::string_view Extra; // kept, never interpreted
    std::string_view Dir;   // Path before its last "/", or empty
    std::string_view Name;  // Path after its last "/" (at most 4096 bytes), or the whole Path
};

// Names longer than this are cut when an entry is indexed.
inline constexpr size_t kMaxNameLength = 4096;

std::string_view SplitDirPart(std::string_view path);
std::string_view SplitNamePart(std::string_view path);

// How the content of one entry came out.
enum class TExtractOutcome { Written, Damaged };

// Reads one Varnholm archive: indexes its whole directory at Open, then answers questions about
// entries by index (0 .. Count() - 1, in the archive's depth-first order, the files of
// subdirectories before those of their parent) and writes entries to disk.
//
// Archive texts are Windows-1252 bytes and are handed out unconverted.
class TPakReader {
public:
    // Receives the message for an entry that cannot be decompressed, e.g. to show it.
    using TReportHook = std::function<void(const std::string& message)>;
    // Called now and then while Open reads the directory, with the number of entries read so
    // far; false stops the Open.
    using TProgressHook = std::function<bool(int32_t entriesRead)>;

    TPakReader() = default;
    ~TPakReader();
    TPakReader(const TPakReader&) = delete;
    TPakReader& operator=(const TPakReader&) = delete;

    // Closes any open archive, then opens and indexes fileName (UTF-8). Throws EFOpenError when
    // the file cannot be opened, EArchiveDamaged when its header or directory cannot be what
    // they claim (cut short, counts the file cannot hold, absurd nesting). An entry whose data
    // lies past the end of the file is kept: only extracting or checking it fails. False when
    // the progress hook stopped it; the reader is closed then.
    bool Open(const std::string& fileName);
    void Close();
    bool IsOpen() const { return FFile.IsOpen(); }
    // Bytes read from the archive so far, by every thread together.
    uint64_t BytesRead() const { return FFile.BytesRead(); }
    const std::string& FileName() const { return FFileName; }

    int32_t Count() const { return static_cast<int32_t>(FEntries.size()); }
    // Memory the entry table holds, reserved room included; it follows the directory's size.
    uint64_t TableBytes() const;
    TFileEntry Entry(int32_t index) const;
    std::string_view EntryPath(int32_t index) const;
    std::string_view EntryDir(int32_t index) const;
    std::string_view EntryName(int32_t index) const;
    uint64_t EntryStoredSize(int32_t index) const {
        const uint32_t size = FEntries[index].StoredSize;
        return size != kWide ? size : WideSizes(index).Stored;
    }
    uint64_t EntryUnpackedSize(int32_t index) const {
        const uint32_t size = FEntries[index].UnpackedSize;
        return size != kWide ? size : WideSizes(index).Unpacked;
    }
    // Stored as one zlib stream rather than as is.
    bool EntryIsCompressed(int32_t index) const {
        const TPackedEntry& e = FEntries[index];
        // A size kept narrow is below every wide one.
        if (e.StoredSize != kWide || e.UnpackedSize != kWide)
            return e.StoredSize != e.UnpackedSize;
        const TWideSizes& wide = WideSizes(index);
        return wide.Stored != wide.Unpacked;
    }
    // The stored bytes lie within the archive file.
    bool EntryDataInFile(int32_t index) const;

    // Writes entry index to destination (UTF-8 file name), replacing an existing file. A damaged
    // compressed entry is reported through the hook ("Fehler beim Entpacken von <path>!") and
    // leaves an empty file; an entry whose data lies past the end of the archive is reported
    // and writes nothing. Throws EFCreateError, EReadError (the archive shrank) and EWriteError
    // (the destination takes fewer bytes).
    void ExtractFile(int32_t index, const std::string& destination);

    // ExtractFile without the report, for callers that report themselves (and for threads: it
    // reads positionally and keeps its state in the caller's inflater).
    TExtractOutcome ExtractEntry(int32_t index, const std::string& destination,
                                 TInflater& inflater) const;
    // The same into a file the caller has created.
    TExtractOutcome ExtractEntry(int32_t index, TWriteFile& out, TInflater& inflater) const;
    // Inflates a compressed entry without writing it; stored entries are intact when their data
    // lies within the archive. The sink, if given, sees the inflated bytes go by (and may stop
    // the check by throwing).
    bool VerifyEntry(int32_t index, TInflater& inflater) const;
    bool VerifyEntry(int32_t index, TInflater& inflater, TByteSink& sink) const;
    // The first `wanted` bytes of an entry's content into sink, without reading much more of it
    // (TInflater::InflateStart): for looking inside an entry of any size. Damaged also when its
    // data lies past the end of the archive. Throws EReadError when the archive shrank, and what
    // the sink throws.
    TPartResult ReadEntryStart(int32_t index, uint64_t wanted, TByteSink& sink,
                               TInflater& inflater) const;
    // The whole content of an entry into sink, stored or inflated, for reading it as it streams
    // (the sink may be restarted, as with TInflater::Inflate). False when the entry is damaged
    // or its data lies past the end of the archive. Throws EReadError when the archive shrank,
    // and what the sink throws.
    bool ReadEntry(int32_t index, TByteSink& sink, TInflater& inflater) const;
    // The archive file, for reading stored bytes positionally (from any thread).
    const TReadFile& File() const { return FFile; }

    void SetReportHook(TReportHook hook) { FReport = std::move(hook); }
    void SetProgressHook(TProgressHook hook) { FProgress = std::move(hook); }
    // The message the hook receives for a damaged entry, UTF-8.
    std::string DamagedEntryMessage(int32_t index) const;

private:
    // Compact form of an entry, 24 bytes. Its strings live in one shared buffer, one entry's
    // after the other's, so that its Extra runs from the end of its Path to where the next
    // entry's Path begins. What rarely needs more room than given here is kept beside the table:
    // sizes of 4 GiB and more, paths of 4095 bytes and more, and Reserved, almost always zero.
    struct TPackedEntry {
        uint64_t Offset;
        uint32_t StoredSize;   // kWide: in FWideSizes
        uint32_t UnpackedSize; // kWide: in FWideSizes
        uint64_t PathAt : 40;
        uint64_t PathLength : 12; // kLongText: in FLongPaths
        uint64_t NameLength : 12; // the part after the last "/"; kLongText: look for it
    };
    static_assert(sizeof(TPackedEntry) == 24);
    static constexpr uint32_t kWide = 0xFFFFFFFF;
    static constexpr uint32_t kLongText = 0xFFF;
    static constexpr uint64_t kMaxText = uint64_t{1} << 40;
    struct TWideSizes {
        int32_t Index;
        uint64_t Stored;
        uint64_t Unpacked;
    };
    struct TLongPath {
        int32_t Index;
        uint32_t Length;
    };

    const TWideSizes& WideSizes(int32_t index) const;
    uint32_t PathLength(int32_t index) const {
        const uint32_t length = FEntries[index].PathLength;
        return length != kLongText ? length : LongPathLength(index);
    }
    uint32_t LongPathLength(int32_t index) const;
    // Where the entry's name begins in its path: one past the last "/", or 0 without one.
    uint32_t NameStart(int32_t index) const;
    uint64_t Offset(int32_t index) const { return FEntries[index].Offset; }
    bool Inflate(int32_t index, TByteSink& sink, TInflater& inflater) const;

    class TDirectoryParser;

    // Copies size stored bytes from offset to sink; throws EReadError when the file ends first.
    void CopyStored(uint64_t offset, uint64_t size, TByteSink& sink, TInflater& inflater) const;

    std::string FFileName;
    TReadFile FFile;
    uint32_t FHeader32[6] = {};
    uint64_t FHeader64[3] = {};
    TPageArray<TPackedEntry> FEntries;
    TPageArray<char> FText;
    // Each entry's Reserved field; empty while every one read so far is zero.
    std::vector<uint64_t> FReserved;
    // The few entries that need them, in the order of their indices.
    std::vector<TWideSizes> FWideSizes;
    std::vector<TLongPath> FLongPaths;
    TReportHook FReport;
    TProgressHook FProgress;
    TInflater FInflater;
};
