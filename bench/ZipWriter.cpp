#include "ZipWriter.h"

#include "PakWriter.h"

#include <stdexcept>

namespace {
// 2026-01-01 12:00, in the MS-DOS form zip uses.
constexpr uint16_t kDosTime = 12 << 11;
constexpr uint16_t kDosDate = ((2026 - 1980) << 9) | (1 << 5) | 1;
} // namespace

TZipWriter::TZipWriter(const std::string& fileName)
    : FFile(std::fopen(fileName.c_str(), "wb")) {
    if (!FFile)
        throw std::runtime_error("cannot create " + fileName);
    std::setvbuf(FFile, nullptr, _IOFBF, 1 << 20);
}

TZipWriter::~TZipWriter() {
    if (FFile)
        std::fclose(FFile);
}

void TZipWriter::Write(std::string_view bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), FFile) != bytes.size())
        throw std::runtime_error("write failed");
    FPosition += bytes.size();
}

void TZipWriter::AddDeflated(std::string_view path, std::string_view deflated, uint32_t crc,
                             uint64_t size) {
    AddEntry(path, 8, deflated, crc, size);
}

void TZipWriter::AddStored(std::string_view path, std::string_view content, uint32_t crc) {
    AddEntry(path, 0, content, crc, content.size());
}

void TZipWriter::AddEntry(std::string_view path, uint16_t method, std::string_view data,
                          uint32_t crc, uint64_t size) {
    if (data.size() > 0xFFFFFFFFu || size > 0xFFFFFFFFu || FPosition > 0xFFFFFFFFu)
        throw std::runtime_error("entries beyond 4 GiB are not written");
    FEntries.push_back({std::string(path), method, crc, data.size(), size, FPosition});
    std::string header;
    AppendU32(header, 0x04034b50);
    AppendU16(header, 20); // version needed
    AppendU16(header, 0);  // flags
    AppendU16(header, method);
    AppendU16(header, kDosTime);
    AppendU16(header, kDosDate);
    AppendU32(header, crc);
    AppendU32(header, static_cast<uint32_t>(data.size()));
    AppendU32(header, static_cast<uint32_t>(size));
    AppendU16(header, static_cast<uint16_t>(path.size()));
    AppendU16(header, 0); // extra length
    header.append(path);
    Write(header);
    Write(data);
}

void TZipWriter::Finish() {
    const uint64_t directoryAt = FPosition;
    std::string record;
    for (const TEntry& e : FEntries) {
        record.clear();
        AppendU32(record, 0x02014b50);
        AppendU16(record, (3 << 8) | 20); // made by: Unix
        AppendU16(record, 20);
        AppendU16(record, 0);
        AppendU16(record, e.Method);
        AppendU16(record, kDosTime);
        AppendU16(record, kDosDate);
        AppendU32(record, e.Crc);
        AppendU32(record, static_cast<uint32_t>(e.CompressedSize));
        AppendU32(record, static_cast<uint32_t>(e.Size));
        AppendU16(record, static_cast<uint16_t>(e.Path.size()));
        AppendU16(record, 0);              // extra
        AppendU16(record, 0);              // comment
        AppendU16(record, 0);              // disk
        AppendU16(record, 0);              // internal attributes
        AppendU32(record, 0100644u << 16); // regular file, rw-r--r--
        AppendU32(record, static_cast<uint32_t>(e.Offset));
        record.append(e.Path);
        Write(record);
    }
    const uint64_t directorySize = FPosition - directoryAt;
    const uint64_t count = FEntries.size();

    record.clear();
    if (count > 0xFFFF) {
        const uint64_t zip64At = FPosition;
        AppendU32(record, 0x06064b50);
        AppendU64(record, 44);
        AppendU16(record, 45);
        AppendU16(record, 45);
        AppendU32(record, 0);
        AppendU32(record, 0);
        AppendU64(record, count);
        AppendU64(record, count);
        AppendU64(record, directorySize);
        AppendU64(record, directoryAt);
        AppendU32(record, 0x07064b50);
        AppendU32(record, 0);
        AppendU64(record, zip64At);
        AppendU32(record, 1);
    }
    const uint16_t shortCount = count > 0xFFFF ? 0xFFFF : static_cast<uint16_t>(count);
    AppendU32(record, 0x06054b50);
    AppendU16(record, 0);
    AppendU16(record, 0);
    AppendU16(record, shortCount);
    AppendU16(record, shortCount);
    AppendU32(record, static_cast<uint32_t>(directorySize));
    AppendU32(record, static_cast<uint32_t>(directoryAt));
    AppendU16(record, 0);
    Write(record);
    if (std::fclose(FFile) != 0) {
        FFile = nullptr;
        throw std::runtime_error("write failed");
    }
    FFile = nullptr;
}
