#pragma once

#include "Inflate.h"
#include "uPakReader.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Writes entries of an open archive below one destination folder, one Add per file, in the
// order the caller wants them. It creates the folders a file needs, refuses every target that
// would leave the destination folder, and reports damaged and refused entries in the order they
// were added. The window's extraction commands and the command-line tool both go through it.
class TExtractor {
public:
    struct TStats {
        int64_t Written = 0;
        int64_t Damaged = 0;
        int64_t Refused = 0;
        uint64_t Bytes = 0; // unpacked bytes of the written entries
    };

    // destination: a folder (UTF-8); a separator is added unless it ends in one (a root).
    TExtractor(const TPakReader& reader, std::string destination);

    // Called for an entry whose compressed data is damaged (its file is left empty).
    std::function<void(int32_t index)> OnDamaged;
    // Called for an entry whose target would leave the destination; nothing is written.
    std::function<void(int32_t index)> OnRefused;

    // Writes entry index to destination/relativeDir/name, where relativeDir is an archive
    // directory path ("/" separators, empty for the destination itself). Throws what writing a
    // file throws: EFCreateError, EReadError, EWriteError.
    void Add(int32_t index, std::string_view relativeDir);

    const TStats& Stats() const { return FStats; }

private:
    const TPakReader& FReader;
    std::string FDestination;
    std::string FLastFolder; // the folder made last, so runs of one folder make it once
    bool FHaveFolder = false;
    TInflater FInflater;
    TStats FStats;
};
