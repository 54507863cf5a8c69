#include "FolderScan.h"

#include "Cp1252.h"
#include "Exception.h"

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
        for (const std::string& path : exclude) {
            struct stat st;
            if (::stat(path.c_str(), &st) == 0)
                FExclude.emplace_back(st.st_dev, st.st_ino);
        }
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
            std::string archiveName;
            if (!cp1252::FromUtf8(name, archiveName)) {
                FResult.Refused.push_back(
                    "Der Name " + diskPath +
                    " kann im Archiv nicht stehen: er enthält ein Zeichen, das Windows-1252 "
                    "nicht darstellen kann.");
                continue;
            }
            const std::string archivePath =
                archiveDir.empty() ? archiveName : archiveDir + "/" + archiveName;
            struct stat st;
            if (::fstatat(handle, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
                throw EFOpenError(diskPath, errno);
            if (S_ISLNK(st.st_mode) && !FollowLink(diskPath, st))
                continue;
            if (S_ISDIR(st.st_mode)) {
                if (depth >= kMaxDepth)
                    throw EFOpenError(diskPath, ELOOP);
                Walk(diskPath, archivePath, depth + 1);
            } else if (!S_ISREG(st.st_mode)) {
                FResult.Skipped.push_back("Keine gewöhnliche Datei, ausgelassen: " + diskPath);
            } else if (!IsExcluded(st)) {
                FResult.Files.push_back({archivePath, diskPath, static_cast<uint64_t>(st.st_size)});
            }
        }
    }

    TFolderScan Finish() {
        std::sort(FResult.Files.begin(), FResult.Files.end(),
                  [](const TFolderFile& a, const TFolderFile& b) {
                      return a.ArchivePath < b.ArchivePath;
                  });
        std::sort(FResult.Refused.begin(), FResult.Refused.end());
        std::sort(FResult.Skipped.begin(), FResult.Skipped.end());
        return std::move(FResult);
    }

private:
    static constexpr int kMaxDepth = 256;

    // A link is taken as the file it leads to when that is a regular file inside the folder.
    bool FollowLink(const std::string& diskPath, struct stat& st) {
        char* real = ::realpath(diskPath.c_str(), nullptr);
        const std::string target = real ? real : "";
        std::free(real);
        const bool inside = !target.empty() && target.starts_with(FRealFolder + "/");
        if (inside && ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            return true;
        FResult.Skipped.push_back(
            inside ? "Verknüpfung auf einen Ordner, nicht verfolgt: " + diskPath
                   : "Verknüpfung aus dem Ordner hinaus, ausgelassen: " + diskPath);
        return false;
    }

    bool IsExcluded(const struct stat& st) const {
        return std::find(FExclude.begin(), FExclude.end(), std::pair(st.st_dev, st.st_ino)) !=
               FExclude.end();
    }

    std::string FFolder;
    std::string FRealFolder;
    std::vector<std::pair<dev_t, ino_t>> FExclude;
    TFolderScan FResult;
};

} // namespace

TFolderScan ScanFolder(const std::string& folder, const std::vector<std::string>& exclude) {
    TScanner scanner(folder, exclude);
    scanner.Walk(folder, "", 0);
    return scanner.Finish();
}
