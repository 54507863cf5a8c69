#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// Writes a zip archive of deflated files (or stored ones), for comparing the general archive tools
// with ours on the same content. Takes raw deflate data made elsewhere, so that both archives hold
// exactly the same compressed bytes. Adds the zip64 end records when there are more than 65535
// files.
class TZipWriter {
public:
    explicit TZipWriter(const std::string& fileName);
    ~TZipWriter();
    TZipWriter(const TZipWriter&) = delete;
    TZipWriter& operator=(const TZipWriter&) = delete;

    void AddDeflated(std::string_view path, std::string_view deflated, uint32_t crc, uint64_t size);
    void AddStored(std::string_view path, std::string_view content, uint32_t crc);
    void Finish();

private:
    struct TEntry {
        std::string Path;
        uint16_t Method;
        uint32_t Crc;
        uint64_t CompressedSize;
        uint64_t Size;
        uint64_t Offset;
    };

    void Write(std::string_view bytes);
    void AddEntry(std::string_view path, uint16_t method, std::string_view data, uint32_t crc,
                  uint64_t size);

    std::FILE* FFile;
    uint64_t FPosition = 0;
    std::vector<TEntry> FEntries;
};
