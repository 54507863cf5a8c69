#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Writes Varnholm archives: test fixtures, the demo archive and benchmark data. Data is written
// as files are added (straight to disk for big archives), the directory tree at Finish.
//
// Layout: the 48-byte header, the stored bytes of every file in the order they were added, then
// the directory records depth-first, each directory's subdirectories before its files.
class TPakWriter {
public:
    struct TFile {
        uint64_t Offset = 0;
        uint64_t StoredSize = 0;
        uint64_t UnpackedSize = 0;
        uint64_t Reserved = 0;
        std::string Path;
        std::string Extra;
        // The four u64 and two u16 that open the record (36 bytes; empty: all zero).
        std::string Head;
    };

    struct TDirectory {
        std::string Name;
        std::string Head; // as TFile::Head
        std::vector<std::unique_ptr<TDirectory>> Subdirectories;
        std::vector<TFile> Files;
        // Written instead of the true counts, to build damaged archives.
        std::optional<uint32_t> SubdirectoryCountOverride;
        std::optional<uint32_t> FileCountOverride;

        TDirectory& AddSubdirectory(std::string name);
    };

    // Builds the archive in memory; Finish returns its bytes.
    TPakWriter();
    // Streams the archive to fileName; throws std::runtime_error when it cannot be written.
    explicit TPakWriter(const std::string& fileName);
    ~TPakWriter();
    TPakWriter(const TPakWriter&) = delete;
    TPakWriter& operator=(const TPakWriter&) = delete;

    TDirectory& Root() { return FRoot; }
    // The directory record for an archive directory path ("" is the root), created on first
    // use; records appear in the order they were first used.
    TDirectory& Directory(std::string_view dirPath);

    // Adds a file stored as is, in the record of its path's directory.
    TFile& AddStored(std::string_view path, std::string_view content);
    // Adds a file stored as one zlib stream (compress2 at the given level), or as is in the rare
    // case that the stream is exactly as long as the content.
    TFile& AddCompressed(std::string_view path, std::string_view content, int level = 6);
    // Adds arbitrary stored bytes with a declared unpacked size, in a record of the caller's
    // choice; the path need not match where the record sits.
    TFile& AddRaw(TDirectory& dir, std::string_view path, std::string_view stored,
                  uint64_t unpackedSize);

    // Writes the directory tree and the header, once. In memory mode returns the archive's bytes.
    std::string Finish();

    // Header fields other than the root position (all zero unless set).
    uint32_t Header32[6] = {};
    uint64_t Header64Tail[2] = {};

private:
    uint64_t AppendData(std::string_view bytes);
    void Write(std::string_view bytes);
    void WriteDirectory(const TDirectory& dir);

    TDirectory FRoot;
    std::unordered_map<std::string, TDirectory*> FDirectories;
    std::string FMemory;
    std::FILE* FFile = nullptr;
    uint64_t FPosition = 0;
    bool FFinished = false;
};

// Little-endian encoders, for tests that lay bytes out by hand.
void AppendU16(std::string& out, uint16_t value);
void AppendU32(std::string& out, uint32_t value);
void AppendU64(std::string& out, uint64_t value);
void AppendPakString(std::string& out, std::string_view text);

// zlib-compresses bytes at the given level and strategy (0: Z_DEFAULT_STRATEGY).
std::string ZlibCompress(std::string_view bytes, int level = 6, int strategy = 0);

// 2^bits names of 2 * bits characters that all share one value of the directory index's hash
// (h * 31 + b: "Aa" and "BB" hash alike): archives whose folders pile up in one probe run.
std::vector<std::string> CollidingNames(int bits);
