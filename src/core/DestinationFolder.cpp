#include "DestinationFolder.h"

#include "Exception.h"
#include "FileIO.h"
#include "SafePath.h"

#include <cerrno>
#include <filesystem>
// The folders themselves on Windows: DestinationFolder_win.cpp.
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

} // namespace

TFolderHandle::~TFolderHandle() {
    ::close(FHandle);
}
#endif

TDestinationFolder::TDestinationFolder(std::string folder)
    : FPath(std::move(folder)) {
    if (FPath.empty() || FPath.back() != kPathSeparator)
        FPath.push_back(kPathSeparator);
}

#ifndef _WIN32
TDestinationFolder::TOpened TDestinationFolder::OpenFolder(const std::string& relative) {
    if (!FRoot) {
        // The destination itself is the user's choice: links on the way to it are followed.
        std::error_code made;
        std::filesystem::create_directories(FPath, made);
        const int handle = ::open(FPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (handle < 0) {
            // What kept the folder from being made says more than its absence.
            const int error = errno == ENOENT && made ? made.value() : errno;
            throw EFCreateError::Folder(FolderName(), error, NotAFolderReason(FolderName()));
        }
        FRoot = std::make_shared<const TFolderHandle>(handle);
    }

    TOpened opened;
    opened.Folder = FRoot;
    std::string component;
    bool madeParent = false; // a folder just made is empty: no need to look before making
    for (size_t start = 0; start < relative.size();) {
        size_t end = relative.find('/', start);
        if (end == std::string::npos)
            end = relative.size();
        component.assign(relative, start, end - start);
        const int parent = opened.Folder->Get();
        int handle = madeParent ? -1 : ::openat(parent, component.c_str(), kFolderFlags);
        if (madeParent || (handle < 0 && errno == ENOENT)) {
            madeParent = ::mkdirat(parent, component.c_str(), 0777) == 0;
            if (madeParent || errno == EEXIST)
                handle = ::openat(parent, component.c_str(), kFolderFlags);
        }
        if (handle < 0) {
            const int error = errno;
            if (IsSymbolicLinkAt(parent, component))
                return {nullptr, true, {}};
            std::string reason = EntryFailure(error, opened.Folder == FRoot);
            if (reason.empty())
                throw Failure(relative.substr(0, end), error, true);
            return {nullptr, false, std::move(reason)};
        }
        opened.Folder = std::make_shared<const TFolderHandle>(handle);
        start = end + 1;
    }
    return opened;
}
#endif

std::string TDestinationFolder::FolderName() const {
    return FPath.size() == 1 ? FPath : FPath.substr(0, FPath.size() - 1);
}

EFCreateError TDestinationFolder::Failure(const std::string& relative, int systemError,
                                          bool folder) const {
    const bool direct = relative.find('/') == std::string::npos;
    if (direct && (systemError == EACCES || systemError == EPERM || systemError == EROFS))
        return EFCreateError::Unwritable(FolderName(), systemError);
    return folder ? EFCreateError::Subfolder(FPath + relative, systemError)
                  : EFCreateError(FPath + relative, systemError);
}

std::string TDestinationFolder::EntryFailure(int systemError, bool directlyInDestination) {
    switch (systemError) {
    case ENOSPC:
    case EDQUOT:
    case EROFS:
    case EIO:
    case ENOENT: // with handles, only a folder removed under our feet gives this
    case ESTALE:
    case EMFILE:
    case ENFILE:
    case ENOMEM:
        return {};
    case EACCES:
    case EPERM:
        return directlyInDestination ? std::string() : SystemErrorText(systemError);
    case ENAMETOOLONG:
        return "Der Name ist zu lang für das Dateisystem";
    case EISDIR:
        return "Dort steht schon ein Ordner";
    case ENOTDIR:
        return "Ein Ordner auf dem Weg ist eine Datei";
    case EEXIST:
        return "Der Name ist schon vergeben";
    case EILSEQ:
    case EINVAL:
        return "Das Dateisystem erlaubt diesen Namen nicht";
    case EMLINK:
        return "Der Ordner nimmt keine weiteren Unterordner auf";
    case ETXTBSY:
        return "Die Datei wird gerade ausgeführt";
    default:
        return SystemErrorText(systemError);
    }
}
