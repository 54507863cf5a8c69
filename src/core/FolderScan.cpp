// The folder walk on POSIX systems: readdir, with symbolic links resolved by realpath.
#include "Exception.h"
#include "FileIO.h"
#include "FolderScanParts.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

struct TDirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

class TScanner {
public:
    TScanner(const std::string& folder, const std::vector<std::string>& exclude)
        : FFolder(folder) {
        char* real = ::realpath(folder.c_str(), nullptr);
        if (real == nullptr)
            throw EFOpenError(folder, errno);
        FRealFolder = real;
        std::free(real);
        for (const std::string& path : exclude)
            if (const std::optional<TFileId> id = FileIdOf(path))
                FExclude.push_back(*id);
    }

    void Walk(const std::string& diskDir, const std::string& archiveDir, int depth) {
        std::unique_ptr<DIR, TDirCloser> dir(::opendir(diskDir.c_str()));
        if (!dir)
            throw EFOpenError(diskDir, errno);
        const int handle = ::dirfd(dir.get());
        while (const dirent* item = ::readdir(dir.get())) {
            const std::string name = item->d_name;
            if (name == "." || name == "..")
                continue;
            const std::string diskPath = diskDir + "/" + name;
            std::string archivePath;
            if (!folderscan::ArchivePathOf(FResult, diskPath, name, archiveDir, archivePath))
                continue;
            struct stat st;
            if (::fstatat(handle, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
                throw EFOpenError(diskPath, errno);
            if (S_ISLNK(st.st_mode) && !FollowLink(diskPath, st))
                continue;
            if (S_ISDIR(st.st_mode)) {
                if (depth >= folderscan::kMaxDepth)
                    throw EFOpenError(diskPath, ELOOP);
                Walk(diskPath, archivePath, depth + 1);
            } else if (!S_ISREG(st.st_mode)) {
                folderscan::SkipSpecial(FResult, diskPath);
            } else if (!IsExcluded(st)) {
                FResult.Files.push_back({archivePath, diskPath, static_cast<uint64_t>(st.st_size)});
            }
        }
    }

    TFolderScan Finish() {
        folderscan::Finish(FResult);
        return std::move(FResult);
    }

private:
    // A link is taken as the file it leads to when that is a regular file inside the folder.
    bool FollowLink(const std::string& diskPath, struct stat& st) {
        char* real = ::realpath(diskPath.c_str(), nullptr);
        const std::string target = real ? real : "";
        std::free(real);
        const bool inside = !target.empty() && target.starts_with(FRealFolder + "/");
        if (inside && ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            return true;
        folderscan::SkipLink(FResult, diskPath, inside);
        return false;
    }

    bool IsExcluded(const struct stat& st) const {
        const TFileId id{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
        return std::find(FExclude.begin(), FExclude.end(), id) != FExclude.end();
    }

    std::string FFolder;
    std::string FRealFolder;
    std::vector<TFileId> FExclude;
    TFolderScan FResult;
};

} // namespace

TFolderScan ScanFolder(const std::string& folder, const std::vector<std::string>& exclude) {
    TScanner scanner(folder, exclude);
    scanner.Walk(folder, "", 0);
    return scanner.Finish();
}
