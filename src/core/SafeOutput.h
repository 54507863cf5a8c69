#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

class TReadFile;

// Bytes gathered before they are written.
inline constexpr size_t kSafeOutputBuffer = 1 << 20;

// A file written under a temporary name beside its destination and renamed into place only by
// Commit, after its data has reached the disk. Until then the destination stays as it was;
// destroying an uncommitted output removes the temporary file. (A crash leaves the temporary
// file, ".NAME.XXXXXX", but never a half-written NAME.) SafeOutputCommon.cpp holds the buffering;
// SafeOutput.cpp (POSIX) and SafeOutput_win.cpp the system calls.
class TSafeOutput {
public:
    // Creates the temporary file (never an existing one). Throws Exception.
    TSafeOutput(const std::string& destination, const std::atomic<bool>* cancel);
    ~TSafeOutput();
    TSafeOutput(const TSafeOutput&) = delete;
    TSafeOutput& operator=(const TSafeOutput&) = delete;

    uint64_t Position() const { return FPosition; }
    const std::string& TemporaryName() const { return FTemporary; }

    // Appends bytes. Throws Exception (with the system's reason, e.g. a full disk) and EAborted.
    void Write(std::string_view bytes);
    // Appends size bytes of input from offset, in the kernel where it can. Throws EReadError when
    // input ends before.
    void CopyFrom(const TReadFile& input, uint64_t offset, uint64_t size);
    // Overwrites bytes at position (within what was written).
    void WriteAt(uint64_t position, std::string_view bytes);
    // Flushes, syncs, renames onto the destination (replacing what stands there, a link itself
    // rather than its target) and syncs its folder.
    void Commit();

private:
    void Flush();
    void WriteRaw(const char* data, size_t size, uint64_t position);
    [[noreturn]] void Fail(int systemError) const;
    void CheckCancel() const;

    std::string FDestination;
    std::string FTemporary;
    const std::atomic<bool>* FCancel;
    int FHandle = -1;       // on Windows a HANDLE, as the file layer carries them (WinFiles.h)
    uint64_t FPosition = 0; // logical end, buffered bytes included
    std::string FBuffer;
    bool FCommitted = false;
};
