// The file operations of FileIO.h on Windows: wide-character calls with long paths, positional
// reads through one handle, and files below a destination created relative to their folder's
// handle without following reparse points.
#include "Exception.h"
#include "FileIO.h"
#include "WinFiles.h"

#include <algorithm>
#include <cerrno>
#include <winternl.h>

using winfs::FromInt;
using winfs::ToInt;

void TReadFile::Open(const std::string& fileName) {
    Close();
    HANDLE handle = ::CreateFileW(winfs::LongPath(fileName).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw EFOpenError(fileName, winfs::ErrnoFromWin32(::GetLastError()));
    LARGE_INTEGER size{};
    const bool folder = winfs::KindOf(handle).Folder;
    if (folder || ::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileSizeEx(handle, &size)) {
        const int error = folder ? EISDIR : EINVAL;
        ::CloseHandle(handle);
        throw EFOpenError(fileName, error);
    }
    FHandle = ToInt(handle);
    FSize = static_cast<uint64_t>(size.QuadPart);
}

void TReadFile::Close() {
    if (FHandle >= 0)
        ::CloseHandle(FromInt(FHandle));
    FHandle = -1;
    FSize = 0;
}

size_t TReadFile::ReadAt(uint64_t position, void* buffer, size_t count) const {
    auto* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < count) {
        if (position + done > static_cast<uint64_t>(INT64_MAX))
            break;
        // An OVERLAPPED with an offset reads there without moving a shared file position.
        OVERLAPPED at{};
        const uint64_t from = position + done;
        at.Offset = static_cast<DWORD>(from);
        at.OffsetHigh = static_cast<DWORD>(from >> 32);
        const DWORD want = static_cast<DWORD>(std::min<size_t>(count - done, 1u << 30));
        DWORD got = 0;
        if (!::ReadFile(FromInt(FHandle), out + done, want, &got, &at)) {
            if (::GetLastError() == ERROR_HANDLE_EOF)
                break;
            throw EReadError();
        }
        if (got == 0)
            break;
        done += got;
    }
    FBytesRead.fetch_add(done, std::memory_order_relaxed);
    return done;
}

std::string NotAFolderReason(const std::string& path) {
    const std::wstring wide = winfs::LongPath(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return {};
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // Followed: a link to a folder is a folder.
        HANDLE handle = ::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return "Dort steht ein symbolischer Verweis, dessen Ziel fehlt";
        const bool folder = winfs::KindOf(handle).Folder;
        ::CloseHandle(handle);
        if (folder)
            return {};
        return "Dort steht eine Datei, kein Ordner";
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return {};
    return "Dort steht eine Datei, kein Ordner";
}

std::optional<TFileId> FileIdOf(const std::string& path) {
    HANDLE handle = ::CreateFileW(winfs::LongPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return std::nullopt;
    const std::optional<TFileId> id = winfs::IdOf(handle);
    ::CloseHandle(handle);
    return id;
}

bool IsSymbolicLinkAt(int folderHandle, const std::string& name) {
    return winfs::KindBelow(FromInt(folderHandle), winfs::Widen(name)).ReparsePoint;
}

bool IsRegularFileAt(int folderHandle, const std::string& name) {
    const winfs::TFileKind kind = winfs::KindBelow(FromInt(folderHandle), winfs::Widen(name));
    return kind.Exists && !kind.Folder && !kind.ReparsePoint;
}

TWriteFile::TWriteFile(const std::string& fileName)
    : FFolder(-1)
    , FName(fileName) {
    HANDLE handle = ::CreateFileW(winfs::LongPath(fileName).c_str(), GENERIC_WRITE | DELETE,
                                  FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        const DWORD attributes = ::GetFileAttributesW(winfs::LongPath(fileName).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            throw EFCreateError(fileName, EISDIR);
        throw EFCreateError(fileName, winfs::ErrnoFromWin32(error));
    }
    // A device ("NUL", "COM1") or a pipe is not a file to fill.
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        ::CloseHandle(handle);
        throw EFCreateError::NotAFile(fileName, "Dort steht ein Gerät, keine Datei");
    }
    if (!::SetEndOfFile(handle)) {
        const int error = winfs::ErrnoFromWin32(::GetLastError());
        ::CloseHandle(handle);
        throw EFCreateError(fileName, error);
    }
    FHandle = ToInt(handle);
}

void TWriteFile::OpenInFolder(bool keepExisting) {
    const HANDLE folder = FromInt(FFolder);
    const std::wstring name = winfs::Widen(FName);
    constexpr DWORD kAccess = FILE_GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES;
    int error = 0;
    HANDLE handle =
        winfs::OpenBelow(folder, name, kAccess, FILE_CREATE, FILE_NON_DIRECTORY_FILE, error);
    if (handle != INVALID_HANDLE_VALUE) {
        FHandle = ToInt(handle);
        return;
    }
    if (error != EEXIST)
        throw EFCreateError(FName, error);
    if (keepExisting)
        throw EFCreateError(FName, EEXIST);
    // Something is there: the reparse point itself, never what it leads to, is opened.
    handle = winfs::OpenBelow(folder, name, kAccess, FILE_OPEN, 0, error);
    if (handle == INVALID_HANDLE_VALUE) {
        if (error == ENOENT)
            return; // gone meanwhile: try again
        // A folder refuses write access to its data under some file systems.
        if (winfs::KindBelow(folder, name).Folder && !winfs::KindBelow(folder, name).ReparsePoint)
            throw EFCreateError(FName, EISDIR);
        throw EFCreateError(FName, error);
    }
    const winfs::TFileKind kind = winfs::KindOf(handle);
    if (kind.Folder && !kind.ReparsePoint) {
        ::CloseHandle(handle);
        throw EFCreateError(FName, EISDIR);
    }
    if (!kind.ReparsePoint && kind.Links <= 1) {
        // The file alone: overwritten in place.
        FILE_END_OF_FILE_INFO end{};
        if (!::SetFileInformationByHandle(handle, FileEndOfFileInfo, &end, sizeof end)) {
            const int failure = winfs::ErrnoFromWin32(::GetLastError());
            ::CloseHandle(handle);
            throw EFCreateError(FName, failure);
        }
        FHandle = ToInt(handle);
        return;
    }
    // A junction, a symbolic link, a second link of a file elsewhere: the name goes, not what
    // it leads to, and the next round creates a new file (FILE_CREATE: nothing else took the
    // name meanwhile).
    const bool deleted = winfs::DeleteOnClose(handle);
    const int failure = winfs::ErrnoFromWin32(::GetLastError());
    ::CloseHandle(handle);
    if (!deleted)
        throw EFCreateError(FName, failure);
}

TWriteFile::~TWriteFile() {
    if (FHandle >= 0)
        ::CloseHandle(FromInt(FHandle));
}

void TWriteFile::Write(const void* data, size_t count) {
    CountWrite(count);
    const auto* in = static_cast<const char*>(data);
    while (count > 0) {
        const DWORD want = static_cast<DWORD>(std::min<size_t>(count, 1u << 30));
        DWORD put = 0;
        if (!::WriteFile(FromInt(FHandle), in, want, &put, nullptr))
            throw EWriteError(FName, winfs::ErrnoFromWin32(::GetLastError()));
        if (put == 0)
            throw EWriteError(FName, ENOSPC);
        in += put;
        count -= put;
        FWritten += put;
    }
}

void TWriteFile::Truncate() {
    LARGE_INTEGER start{};
    HANDLE handle = FromInt(FHandle);
    if (!::SetFilePointerEx(handle, start, nullptr, FILE_BEGIN) || !::SetEndOfFile(handle))
        throw EWriteError(FName, winfs::ErrnoFromWin32(::GetLastError()));
    FWritten = 0;
}

void TWriteFile::Close() {
    const int handle = FHandle;
    FHandle = -1;
    if (handle >= 0 && !::CloseHandle(FromInt(handle)))
        throw EWriteError(FName, winfs::ErrnoFromWin32(::GetLastError()));
}

int TWriteFile::Remove() {
    if (FHandle < 0)
        return 0;
    // The handle was opened with DELETE access: exactly this file goes, whatever took its name.
    HANDLE handle = FromInt(FHandle);
    FHandle = -1;
    const bool deleted = winfs::DeleteOnClose(handle);
    const int error = deleted ? 0 : winfs::ErrnoFromWin32(::GetLastError());
    ::CloseHandle(handle);
    return error;
}
