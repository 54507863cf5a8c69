#include "PakLayout.h"

#include "Exception.h"
#include "FileIO.h"

#include <cstring>

namespace paklayout {
namespace {

constexpr uint64_t kMinDirectoryRecord = kRecordHeadSize + 4 + 4 + 4;
constexpr uint64_t kMinFileRecord = kRecordHeadSize + 4 * 8 + 4 + 4;
// Real archives nest a handful of levels; this stops hostile input before the call stack does.
constexpr size_t kMaxDepth = 256;
constexpr size_t kChunk = 1 << 20;

// Reads the directory front to back through a buffer of its own.
class TCursor {
public:
    TCursor(const TReadFile& file, uint64_t position, const std::string& archiveName)
        : FFile(file)
        , FPosition(position)
        , FName(archiveName) {}

    [[noreturn]] void Fail(const std::string& reason) const {
        throw EArchiveDamaged(FName, reason);
    }
    uint64_t Remaining() const { return FFile.Size() - FPosition + (FBuffer.size() - FAt); }

    void Bytes(std::string& out, size_t count) {
        out.clear();
        while (out.size() < count) {
            if (FAt == FBuffer.size())
                Refill();
            const size_t take = std::min(count - out.size(), FBuffer.size() - FAt);
            out.append(FBuffer, FAt, take);
            FAt += take;
        }
    }
    uint64_t Number(size_t width) {
        Bytes(FScratch, width);
        uint64_t value = 0;
        for (size_t i = width; i-- > 0;)
            value = value << 8 | static_cast<unsigned char>(FScratch[i]);
        return value;
    }
    void String(std::string& out) {
        const uint64_t length = Number(4);
        if (length == 0) {
            out.clear();
            return;
        }
        if (length >= Remaining())
            Fail("Ein Name reicht über das Dateiende hinaus");
        Bytes(out, length);
        Bytes(FScratch, 1); // the terminator, not examined
    }

private:
    void Refill() {
        const uint64_t left = FFile.Size() - FPosition;
        if (left == 0)
            Fail("Das Verzeichnis endet vorzeitig");
        FBuffer.resize(static_cast<size_t>(std::min<uint64_t>(left, kChunk)));
        const size_t got = FFile.ReadAt(FPosition, FBuffer.data(), FBuffer.size());
        if (got != FBuffer.size())
            throw EReadError();
        FPosition += got;
        FAt = 0;
    }

    const TReadFile& FFile;
    uint64_t FPosition;
    const std::string& FName;
    std::string FBuffer;
    size_t FAt = 0;
    std::string FScratch;
};

void ReadDirectory(TCursor& in, TDirectoryRecord& dir, size_t depth) {
    if (depth > kMaxDepth)
        in.Fail("Die Verzeichnisse sind zu tief verschachtelt");
    in.Bytes(dir.Head, kRecordHeadSize);
    in.String(dir.Name);
    const uint64_t subdirectories = in.Number(4);
    if (subdirectories > in.Remaining() / kMinDirectoryRecord)
        in.Fail("Die Zahl der Unterverzeichnisse passt nicht in die Datei");
    dir.Subdirectories.resize(subdirectories);
    for (TDirectoryRecord& sub : dir.Subdirectories)
        ReadDirectory(in, sub, depth + 1);
    const uint64_t files = in.Number(4);
    if (files > in.Remaining() / kMinFileRecord)
        in.Fail("Die Zahl der Dateien passt nicht in die Datei");
    dir.Files.resize(files);
    for (TFileRecord& file : dir.Files) {
        in.Bytes(file.Head, kRecordHeadSize);
        file.Offset = in.Number(8);
        file.StoredSize = in.Number(8);
        file.UnpackedSize = in.Number(8);
        file.Reserved = in.Number(8);
        in.String(file.Path);
        in.String(file.Extra);
    }
}

void AppendNumber(std::string& out, uint64_t value, size_t width) {
    for (size_t i = 0; i < width; ++i, value >>= 8)
        out.push_back(static_cast<char>(value & 0xFF));
}

void AppendString(std::string& out, const std::string& text) {
    AppendNumber(out, text.size(), 4);
    if (!text.empty()) {
        out += text;
        out.push_back('\0');
    }
}

} // namespace

TLayout ReadLayout(const TReadFile& file, const std::string& archiveName) {
    TLayout layout;
    if (file.Size() < kHeaderSize)
        throw EArchiveDamaged::NotAnArchive(archiveName, "Die Datei ist kürzer als der Kopf");
    if (file.ReadAt(0, layout.Header.data(), kHeaderSize) != kHeaderSize)
        throw EReadError();
    uint64_t root = 0;
    for (size_t i = 8; i-- > 0;)
        root = root << 8 | static_cast<unsigned char>(layout.Header[kRootPositionAt + i]);
    if (root > file.Size() || file.Size() - root < kMinDirectoryRecord)
        throw EArchiveDamaged::NotAnArchive(archiveName,
                                            "Das Verzeichnis liegt hinter dem Dateiende");
    TCursor in(file, root, archiveName);
    ReadDirectory(in, layout.Root, 0);
    return layout;
}

void AppendDirectory(std::string& out, const TDirectoryRecord& dir) {
    out += dir.Head;
    AppendString(out, dir.Name);
    AppendNumber(out, dir.Subdirectories.size(), 4);
    for (const TDirectoryRecord& sub : dir.Subdirectories)
        AppendDirectory(out, sub);
    AppendNumber(out, dir.Files.size(), 4);
    for (const TFileRecord& file : dir.Files) {
        out += file.Head;
        AppendNumber(out, file.Offset, 8);
        AppendNumber(out, file.StoredSize, 8);
        AppendNumber(out, file.UnpackedSize, 8);
        AppendNumber(out, file.Reserved, 8);
        AppendString(out, file.Path);
        AppendString(out, file.Extra);
    }
}

std::string HeaderWithRoot(const std::string& header, uint64_t rootPosition) {
    std::string out = header;
    for (size_t i = 0; i < 8; ++i, rootPosition >>= 8)
        out[kRootPositionAt + i] = static_cast<char>(rootPosition & 0xFF);
    return out;
}

} // namespace paklayout
