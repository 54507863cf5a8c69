#include "FileIO.h"

#include "Exception.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TReadFile::~TReadFile() {
    Close();
}

void TReadFile::Open(const std::string& fileName) {
    Close();
    const int handle = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (handle < 0)
        throw EFOpenError(fileName, errno);
    struct stat info {};
    if (::fstat(handle, &info) != 0 || S_ISDIR(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        ::close(handle);
        throw EFOpenError(fileName, error);
    }
    FHandle = handle;
    FSize = static_cast<uint64_t>(info.st_size);
}

void TReadFile::Close() {
    if (FHandle >= 0)
        ::close(FHandle);
    FHandle = -1;
    FSize = 0;
}

size_t TReadFile::ReadAt(uint64_t position, void* buffer, size_t count) const {
    auto* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < count) {
        if (position + done > static_cast<uint64_t>(INT64_MAX))
            break;
        const ssize_t got =
            ::pread(FHandle, out + done, count - done, static_cast<off_t>(position + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw EReadError();
        }
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    FBytesRead.fetch_add(done, std::memory_order_relaxed);
    return done;
}

size_t TChunkReader::Next() {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(FLeft, FBuffer.size()));
    const size_t got = want == 0 ? 0 : FFile.ReadAt(FPosition, FBuffer.data(), want);
    FPosition += got;
    FLeft = got < want ? 0 : FLeft - got;
    return got;
}

bool TChunkReader::Skip(uint64_t count) {
    if (count > FLeft)
        return false;
    FPosition += count;
    FLeft -= count;
    return true;
}

TWriteFile::TWriteFile(const std::string& fileName) {
    FHandle = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (FHandle < 0)
        throw EFCreateError(fileName, errno);
}

bool IsSymbolicLinkAt(int folderHandle, const std::string& name) {
    struct stat info {};
    return ::fstatat(folderHandle, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISLNK(info.st_mode);
}

TWriteFile::TWriteFile(int folderHandle, const std::string& name, bool keepExisting) {
    // O_NONBLOCK has no effect on files; a pipe left in the destination without a reader makes
    // the open fail instead of waiting for one forever.
    constexpr int kFlags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    FHandle =
        ::openat(folderHandle, name.c_str(), kFlags | (keepExisting ? O_EXCL : O_TRUNC), 0666);
    if (FHandle < 0 && errno == ELOOP && IsSymbolicLinkAt(folderHandle, name)) {
        // The link goes, not what it points to; O_EXCL makes sure no new link took its place.
        if (::unlinkat(folderHandle, name.c_str(), 0) == 0 || errno == ENOENT)
            FHandle = ::openat(folderHandle, name.c_str(), kFlags | O_EXCL, 0666);
    }
    if (FHandle < 0)
        throw EFCreateError(name, errno);
}

TWriteFile::~TWriteFile() {
    if (FHandle >= 0)
        ::close(FHandle);
}

void TWriteFile::Write(const void* data, size_t count) {
    if (FWatch && FWatch->Abort.load(std::memory_order_relaxed))
        throw EAborted();
    if (FWatch)
        FWatch->Bytes.fetch_add(count, std::memory_order_relaxed);
    const auto* in = static_cast<const char*>(data);
    while (count > 0) {
        const ssize_t put = ::write(FHandle, in, count);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            throw EWriteError();
        in += put;
        count -= static_cast<size_t>(put);
        FWritten += static_cast<uint64_t>(put);
    }
}

void TWriteFile::Truncate() {
    if (::ftruncate(FHandle, 0) != 0 || ::lseek(FHandle, 0, SEEK_SET) != 0)
        throw EWriteError();
    FWritten = 0;
}

void TWriteFile::Close() {
    const int handle = FHandle;
    FHandle = -1;
    if (handle >= 0 && ::close(handle) != 0 && errno != EINTR)
        throw EWriteError();
}
