#pragma once

#include "Exception.h"

#include <memory>
#include <string>

// An open folder below the destination, kept open while files are written into it.
class TFolderHandle {
public:
    explicit TFolderHandle(int handle)
        : FHandle(handle) {}
    ~TFolderHandle();
    TFolderHandle(const TFolderHandle&) = delete;
    TFolderHandle& operator=(const TFolderHandle&) = delete;

    int Get() const { return FHandle; }

private:
    int FHandle;
};

// The folder an extraction writes below. Every folder on the way to a target is opened one
// component at a time relative to its parent, never through a symbolic link: a link already in
// the destination, to a folder or to a file elsewhere, cannot lead a file outside it. And since
// no whole path ever reaches the system, folders nest as deep as the file system allows.
class TDestinationFolder {
public:
    // folder: UTF-8. Nothing happens on disk until the first OpenFolder.
    explicit TDestinationFolder(std::string folder);

    // The folder as given, ending in a separator: how targets are named in messages.
    const std::string& Path() const { return FPath; }

    struct TOpened {
        std::shared_ptr<const TFolderHandle> Folder; // null when this entry cannot have it
        bool ThroughLink = false; // a component is a symbolic link: refused like an unsafe path
        std::string Reason;       // otherwise, why not (German)
    };

    // Opens relative ("/" between components, no empty or "." ones) below the destination,
    // making the folders that are missing, and the destination itself with its parents. Throws
    // EFCreateError for a failure that dooms every further write.
    TOpened OpenFolder(const std::string& relative);

    // Why creating a file or folder failed, in German, when that concerns one entry alone; empty
    // when the error dooms every further write: a full disk, a read-only or vanished
    // destination, no handles left. Permission is refused per entry only below the destination
    // (a folder the user locked), never in the destination itself.
    static std::string EntryFailure(int systemError, bool directlyInDestination);

    // The error that ends the run when creating relative (a file, or a folder) failed with
    // systemError, which EntryFailure found to doom every further write: the destination is
    // named when it takes nothing at all.
    EFCreateError Failure(const std::string& relative, int systemError, bool folder) const;

private:
    // The destination as messages name it: without the separator at its end.
    std::string FolderName() const;

    std::string FPath;
    std::shared_ptr<const TFolderHandle> FRoot;
};
