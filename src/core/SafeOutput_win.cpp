// TSafeOutput on Windows: the temporary file is created new (never an existing one) beside the
// destination and moved onto it with MoveFileExW once its data is on the disk.
#include "Exception.h"
#include "FileIO.h"
#include "SafeOutput.h"
#include "WinFiles.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>

using winfs::FromInt;
using winfs::ToInt;

namespace {

// Six characters for the temporary name; a clash with a file already there only costs a round.
std::string UniqueTail() {
    static std::atomic<uint64_t> counter{0};
    uint64_t seed =
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<uint64_t>(::GetCurrentProcessId()) << 32) ^
        (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string tail;
    for (int k = 0; k < 6; ++k) {
        tail += kLetters[seed % 62];
        seed = seed / 62 + (seed << 7) * 0x2545F4914F6CDD1Dull;
    }
    return tail;
}

} // namespace

TSafeOutput::TSafeOutput(const std::string& destination, const std::atomic<bool>* cancel)
    : FDestination(destination)
    , FCancel(cancel) {
    const size_t slash = destination.find_last_of("/\\");
    const std::string name =
        slash == std::string::npos ? destination : destination.substr(slash + 1);
    const std::string folder = slash == std::string::npos ? "" : destination.substr(0, slash + 1);
    DWORD error = ERROR_FILE_EXISTS;
    for (int round = 0; round < 100 && error == ERROR_FILE_EXISTS; ++round) {
        const std::string temporary = folder + "." + name + "." + UniqueTail();
        // CREATE_NEW: a file or a link already there is never written through.
        HANDLE handle =
            ::CreateFileW(winfs::LongPath(temporary).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                          FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            FHandle = ToInt(handle);
            FTemporary = temporary;
            FBuffer.reserve(kSafeOutputBuffer);
            return;
        }
        error = ::GetLastError();
    }
    throw EFCreateError(destination, winfs::ErrnoFromWin32(error));
}

TSafeOutput::~TSafeOutput() {
    if (FHandle >= 0)
        ::CloseHandle(FromInt(FHandle));
    if (!FCommitted && !FTemporary.empty())
        ::DeleteFileW(winfs::LongPath(FTemporary).c_str());
}

void TSafeOutput::WriteRaw(const char* data, size_t size, uint64_t position) {
    while (size > 0) {
        // An OVERLAPPED with an offset writes there whatever the file position is.
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        const DWORD want = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
        DWORD done = 0;
        if (!::WriteFile(FromInt(FHandle), data, want, &done, &at))
            Fail(winfs::ErrnoFromWin32(::GetLastError()));
        if (done == 0)
            Fail(ENOSPC);
        data += done;
        size -= done;
        position += done;
    }
}

void TSafeOutput::CopyFrom(const TReadFile& input, uint64_t offset, uint64_t size) {
    Flush();
    std::string chunk(static_cast<size_t>(std::min<uint64_t>(size, kSafeOutputBuffer)), '\0');
    while (size > 0) {
        CheckCancel();
        const size_t want = static_cast<size_t>(std::min<uint64_t>(size, chunk.size()));
        const size_t got = input.ReadAt(offset, chunk.data(), want);
        if (got == 0)
            throw EReadError(); // the old archive shrank
        WriteRaw(chunk.data(), got, FPosition);
        FPosition += got;
        offset += got;
        size -= got;
    }
}

void TSafeOutput::Commit() {
    CheckCancel();
    Flush();
    HANDLE handle = FromInt(FHandle);
    FHandle = -1;
    const bool flushed = ::FlushFileBuffers(handle);
    const DWORD flushError = ::GetLastError();
    if (!::CloseHandle(handle) || !flushed)
        Fail(winfs::ErrnoFromWin32(flushed ? ::GetLastError() : flushError));
    CheckCancel();
    // The move replaces a file (or the link itself) standing at the destination, and returns
    // once the change of names is on the disk.
    if (!::MoveFileExW(winfs::LongPath(FTemporary).c_str(), winfs::LongPath(FDestination).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        Fail(winfs::ErrnoFromWin32(::GetLastError()));
    FCommitted = true;
}
