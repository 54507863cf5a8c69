#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
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
    int Handle() const { return FHandle; }
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

// Which file a path names, links followed: two paths name one file exactly when their ids are
// equal (device and inode; on Windows volume serial number and file index).
struct TFileId {
    uint64_t Volume = 0;
    uint64_t Node = 0;
    bool operator==(const TFileId&) const = default;
};
// nullopt when nothing can be opened there.
std::optional<TFileId> FileIdOf(const std::string& path);

// Whether name inside the open folder folderHandle is a symbolic link (not followed).
bool IsSymbolicLinkAt(int folderHandle, const std::string& name);
// Whether name inside the open folder folderHandle is a regular file (not followed).
bool IsRegularFileAt(int folderHandle, const std::string& name);
// What stands at path when it is not a folder, as the reason a folder cannot be made there
// (German): a dangling symbolic link, a file, a pipe, a socket, a device; "" when path is a
// folder, or missing.
std::string NotAFolderReason(const std::string& path);

// A destination file, created or truncated for writing; closed by the destructor. Opening
// never waits (a pipe without a reader fails at once) and never writes into anything but a
// regular file.
class TWriteFile {
public:
    // The file a user named: links on the way are followed, a regular file there is overwritten;
    // a folder fails with EISDIR, anything else (a pipe, a socket, a device) is not touched and
    // fails with its reason. Throws EFCreateError.
    explicit TWriteFile(const std::string& fileName);
    // Creates name inside the open folder folderHandle (kept open by the caller while the file
    // lives). A regular file with no other link is overwritten; anything else standing there
    // (a symbolic link, a second link of a file elsewhere, a pipe, a socket, a device) is removed
    // and a new file made in its place, so nothing outside the folder is written; a folder fails
    // with EISDIR. With keepExisting, anything standing there stays and the constructor fails
    // with EEXIST. Throws EFCreateError naming name.
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
    // Closes and removes the file, which is not complete: 0, or the errno of the failed removal.
    int Remove();

    // For tests: called before every write with the file's name as the constructor got it; an
    // errno it returns fails the write as though the system had reported it (0: no failure).
    static std::function<int(const std::string& name)> FaultHook;

private:
    void OpenInFolder(bool keepExisting);
    // Before bytes are written: a cancel, the count, and the test's fault.
    void CountWrite(size_t count);

    int FFolder;
    std::string FName;
    int FHandle = -1;
    TWriteWatch* FWatch = nullptr;
    uint64_t FWritten = 0;
};
