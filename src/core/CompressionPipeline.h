#pragma once

#include "ArchiveBuilder.h"
#include "FolderScan.h"
#include "PakLayout.h"

#include <vector>

class TReadFile;
class TSafeOutput;

namespace pakbuild {

// Reads and compresses the folder files that records take their content from, on
// options.Threads threads, and appends the stored bytes to out in the order of records, whatever
// the threads' timing: the same input gives the same bytes at every thread count. Sets each
// record's offset and sizes. A file whose content equals that of the entry it replaces keeps the
// entry's stored bytes (read from oldArchive): returns how many did.
int64_t WriteCompressed(const std::vector<paklayout::TFileRecord*>& records,
                        const std::vector<TFolderFile>& files, const TReadFile* oldArchive,
                        const TOptions& options, TSafeOutput& out);

} // namespace pakbuild
