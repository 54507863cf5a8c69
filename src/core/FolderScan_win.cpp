// The folder walk on Windows: FindFirstFileExW over wide long paths. A junction or symbolic link
// is taken as the file it leads to when that is a regular file inside the folder, as a symbolic
// link is on POSIX systems, and never entered.
#include "Exception.h"
#include "FileIO.h"
#include "FolderScanParts.h"
#include "WinFiles.h"

#include <algorithm>
#include <cerrno>
#include <optional>

namespace {

// The path of the open file with every link resolved ("\\?\C:\..."); "" when unknown.
std::wstring FinalPath(HANDLE handle) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), 0);
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length + 1);
    }
}

HANDLE OpenFollowed(const std::string& path) {
    return ::CreateFileW(winfs::LongPath(path).c_str(), FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

struct TFindCloser {
    HANDLE Find;
    ~TFindCloser() { ::FindClose(Find); }
};

class TScanner {
public:
    TScanner(const std::string& folder, const std::vector<std::string>& exclude)
        : FBackslashes(folder.find('\\') != std::string::npos) {
        HANDLE handle = OpenFollowed(folder);
        if (handle == INVALID_HANDLE_VALUE)
            throw EFOpenError(folder, winfs::ErrnoFromWin32(::GetLastError()));
        FRealFolder = FinalPath(handle);
        ::CloseHandle(handle);
        if (!FRealFolder.empty() && FRealFolder.back() != L'\\')
            FRealFolder += L'\\';
        for (const std::string& path : exclude)
            if (const std::optional<TFileId> id = FileIdOf(path)) {
                FExclude.push_back(*id);
                const HANDLE file = OpenFollowed(path);
                LARGE_INTEGER size{};
                if (file != INVALID_HANDLE_VALUE && ::GetFileSizeEx(file, &size))
                    FExcludeSizes.push_back(static_cast<uint64_t>(size.QuadPart));
                if (file != INVALID_HANDLE_VALUE)
                    ::CloseHandle(file);
            }
    }

    void Walk(const std::string& diskDir, const std::string& archiveDir, int depth) {
        std::wstring pattern = winfs::LongPath(diskDir);
        while (pattern.size() > 1 && pattern.back() == L'\\')
            pattern.pop_back();
        pattern += L"\\*";
        WIN32_FIND_DATAW item;
        const HANDLE find =
            ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &item, FindExSearchNameMatch,
                               nullptr, FIND_FIRST_EX_LARGE_FETCH);
        if (find == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_FILE_NOT_FOUND)
                return; // nothing at all, not even "." (a drive's root)
            throw EFOpenError(diskDir, winfs::ErrnoFromWin32(error));
        }
        TFindCloser closer{find};
        const bool endsInSeparator =
            !diskDir.empty() && (diskDir.back() == '\\' || diskDir.back() == '/');
        // Paths in messages go on as the folder was given: with "\\" or with "/".
        const char* separator = endsInSeparator ? "" : (FBackslashes ? "\\" : "/");
        do {
            const std::wstring wideName = item.cFileName;
            if (wideName == L"." || wideName == L"..")
                continue;
            const std::string name = winfs::Narrow(wideName);
            const std::string diskPath = diskDir + separator + name;
            std::string archivePath;
            if (!folderscan::ArchivePathOf(FResult, diskPath, name, archiveDir, archivePath))
                continue;
            const DWORD attributes = item.dwFileAttributes;
            // Junctions and symbolic links name another place; other reparse points (files
            // kept elsewhere by a storage service) stand for themselves.
            const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                              IsReparseTagNameSurrogate(item.dwReserved0);
            if (link) {
                if (const std::optional<uint64_t> size = FollowLink(diskPath))
                    FResult.Files.push_back({archivePath, diskPath, *size});
            } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (depth >= folderscan::kMaxDepth)
                    throw EFOpenError(diskPath, ELOOP);
                Walk(diskPath, archivePath, depth + 1);
            } else if (attributes & FILE_ATTRIBUTE_DEVICE) {
                folderscan::SkipSpecial(FResult, diskPath);
            } else {
                const uint64_t size =
                    (static_cast<uint64_t>(item.nFileSizeHigh) << 32) | item.nFileSizeLow;
                if (!IsExcluded(diskPath, size))
                    FResult.Files.push_back({archivePath, diskPath, size});
            }
        } while (::FindNextFileW(find, &item));
        const DWORD error = ::GetLastError();
        if (error != ERROR_NO_MORE_FILES)
            throw EFOpenError(diskDir, winfs::ErrnoFromWin32(error));
    }

    TFolderScan Finish() {
        folderscan::Finish(FResult);
        return std::move(FResult);
    }

private:
    // The size of the regular file inside the folder that the link leads to; nullopt (with the
    // reason noted) when it leads to a folder, out of the folder or nowhere, or to an archive
    // being read or written.
    std::optional<uint64_t> FollowLink(const std::string& diskPath) {
        const HANDLE handle = OpenFollowed(diskPath);
        const std::wstring target =
            handle == INVALID_HANDLE_VALUE ? std::wstring() : FinalPath(handle);
        const bool inside =
            !target.empty() && !FRealFolder.empty() && target.size() > FRealFolder.size() &&
            ::CompareStringOrdinal(target.c_str(), static_cast<int>(FRealFolder.size()),
                                   FRealFolder.c_str(), static_cast<int>(FRealFolder.size()),
                                   TRUE) == CSTR_EQUAL;
        std::optional<uint64_t> size;
        bool excluded = false;
        if (inside && !winfs::KindOf(handle).Folder) {
            LARGE_INTEGER bytes{};
            if (::GetFileSizeEx(handle, &bytes))
                size = static_cast<uint64_t>(bytes.QuadPart);
            const std::optional<TFileId> id = winfs::IdOf(handle);
            excluded = id && std::find(FExclude.begin(), FExclude.end(), *id) != FExclude.end();
        }
        if (handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
        if (size && excluded)
            return std::nullopt;
        if (!size)
            folderscan::SkipLink(FResult, diskPath, inside);
        return size;
    }

    // Opening every file for its identity costs; only a file of an excluded one's size can be it.
    bool IsExcluded(const std::string& diskPath, uint64_t size) const {
        if (std::find(FExcludeSizes.begin(), FExcludeSizes.end(), size) == FExcludeSizes.end())
            return false;
        const std::optional<TFileId> id = FileIdOf(diskPath);
        return id && std::find(FExclude.begin(), FExclude.end(), *id) != FExclude.end();
    }

    bool FBackslashes;
    std::wstring FRealFolder; // ends in "\"
    std::vector<TFileId> FExclude;
    std::vector<uint64_t> FExcludeSizes;
    TFolderScan FResult;
};

} // namespace

TFolderScan ScanFolder(const std::string& folder, const std::vector<std::string>& exclude) {
    TScanner scanner(folder, exclude);
    scanner.Walk(folder, "", 0);
    return scanner.Finish();
}
