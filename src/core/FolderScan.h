#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The files of a folder that go into an archive, found without leaving the folder.
struct TFolderFile {
    std::string ArchivePath; // Windows-1252, "/" between components
    std::string DiskPath;    // UTF-8, as the system opens it
    uint64_t Size = 0;
};

struct TFolderScan {
    // Sorted by archive path, byte for byte, whatever order the file system lists them in.
    std::vector<TFolderFile> Files;
    // German messages: names the archive cannot hold. Nothing may be written while any remain.
    std::vector<std::string> Refused;
    // German messages: what was left out and why (links, special files).
    std::vector<std::string> Skipped;
};

// Walks folder (UTF-8). Symbolic links (on Windows also junctions) are taken only when they lead
// to a regular file inside the folder; links to folders are not followed, so the walk cannot
// loop or leave it. Files that are the same as one of the exclude paths (compared by FileIdOf,
// so also through links) are left out: the archives being read and written. Empty folders leave
// nothing. Throws EFOpenError when folder cannot be read. FolderScan.cpp (POSIX) and
// FolderScan_win.cpp hold the walks, FolderScanCommon.cpp what they share.
TFolderScan ScanFolder(const std::string& folder, const std::vector<std::string>& exclude = {});
