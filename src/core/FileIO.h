#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// The file operations the reader and the extraction need, behind one small interface so that
// the rest of the core never touches the platform's file API. File names are UTF-8.

// An archive opened for reading while other processes may read and write it too. Reads are
// positional, so one open file serves several extraction threads at once.
class TReadFile {
public:
    TReadFile() = default;
    ~TReadFile();
    TReadFile(const TReadFile&) = delete;
    TReadFile& operator=(const TReadFile&) = delete;

    // Throws EFOpenError.
    void Open(const std::string& fileName);
    void Close();
    bool IsOpen() const { return FHandle >= 0; }
    // Size when the file was opened.
    uint64_t Size() const { return FSize; }
    // Reads up to count bytes at position; fewer only at the end of the file. Throws EReadError
    // when the system reports a failure.
    size_t ReadAt(uint64_t position, void* buffer, size_t count) const;
    // Bytes read so far, by every thread together (how far a long run over the archive has
    // come: its stored bytes are known, unlike the sizes entries declare once unpacked).
    uint64_t BytesRead() const { return FBytesRead.load(std::memory_order_relaxed); }

private:
    int FHandle = -1;
    uint64_t FSize = 0;
    mutable std::atomic<uint64_t> FBytesRead{0};
};

// Reads a run of bytes of a file (the stored bytes of one entry) a chunk at a time into the
// caller's buffer. A file that ends early only shortens the run.
class TChunkReader {
public:
    TChunkReader(const TReadFile& file, uint64_t offset, uint64_t size,
                 std::span<unsigned char> buffer)
        : FFile(file)
        , FPosition(offset)
        , FLeft(size)
        , FBuffer(buffer) {}

    bool AtEnd() const { return FLeft == 0; }

    // Fills the buffer with the next chunk and returns its length (0 at the end). Throws
    // EReadError.
    size_t Next();
    // Passes over count bytes without reading them; false when the run is shorter.
    bool Skip(uint64_t count);

private:
    const TReadFile& FFile;
    uint64_t FPosition;
    uint64_t FLeft;
    std::span<unsigned char> FBuffer;
};

// What a long extraction shares with the files it writes: the bytes written so far (for
// progress within a large file), and a request to stop in the middle of one.
struct TWriteWatch {
    std::atomic<uint64_t> Bytes{0};
    std::atomic<bool> Abort{false};
};

// Whether name inside the open folder folderHandle is a symbolic link (not followed).
bool IsSymbolicLinkAt(int folderHandle, const std::string& name);

// A destination file, created or truncated for writing; closed by the destructor.
class TWriteFile {
public:
    // Throws EFCreateError.
    explicit TWriteFile(const std::string& fileName);
    // Creates name inside the open folder folderHandle without following a symbolic link: a link
    // standing where the file goes is replaced by the file. With keepExisting, anything standing
    // there stays and the constructor fails with EEXIST. Throws EFCreateError naming name.
    TWriteFile(int folderHandle, const std::string& name, bool keepExisting = false);
    ~TWriteFile();
    TWriteFile(const TWriteFile&) = delete;
    TWriteFile& operator=(const TWriteFile&) = delete;

    // Counts what is written into watch, and stops with EAborted once it asks to.
    void SetWatch(TWriteWatch* watch) { FWatch = watch; }
    // Bytes written into this file (since it was last emptied).
    uint64_t Written() const { return FWritten; }
    // Throws EWriteError when the file takes fewer bytes than given.
    void Write(const void* data, size_t count);
    // Empties the file again (used when an entry turns out to be damaged).
    void Truncate();
    // Throws EWriteError when buffered data cannot be stored.
    void Close();

private:
    int FHandle = -1;
    TWriteWatch* FWatch = nullptr;
    uint64_t FWritten = 0;
};
