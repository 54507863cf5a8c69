#include "uPakReader.h"

#include "Cp1252.h"
#include "Exception.h"
#include "PathParts.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace {

constexpr size_t kHeaderSize = 48;
// The smallest records the format allows: fixed fields plus empty strings and zero counts.
constexpr uint64_t kMinDirectoryRecord = 4 * 8 + 2 * 2 + 4 + 4 + 4;
constexpr uint64_t kMinFileRecord = 4 * 8 + 2 * 2 + 4 * 8 + 4 + 4;
// Real archives nest a handful of levels; this only stops hostile input early.
constexpr size_t kMaxDepth = 1024;
constexpr size_t kParseBuffer = 1 << 20;
constexpr size_t kProgressEvery = 4096;

uint32_t LoadU32(const unsigned char* p) {
    uint32_t value;
    std::memcpy(&value, p, sizeof value);
    if constexpr (std::endian::native == std::endian::big)
        value = __builtin_bswap32(value);
    return value;
}

uint64_t LoadU64(const unsigned char* p) {
    uint64_t value;
    std::memcpy(&value, p, sizeof value);
    if constexpr (std::endian::native == std::endian::big)
        value = __builtin_bswap64(value);
    return value;
}

class TFileSink : public TByteSink {
public:
    explicit TFileSink(TWriteFile& file)
        : FFile(file) {}
    void Write(const void* data, size_t count) override { FFile.Write(data, count); }
    void Restart() override { FFile.Truncate(); }

private:
    TWriteFile& FFile;
};

class TDiscardSink : public TByteSink {
public:
    void Write(const void*, size_t) override {}
    void Restart() override {}
};

} // namespace

std::string_view SplitDirPart(std::string_view path) {
    const size_t slash = LastSlash(path);
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

std::string_view SplitNamePart(std::string_view path) {
    const size_t slash = LastSlash(path);
    if (slash == std::string_view::npos)
        return path;
    return path.substr(slash + 1, kMaxNameLength);
}

// Sequential reader over the directory area with its own buffer. Every read is checked against
// the end of the file; what cannot be read makes the archive damaged.
class TPakReader::TDirectoryParser {
public:
    TDirectoryParser(const TReadFile& file, uint64_t start, const std::string& fileName)
        : FFile(file)
        , FFileName(fileName)
        , FBufferStart(start)
        , FBuffer(kParseBuffer) {}

    uint64_t Remaining() const {
        const uint64_t position = FBufferStart + FCursor;
        return position >= FFile.Size() ? 0 : FFile.Size() - position;
    }

    uint32_t U32() {
        Need(4);
        const uint32_t value = LoadU32(FBuffer.data() + FCursor);
        FCursor += 4;
        return value;
    }

    uint64_t U64() {
        Need(8);
        const uint64_t value = LoadU64(FBuffer.data() + FCursor);
        FCursor += 8;
        return value;
    }

    // Reads and drops the fixed fields that open every record.
    void DiscardRecordHead() {
        Need(4 * 8 + 2 * 2);
        FCursor += 4 * 8 + 2 * 2;
    }

    // Appends the text of a length-prefixed string to out and returns its length.
    uint32_t ReadString(TPageArray<char>& out) {
        const uint32_t length = U32();
        if (length == 0)
            return 0;
        if (length > Remaining())
            Fail("Ein Name reicht über das Dateiende hinaus");
        for (size_t left = length; left > 0;) {
            if (FCursor == FLength)
                Need(1);
            const size_t take = std::min(left, FLength - FCursor);
            out.append(reinterpret_cast<const char*>(FBuffer.data() + FCursor), take);
            FCursor += take;
            left -= take;
        }
        // The terminator is stepped over unread, so one missing at the very end is harmless.
        Advance(1);
        return length;
    }

    void SkipString() {
        const uint32_t length = U32();
        if (length == 0)
            return;
        if (length > Remaining())
            Fail("Ein Name reicht über das Dateiende hinaus");
        Advance(uint64_t{length} + 1);
    }

    [[noreturn]] void Fail(const std::string& reason) const {
        throw EArchiveDamaged(FFileName, reason);
    }

private:
    void Need(size_t count) {
        if (FLength - FCursor >= count)
            return;
        std::memmove(FBuffer.data(), FBuffer.data() + FCursor, FLength - FCursor);
        FBufferStart += FCursor;
        FLength -= FCursor;
        FCursor = 0;
        FLength += FFile.ReadAt(FBufferStart + FLength, FBuffer.data() + FLength,
                                FBuffer.size() - FLength);
        if (FLength < count)
            Fail("Das Verzeichnis ist unvollständig");
    }

    void Advance(uint64_t count) {
        if (count <= FLength - FCursor) {
            FCursor += static_cast<size_t>(count);
            return;
        }
        FBufferStart += FCursor + count;
        FCursor = FLength = 0;
    }

    const TReadFile& FFile;
    const std::string& FFileName;
    uint64_t FBufferStart; // file position of FBuffer[0]
    size_t FCursor = 0;
    size_t FLength = 0;
    std::vector<unsigned char> FBuffer;
};

TPakReader::~TPakReader() {
    Close();
}

bool TPakReader::Open(const std::string& fileName) {
    Close();
    FFileName = fileName;
    FFile.Open(fileName);

    unsigned char header[kHeaderSize];
    if (FFile.ReadAt(0, header, kHeaderSize) < kHeaderSize)
        throw EArchiveDamaged::NotAnArchive(fileName, "Der Dateikopf ist unvollständig");
    for (int i = 0; i < 6; ++i)
        FHeader32[i] = LoadU32(header + 4 * i);
    for (int i = 0; i < 3; ++i)
        FHeader64[i] = LoadU64(header + 24 + 8 * i);

    const uint64_t fileSize = FFile.Size();
    const uint64_t root = FHeader64[0];
    if (root > fileSize || fileSize - root < kMinDirectoryRecord)
        throw EArchiveDamaged::NotAnArchive(fileName, "Das Verzeichnis liegt hinter dem Dateiende");

    TDirectoryParser parser(FFile, root, fileName);
    // Remaining subdirectories of every directory being read, innermost last. Walking with an
    // explicit stack keeps hostile nesting from exhausting the call stack.
    std::vector<uint32_t> pending;
    auto readDirectoryHead = [&] {
        if (pending.size() >= kMaxDepth)
            parser.Fail("Die Verzeichnisse sind zu tief verschachtelt");
        parser.DiscardRecordHead();
        parser.SkipString();
        const uint32_t subdirectories = parser.U32();
        if (subdirectories > parser.Remaining() / kMinDirectoryRecord)
            parser.Fail("Die Zahl der Unterverzeichnisse passt nicht in die Datei");
        pending.push_back(subdirectories);
    };

    readDirectoryHead();
    while (!pending.empty()) {
        if (pending.back() > 0) {
            --pending.back();
            readDirectoryHead();
            continue;
        }
        pending.pop_back();
        const uint32_t files = parser.U32();
        if (files > parser.Remaining() / kMinFileRecord)
            parser.Fail("Die Zahl der Dateien passt nicht in die Datei");
        if (files > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()) - FEntries.size())
            parser.Fail("Das Archiv enthält zu viele Dateien");
        // The table and its text grow with what has been read (doubling, so a million entries
        // cost a few copies), never with the size of the file or a count not yet read: an
        // archive of big data with a small directory needs a small table, also where address
        // space is limited.
        for (uint32_t f = 0; f < files; ++f) {
            parser.DiscardRecordHead();
            const int32_t index = Count();
            TPackedEntry entry{};
            entry.Offset = parser.U64();
            const uint64_t stored = parser.U64();
            const uint64_t unpacked = parser.U64();
            if (stored >= kWide || unpacked >= kWide) {
                FWideSizes.push_back({index, stored, unpacked});
                entry.StoredSize = entry.UnpackedSize = kWide;
            } else {
                entry.StoredSize = static_cast<uint32_t>(stored);
                entry.UnpackedSize = static_cast<uint32_t>(unpacked);
            }
            const uint64_t reserved = parser.U64();
            if (reserved != 0 || !FReserved.empty()) {
                FReserved.resize(FEntries.size());
                FReserved.push_back(reserved);
            }
            const size_t pathAt = FText.size();
            const uint32_t pathLength = parser.ReadString(FText);
            parser.ReadString(FText); // Extra
            // Far beyond any memory: the text of a directory that large could not be held.
            if (FText.size() >= kMaxText)
                parser.Fail("Das Verzeichnis ist zu groß");
            entry.PathAt = pathAt;
            entry.PathLength = std::min(pathLength, kLongText);
            if (pathLength >= kLongText)
                FLongPaths.push_back({index, pathLength});
            const std::string_view path(FText.data() + pathAt, pathLength);
            const size_t slash = LastSlash(path);
            const size_t nameLength =
                slash == std::string_view::npos ? path.size() : path.size() - slash - 1;
            entry.NameLength = std::min<size_t>(nameLength, kLongText);
            FEntries.push_back(entry);
            if (FProgress && FEntries.size() % kProgressEvery == 0 && !FProgress(Count())) {
                Close();
                return false;
            }
        }
    }
    return true;
}

uint64_t TPakReader::TableBytes() const {
    return FEntries.CapacityBytes() + FText.CapacityBytes() +
           FReserved.capacity() * sizeof(uint64_t) + FWideSizes.capacity() * sizeof(TWideSizes) +
           FLongPaths.capacity() * sizeof(TLongPath);
}

void TPakReader::Close() {
    if (!FFile.IsOpen())
        return;
    FEntries.clear();
    FText.clear();
    std::vector<uint64_t>().swap(FReserved);
    std::vector<TWideSizes>().swap(FWideSizes);
    std::vector<TLongPath>().swap(FLongPaths);
    FFile.Close();
}

const TPakReader::TWideSizes& TPakReader::WideSizes(int32_t index) const {
    return *std::lower_bound(FWideSizes.begin(), FWideSizes.end(), index,
                             [](const TWideSizes& wide, int32_t i) { return wide.Index < i; });
}

uint32_t TPakReader::LongPathLength(int32_t index) const {
    return std::lower_bound(FLongPaths.begin(), FLongPaths.end(), index,
                            [](const TLongPath& path, int32_t i) { return path.Index < i; })
        ->Length;
}

uint32_t TPakReader::NameStart(int32_t index) const {
    const TPackedEntry& e = FEntries[index];
    const uint32_t length = PathLength(index);
    if (e.NameLength != kLongText)
        return length - e.NameLength;
    const size_t slash = LastSlash(std::string_view(FText.data() + e.PathAt, length));
    return slash == std::string_view::npos ? 0 : static_cast<uint32_t>(slash + 1);
}

TFileEntry TPakReader::Entry(int32_t index) const {
    TFileEntry entry;
    entry.Offset = Offset(index);
    entry.StoredSize = EntryStoredSize(index);
    entry.UnpackedSize = EntryUnpackedSize(index);
    entry.Reserved = FReserved.empty() ? 0 : FReserved[index];
    entry.Path = EntryPath(index);
    const size_t extraAt = FEntries[index].PathAt + entry.Path.size();
    const size_t extraEnd = index + 1 < Count() ? FEntries[index + 1].PathAt : FText.size();
    entry.Extra = std::string_view(FText.data() + extraAt, extraEnd - extraAt);
    entry.Dir = EntryDir(index);
    entry.Name = EntryName(index);
    return entry;
}

std::string_view TPakReader::EntryPath(int32_t index) const {
    return std::string_view(FText.data() + FEntries[index].PathAt, PathLength(index));
}

std::string_view TPakReader::EntryDir(int32_t index) const {
    const uint32_t nameStart = NameStart(index);
    return std::string_view(FText.data() + FEntries[index].PathAt,
                            nameStart > 0 ? nameStart - 1 : 0);
}

std::string_view TPakReader::EntryName(int32_t index) const {
    const std::string_view path = EntryPath(index);
    return path.substr(NameStart(index), kMaxNameLength);
}

bool TPakReader::EntryDataInFile(int32_t index) const {
    const uint64_t offset = Offset(index);
    return offset <= FFile.Size() && EntryStoredSize(index) <= FFile.Size() - offset;
}

std::string TPakReader::DamagedEntryMessage(int32_t index) const {
    const std::string path = cp1252::ToUtf8(EntryPath(index));
    if (!EntryDataInFile(index))
        return "Fehler beim Entpacken von " + path + ": Die Daten liegen hinter dem Dateiende!";
    return "Fehler beim Entpacken von " + path + "!";
}

TExtractOutcome TPakReader::ExtractEntry(int32_t index, const std::string& destination,
                                         TInflater& inflater) const {
    if (!EntryDataInFile(index))
        return TExtractOutcome::Damaged;
    TWriteFile out(destination);
    return ExtractEntry(index, out, inflater);
}

TExtractOutcome TPakReader::ExtractEntry(int32_t index, TWriteFile& out,
                                         TInflater& inflater) const {
    if (!EntryDataInFile(index))
        return TExtractOutcome::Damaged;
    TFileSink sink(out);
    if (!EntryIsCompressed(index)) {
        CopyStored(Offset(index), EntryStoredSize(index), sink, inflater);
    } else if (!Inflate(index, sink, inflater)) {
        out.Truncate();
        out.Close();
        return TExtractOutcome::Damaged;
    }
    out.Close();
    return TExtractOutcome::Written;
}

void TPakReader::CopyStored(uint64_t offset, uint64_t size, TByteSink& sink,
                            TInflater& inflater) const {
    const std::span<unsigned char> buffer = inflater.CopyBuffer(size);
    uint64_t position = offset;
    for (uint64_t left = size; left > 0;) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(left, buffer.size()));
        const size_t got = FFile.ReadAt(position, buffer.data(), want);
        sink.Write(buffer.data(), got);
        if (got < want)
            throw EReadError();
        position += got;
        left -= got;
    }
}

void TPakReader::ExtractFile(int32_t index, const std::string& destination) {
    if (ExtractEntry(index, destination, FInflater) == TExtractOutcome::Damaged && FReport)
        FReport(DamagedEntryMessage(index));
}

bool TPakReader::VerifyEntry(int32_t index, TInflater& inflater) const {
    TDiscardSink sink;
    return VerifyEntry(index, inflater, sink);
}

bool TPakReader::VerifyEntry(int32_t index, TInflater& inflater, TByteSink& sink) const {
    if (!EntryDataInFile(index))
        return false;
    if (!EntryIsCompressed(index))
        return true;
    return Inflate(index, sink, inflater);
}

TPartResult TPakReader::ReadEntryStart(int32_t index, uint64_t wanted, TByteSink& sink,
                                       TInflater& inflater) const {
    if (!EntryDataInFile(index))
        return TPartResult::Damaged;
    const uint64_t stored = EntryStoredSize(index);
    if (EntryIsCompressed(index))
        return inflater.InflateStart(FFile, Offset(index), stored, EntryUnpackedSize(index), wanted,
                                     sink);
    CopyStored(Offset(index), std::min(stored, wanted), sink, inflater);
    return stored > wanted ? TPartResult::Cut : TPartResult::Complete;
}

bool TPakReader::ReadEntry(int32_t index, TByteSink& sink, TInflater& inflater) const {
    if (!EntryDataInFile(index))
        return false;
    if (EntryIsCompressed(index))
        return Inflate(index, sink, inflater);
    CopyStored(Offset(index), EntryStoredSize(index), sink, inflater);
    return true;
}

bool TPakReader::Inflate(int32_t index, TByteSink& sink, TInflater& inflater) const {
    return inflater.Inflate(FFile, Offset(index), EntryStoredSize(index), EntryUnpackedSize(index),
                            sink);
}
