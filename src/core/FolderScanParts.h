#pragma once

// What the folder walks of every system share (FolderScanCommon.cpp): how a name on disk
// becomes an archive name, the German messages for what is passed over, the order of results.

#include "FolderScan.h"

#include <string>

namespace folderscan {

// Folders nested deeper than this end the walk (a loop the checks did not see).
inline constexpr int kMaxDepth = 256;

// The archive path of the file or folder utf8Name (UTF-8, one component) inside archiveDir;
// false, with the refusal noted in scan, when Windows-1252 cannot hold the name.
bool ArchivePathOf(TFolderScan& scan, const std::string& diskPath, const std::string& utf8Name,
                   const std::string& archiveDir, std::string& archivePath);

// A link not taken: inside says whether it leads to something inside the folder (then a folder,
// or anything but a regular file), else out of it or nowhere.
void SkipLink(TFolderScan& scan, const std::string& diskPath, bool inside);
void SkipSpecial(TFolderScan& scan, const std::string& diskPath);

// Sorts the files by archive path, byte for byte, and the messages.
void Finish(TFolderScan& scan);

} // namespace folderscan
