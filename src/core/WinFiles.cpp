#include "WinFiles.h"

#include <cerrno>
#include <vector>
#include <winternl.h>

namespace winfs {

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty())
        return {};
    const int size =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                          size);
    return wide;
}

std::string Narrow(std::wstring_view wide) {
    if (wide.empty())
        return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size,
                          nullptr, nullptr);
    return utf8;
}

std::wstring LongPath(const std::string& path) {
    std::wstring wide = Widen(path);
    for (wchar_t& c : wide)
        if (c == L'/')
            c = L'\\';
    if (wide.starts_with(L"\\\\?\\") || wide.starts_with(L"\\\\.\\"))
        return wide;
    const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return wide;
    std::wstring full(size, L'\0');
    const DWORD length = ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    full.resize(length);
    // A device name ("NUL", "CON") turns into a device path: it stays one.
    if (full.starts_with(L"\\\\.\\"))
        return full;
    if (full.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

int ErrnoFromWin32(DWORD error) {
    switch (error) {
    case ERROR_SUCCESS:
        return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_CANNOT_MAKE:
        return EACCES;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return EBUSY;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
        return ENOSPC;
    case 1295: // ERROR_DISK_QUOTA_EXCEEDED
        return EDQUOT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
        return EINVAL;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_DIR_NOT_EMPTY:
        return ENOTEMPTY;
    case ERROR_CANT_RESOLVE_FILENAME:
        return ELOOP;
    case ERROR_NO_SYSTEM_RESOURCES:
        return EAGAIN;
    default:
        return EIO;
    }
}

int ErrnoFromStatus(long status) {
    switch (static_cast<unsigned long>(status)) {
    case 0xC0000034: // STATUS_OBJECT_NAME_NOT_FOUND
    case 0xC000003A: // STATUS_OBJECT_PATH_NOT_FOUND
        return ENOENT;
    case 0xC0000035: // STATUS_OBJECT_NAME_COLLISION
        return EEXIST;
    case 0xC0000022: // STATUS_ACCESS_DENIED
    case 0xC0000121: // STATUS_CANNOT_DELETE
        return EACCES;
    case 0xC00000BA: // STATUS_FILE_IS_A_DIRECTORY
        return EISDIR;
    case 0xC0000103: // STATUS_NOT_A_DIRECTORY
        return ENOTDIR;
    case 0xC000007F: // STATUS_DISK_FULL
        return ENOSPC;
    case 0xC0000044: // STATUS_QUOTA_EXCEEDED
        return EDQUOT;
    case 0xC0000033: // STATUS_OBJECT_NAME_INVALID
        return EINVAL;
    case 0xC0000106: // STATUS_NAME_TOO_LONG
        return ENAMETOOLONG;
    case 0xC0000043: // STATUS_SHARING_VIOLATION
    case 0xC0000056: // STATUS_DELETE_PENDING
        return EBUSY;
    case 0xC00000A2: // STATUS_MEDIA_WRITE_PROTECTED
        return EROFS;
    case 0xC000009A: // STATUS_INSUFFICIENT_RESOURCES
        return ENOMEM;
    case 0xC000011F: // STATUS_TOO_MANY_OPENED_FILES
        return EMFILE;
    case 0xC0000101: // STATUS_DIRECTORY_NOT_EMPTY
        return ENOTEMPTY;
    default:
        return ErrnoFromWin32(::RtlNtStatusToDosError(status));
    }
}

HANDLE OpenBelow(HANDLE folder, const std::wstring& name, DWORD access, unsigned long disposition,
                 unsigned long options, int& error) {
    UNICODE_STRING text;
    text.Buffer = const_cast<wchar_t*>(name.c_str());
    text.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    text.MaximumLength = text.Length;
    OBJECT_ATTRIBUTES attributes;
    // Names compare as Win32 calls compare them: without regard to case.
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK status{};
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (name.size() > 32767) {
        error = ENAMETOOLONG;
        return INVALID_HANDLE_VALUE;
    }
    const NTSTATUS result = ::NtCreateFile(
        &handle, access | SYNCHRONIZE, &attributes, &status, nullptr, FILE_ATTRIBUTE_NORMAL,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, disposition,
        options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (result < 0) {
        error = ErrnoFromStatus(result);
        return INVALID_HANDLE_VALUE;
    }
    error = 0;
    return handle;
}

TFileKind KindOf(HANDLE handle) {
    TFileKind kind;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info))
        return kind;
    kind.Exists = true;
    kind.Folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    kind.ReparsePoint = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    kind.Links = info.nNumberOfLinks;
    return kind;
}

std::optional<TFileId> IdOf(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info))
        return std::nullopt;
    return TFileId{info.dwVolumeSerialNumber,
                   (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

TFileKind KindBelow(HANDLE folder, const std::wstring& name) {
    int error = 0;
    HANDLE handle = OpenBelow(folder, name, FILE_READ_ATTRIBUTES, FILE_OPEN, 0, error);
    if (handle == INVALID_HANDLE_VALUE)
        return {};
    const TFileKind kind = KindOf(handle);
    ::CloseHandle(handle);
    return kind;
}

bool DeleteOnClose(HANDLE handle) {
    FILE_DISPOSITION_INFO info{};
    info.DeleteFile = TRUE;
    return ::SetFileInformationByHandle(handle, FileDispositionInfo, &info, sizeof info) != 0;
}

} // namespace winfs
