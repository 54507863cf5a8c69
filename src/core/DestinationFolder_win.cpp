// The folders below an extraction's destination on Windows. As on POSIX, each folder is opened
// relative to its parent's handle, one component at a time, and a reparse point (a junction or
// a symbolic link) on the way is never entered. Only the destination itself is named by a whole
// path, with the "\\?\" prefix; everything below goes by handle, so deep trees are not bound
// to 260 characters.
#include "DestinationFolder.h"
#include "Exception.h"
#include "FileIO.h"
#include "WinFiles.h"

#include <cerrno>

namespace {

constexpr DWORD kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_ADD_FILE |
                                FILE_ADD_SUBDIRECTORY | FILE_READ_ATTRIBUTES;

// Makes folder (a long path) with its missing parents: a Windows error, ERROR_SUCCESS when it
// stands (also when it stood before).
DWORD MakeFolders(const std::wstring& folder) {
    if (::CreateDirectoryW(folder.c_str(), nullptr))
        return ERROR_SUCCESS;
    DWORD error = ::GetLastError();
    if (error == ERROR_ALREADY_EXISTS)
        return ERROR_SUCCESS;
    if (error != ERROR_PATH_NOT_FOUND)
        return error;
    const size_t cut = folder.find_last_of(L'\\');
    // The "\\?\C:" of a drive, or no parent at all: nothing left to make.
    if (cut == std::wstring::npos || cut <= 6)
        return error;
    if (const DWORD parent = MakeFolders(folder.substr(0, cut)); parent != ERROR_SUCCESS)
        return parent;
    if (::CreateDirectoryW(folder.c_str(), nullptr))
        return ERROR_SUCCESS;
    error = ::GetLastError();
    return error == ERROR_ALREADY_EXISTS ? ERROR_SUCCESS : error;
}

} // namespace

TFolderHandle::~TFolderHandle() {
    ::CloseHandle(winfs::FromInt(FHandle));
}

TDestinationFolder::TOpened TDestinationFolder::OpenFolder(const std::string& relative) {
    if (!FRoot) {
        // The destination itself is the user's choice: links on the way to it are followed.
        std::wstring path = winfs::LongPath(FPath);
        while (path.size() > 7 && path.back() == L'\\')
            path.pop_back();
        const DWORD made = MakeFolders(path);
        HANDLE handle = ::CreateFileW(path.c_str(), kFolderAccess,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle != INVALID_HANDLE_VALUE && !winfs::KindOf(handle).Folder) {
            ::CloseHandle(handle);
            handle = INVALID_HANDLE_VALUE;
            ::SetLastError(ERROR_DIRECTORY);
        }
        if (handle == INVALID_HANDLE_VALUE) {
            // What kept the folder from being made says more than its absence.
            const DWORD error = made != ERROR_SUCCESS ? made : ::GetLastError();
            throw EFCreateError::Folder(FolderName(), winfs::ErrnoFromWin32(error),
                                        NotAFolderReason(FolderName()));
        }
        FRoot = std::make_shared<const TFolderHandle>(winfs::ToInt(handle));
    }

    TOpened opened;
    opened.Folder = FRoot;
    for (size_t start = 0; start < relative.size();) {
        size_t end = relative.find('/', start);
        if (end == std::string::npos)
            end = relative.size();
        const std::wstring component = winfs::Widen(relative.substr(start, end - start));
        const HANDLE parent = winfs::FromInt(opened.Folder->Get());
        int error = 0;
        HANDLE handle = winfs::OpenBelow(parent, component, kFolderAccess, FILE_OPEN_IF,
                                         FILE_DIRECTORY_FILE, error);
        if (handle != INVALID_HANDLE_VALUE && winfs::KindOf(handle).ReparsePoint) {
            ::CloseHandle(handle);
            return {nullptr, true, {}};
        }
        if (handle == INVALID_HANDLE_VALUE) {
            if (winfs::KindBelow(parent, component).ReparsePoint)
                return {nullptr, true, {}};
            std::string reason = EntryFailure(error, opened.Folder == FRoot);
            if (reason.empty())
                throw Failure(relative.substr(0, end), error, true);
            return {nullptr, false, std::move(reason)};
        }
        opened.Folder = std::make_shared<const TFolderHandle>(winfs::ToInt(handle));
        start = end + 1;
    }
    return opened;
}
