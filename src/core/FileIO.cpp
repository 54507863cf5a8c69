#include "FileIO.h"

#include "Exception.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

// Opening for writing never waits: O_NONBLOCK makes a pipe without a reader fail at once (on a
// file it has no effect). Nothing is truncated before the file is known to be a regular one.
constexpr int kWriteFlags = O_WRONLY | O_NONBLOCK | O_CLOEXEC;

// "eine Pipe", "ein Socket" ...: what stands somewhere that is neither a file nor a folder.
const char* KindName(mode_t mode) {
    if (S_ISFIFO(mode))
        return "eine Pipe";
    if (S_ISSOCK(mode))
        return "ein Socket";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "ein Gerät";
    if (S_ISREG(mode))
        return "eine Datei";
    return "etwas anderes";
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

std::string NotAFolderReason(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode))
        return {};
    if (S_ISLNK(info.st_mode)) {
        if (::stat(path.c_str(), &info) != 0)
            return "Dort steht ein symbolischer Verweis, dessen Ziel fehlt";
        if (S_ISDIR(info.st_mode))
            return {};
    }
    return std::string("Dort steht ") + KindName(info.st_mode) + ", kein Ordner";
}

std::optional<TFileId> FileIdOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return TFileId{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

bool IsSymbolicLinkAt(int folderHandle, const std::string& name) {
    struct stat info {};
    return ::fstatat(folderHandle, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISLNK(info.st_mode);
}

bool IsRegularFileAt(int folderHandle, const std::string& name) {
    struct stat info {};
    return ::fstatat(folderHandle, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISREG(info.st_mode);
}

TWriteFile::TWriteFile(const std::string& fileName)
    : FFolder(AT_FDCWD)
    , FName(fileName) {
    // A pipe or a device is not even opened: that alone may wake whoever waits at the other end.
    struct stat info {};
    const bool exists = ::stat(fileName.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        throw EFCreateError::NotAFile(fileName, std::string("Dort steht ") +
                                                    KindName(info.st_mode) + ", keine Datei");
    FHandle = ::open(fileName.c_str(), kWriteFlags | O_CREAT, 0666);
    if (FHandle < 0)
        throw EFCreateError(fileName, errno);
    // What was opened is what counts: something else may have taken the name meanwhile.
    if (::fstat(FHandle, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(FHandle);
        FHandle = -1;
        throw EFCreateError::NotAFile(fileName, std::string("Dort steht ") +
                                                    KindName(info.st_mode) + ", keine Datei");
    }
    if (::ftruncate(FHandle, 0) != 0) {
        const int error = errno;
        ::close(FHandle);
        FHandle = -1;
        throw EFCreateError(fileName, error);
    }
}

void TWriteFile::OpenInFolder(bool keepExisting) {
    const char* name = FName.c_str();
    constexpr int kCreate = kWriteFlags | O_CREAT | O_EXCL | O_NOFOLLOW;
    // Most targets are new: O_EXCL makes the file or finds the name taken (by anything, a
    // link included, which is not followed), and only then is it looked at: one lookup of the
    // name per file less.
    FHandle = ::openat(FFolder, name, kCreate, 0666);
    if (FHandle >= 0)
        return;
    if (errno != EEXIST)
        throw EFCreateError(FName, errno);
    struct stat seen {};
    if (::fstatat(FFolder, name, &seen, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT)
            throw EFCreateError(FName, errno);
        FHandle = ::openat(FFolder, name, kCreate, 0666);
        if (FHandle < 0 && errno != EEXIST)
            throw EFCreateError(FName, errno);
        return;
    }
    if (keepExisting)
        throw EFCreateError(FName, EEXIST);
    if (S_ISDIR(seen.st_mode))
        throw EFCreateError(FName, EISDIR);
    if (S_ISREG(seen.st_mode) && seen.st_nlink == 1) {
        // The file alone: overwritten in place, once it is sure the one opened is the one seen.
        const int handle = ::openat(FFolder, name, kWriteFlags | O_NOFOLLOW);
        if (handle < 0) {
            if (errno == ENOENT || errno == ELOOP || errno == ENXIO)
                return; // replaced meanwhile: look again
            throw EFCreateError(FName, errno);
        }
        struct stat opened {};
        if (::fstat(handle, &opened) == 0 && SameFile(opened, seen) && opened.st_nlink == 1) {
            if (::ftruncate(handle, 0) != 0) {
                const int error = errno;
                ::close(handle);
                throw EFCreateError(FName, error);
            }
            FHandle = handle;
            return;
        }
        ::close(handle);
        return;
    }
    // A link of either kind, a pipe, a socket, a device: the name goes, not what it leads to;
    // O_EXCL makes sure nothing new took its place before the file is made.
    if (::unlinkat(FFolder, name, 0) != 0 && errno != ENOENT)
        throw EFCreateError(FName, errno);
    FHandle = ::openat(FFolder, name, kCreate, 0666);
    if (FHandle < 0 && errno != EEXIST)
        throw EFCreateError(FName, errno);
}

TWriteFile::~TWriteFile() {
    if (FHandle >= 0)
        ::close(FHandle);
}

void TWriteFile::Write(const void* data, size_t count) {
    CountWrite(count);
    const auto* in = static_cast<const char*>(data);
    while (count > 0) {
        const ssize_t put = ::write(FHandle, in, count);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            throw EWriteError(FName, put < 0 ? errno : 0);
        in += put;
        count -= static_cast<size_t>(put);
        FWritten += static_cast<uint64_t>(put);
    }
}

void TWriteFile::Truncate() {
    if (::ftruncate(FHandle, 0) != 0 || ::lseek(FHandle, 0, SEEK_SET) != 0)
        throw EWriteError(FName, errno);
    FWritten = 0;
}

void TWriteFile::Close() {
    const int handle = FHandle;
    FHandle = -1;
    if (handle >= 0 && ::close(handle) != 0 && errno != EINTR)
        throw EWriteError(FName, errno);
}

int TWriteFile::Remove() {
    if (FHandle >= 0)
        ::close(FHandle);
    FHandle = -1;
    return ::unlinkat(FFolder, FName.c_str(), 0) == 0 || errno == ENOENT ? 0 : errno;
}
