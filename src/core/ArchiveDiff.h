#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

class TPakReader;

// What changed for one archive path between an old and a new archive.
enum class TChangeKind : uint8_t {
    Added,   // only in the new archive
    Removed, // only in the old one
    Changed, // in both, with other content
    Moved,   // removed from Old, its content now under New and under no other added path
};

struct TChange {
    TChangeKind Kind;
    int32_t Old = -1; // entry of the old archive, or -1
    int32_t New = -1; // entry of the new archive, or -1
    // Found damaged while being compared (a damaged entry is always changed).
    bool OldDamaged = false;
    bool NewDamaged = false;
};

// How far a comparison has come, readable from any thread while it runs: pairs of entries with
// the same path whose content has been compared, of those that need it (known once the paths
// are paired).
struct TDiffProgress {
    std::atomic<int64_t> Total{0};
    std::atomic<int64_t> Done{0};
};

// Compares two open archives by archive path, only reading. Equal stored bytes (same size and
// form) prove equal content and different unpacked sizes prove a change without inflating; the
// rest is inflated on both sides and compared byte for byte, never by a checksum alone. The
// comparisons run on worker threads whose buffers stay within the extractor's budget.
struct TDiffRequest {
    // Entries taking part, one flag per entry; empty: all of them.
    std::vector<char> OldSelected;
    std::vector<char> NewSelected;
    int Threads = 1;
    // Ends at the first difference found (the result then holds it, or more).
    bool FirstOnly = false;
    // Set from any thread to stop; DiffArchives then throws EAborted.
    const std::atomic<bool>* Cancel = nullptr;
    TDiffProgress* Progress = nullptr;
};

// The changes in display order: the old archive's order, each added path after the old entry
// that precedes it in the new archive. Throws EReadError when an archive shrank while read, and
// EAborted when cancelled.
std::vector<TChange> DiffArchives(const TPakReader& oldReader, const TPakReader& newReader,
                                  const TDiffRequest& request);
