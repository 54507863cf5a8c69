// varnholm-pak diff: what changed between two versions of an archive.
#include "ArchiveDiff.h"
#include "CommandSupport.h"
#include "Commands.h"
#include "Exception.h"
#include "Progress.h"
#include "uPakReader.h"

#include <array>
#include <cstdio>
#include <thread>

namespace pakcmd {
namespace {

constexpr std::array<const char*, 4> kMarks = {"+ ", "- ", "~ ", "> "};
constexpr std::array<const char*, 4> kKindNames = {"neu", "entfernt", "geändert", "verschoben"};

size_t KindIndex(TChangeKind kind) {
    return static_cast<size_t>(kind);
}

void PrintLines(const TPakReader& oldReader, const TPakReader& newReader,
                const std::vector<TChange>& changes) {
    TOutput out;
    for (const TChange& c : changes) {
        out.Text(kMarks[KindIndex(c.Kind)]);
        if (c.Kind == TChangeKind::Added) {
            out.ArchiveText(newReader.EntryPath(c.New));
        } else {
            out.ArchiveText(oldReader.EntryPath(c.Old));
            if (c.Kind == TChangeKind::Moved) {
                out.Text("\t");
                out.ArchiveText(newReader.EntryPath(c.New));
            }
        }
        out.Char('\n');
    }
}

// Files and bytes per kind: of the new archive for what it holds, of the old one for what went.
void PrintStat(const TPakReader& oldReader, const TPakReader& newReader,
               const std::vector<TChange>& changes) {
    std::array<uint64_t, 4> files{};
    std::array<unsigned __int128, 4> bytes{};
    for (const TChange& c : changes) {
        ++files[KindIndex(c.Kind)];
        bytes[KindIndex(c.Kind)] +=
            c.New >= 0 ? newReader.EntryUnpackedSize(c.New) : oldReader.EntryUnpackedSize(c.Old);
    }
    for (size_t k : {0u, 2u, 1u, 3u})
        std::printf("%s: %llu Dateien, %s Bytes\n", kKindNames[k],
                    static_cast<unsigned long long>(files[k]), Decimal(bytes[k]).c_str());
}

} // namespace

int Diff(const std::string& oldArchive, const std::string& newArchive,
         const std::vector<std::string>& paths, const TOptions& options) {
    TPakReader oldReader;
    TPakReader newReader;
    // Both directories are read at once, one on another core.
    bool newOpened = false;
    std::thread openNew([&] { newOpened = OpenArchive(newReader, newArchive); });
    const bool oldOpened = OpenArchive(oldReader, oldArchive);
    openNew.join();
    if (!oldOpened || !newOpened)
        return kFatal;
    TDiffRequest request;
    std::vector<char> namedOld;
    std::vector<char> namedNew;
    request.OldSelected = SelectedEntries(oldReader, paths, namedOld);
    request.NewSelected = SelectedEntries(newReader, paths, namedNew);
    bool missing = false;
    for (size_t k = 0; k < paths.size(); ++k) {
        if (!namedOld[k] && !namedNew[k]) {
            PrintMessage("In keinem der Archive: " + paths[k]);
            missing = true;
        }
    }
    if (missing)
        return kFatal;
    request.Threads = options.Threads;
    request.FirstOnly = options.Quiet;

    TProgressLine clock(0, 0);
    std::vector<TChange> changes;
    try {
        changes = DiffArchives(oldReader, newReader, request);
    } catch (const Exception& e) {
        PrintMessage(e.what());
        return kFatal;
    }
    if (options.Quiet)
        return changes.empty() ? kOk : kSomeFailed;

    std::array<int64_t, 4> counts{};
    int64_t damaged = 0;
    for (const TChange& c : changes) {
        ++counts[KindIndex(c.Kind)];
        if (c.OldDamaged)
            PrintMessage(oldArchive + ": " + oldReader.DamagedEntryMessage(c.Old));
        if (c.NewDamaged)
            PrintMessage(newArchive + ": " + newReader.DamagedEntryMessage(c.New));
        damaged += (c.OldDamaged ? 1 : 0) + (c.NewDamaged ? 1 : 0);
    }
    if (options.Stat)
        PrintStat(oldReader, newReader, changes);
    else
        PrintLines(oldReader, newReader, changes);
    std::fflush(stdout);
    PrintMessage(std::to_string(counts[2]) + " geändert, " + std::to_string(counts[0]) + " neu, " +
                 std::to_string(counts[1]) + " entfernt, " + std::to_string(counts[3]) +
                 " verschoben, " + std::to_string(damaged) + " beschädigt, " +
                 Seconds(clock.Seconds()));
    return changes.empty() ? kOk : kSomeFailed;
}

} // namespace pakcmd
