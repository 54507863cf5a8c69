#include "ArchiveBuilder.h"

#include "ArchivePlan.h"
#include "CompressionPipeline.h"
#include "Cp1252.h"
#include "FileIO.h"
#include "SafeOutput.h"

#include <algorithm>

namespace pakbuild {
namespace {

using paklayout::TFileRecord;

ENamesRefused MakeRefusal(std::vector<std::string> messages) {
    return ENamesRefused(std::move(messages));
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n") + line;
    return text;
}

void RefuseSameFile(const std::string& oldArchive, const std::string& newArchive) {
    const std::optional<TFileId> oldId = FileIdOf(oldArchive);
    if (oldId && oldId == FileIdOf(newArchive))
        throw Exception("Das neue Archiv " + newArchive + " ist das alte Archiv " + oldArchive +
                        ": es wird nie überschrieben. Bitte einen anderen Namen wählen.");
}

// A stretch of the old archive copied as it is, and where it goes in the new one.
struct TRun {
    uint64_t Start, End, Out;
};

// The stretches that hold the kept entries' stored bytes, in the order they lie in the old
// archive, so that runs of neighbours become one copy; gaps (removed or replaced entries) are
// dropped, and entries sharing bytes keep sharing them. Each kept entry gets its offset in the
// new archive, whose copies begin at out.
std::vector<TRun> KeptRuns(std::vector<TFileRecord*>& kept, const TReadFile& input,
                           const std::string& oldName, uint64_t out) {
    for (const TFileRecord* file : kept)
        if (file->StoredSize > input.Size() || file->Offset > input.Size() - file->StoredSize)
            throw Exception("Die gespeicherten Daten von " + cp1252::ToUtf8(file->Path) +
                            " liegen hinter dem Ende von " + oldName +
                            "; das Archiv ist beschädigt und wird nicht übernommen.");
    std::sort(kept.begin(), kept.end(), [](const TFileRecord* a, const TFileRecord* b) {
        return a->Offset != b->Offset ? a->Offset < b->Offset : a->StoredSize > b->StoredSize;
    });
    std::vector<TRun> runs;
    auto written = [&] {
        return runs.empty() ? out : runs.back().Out + (runs.back().End - runs.back().Start);
    };
    for (TFileRecord* file : kept) {
        if (file->StoredSize == 0) {
            file->Offset = written();
            continue;
        }
        const uint64_t end = file->Offset + file->StoredSize;
        if (runs.empty() || file->Offset > runs.back().End)
            runs.push_back({file->Offset, file->Offset, written()});
        TRun& run = runs.back();
        run.End = std::max(run.End, end);
        file->Offset = run.Out + (file->Offset - run.Start);
    }
    return runs;
}

uint64_t RunBytes(const std::vector<TRun>& runs) {
    uint64_t bytes = 0;
    for (const TRun& run : runs)
        bytes += run.End - run.Start;
    return bytes;
}

// Copies the runs, in pieces, so that progress moves while one run holds most of the archive.
void CopyRuns(const std::vector<TRun>& runs, const TReadFile& input, TSafeOutput& out,
              TProgress* progress) {
    constexpr uint64_t kPiece = 64 << 20;
    for (const TRun& run : runs)
        for (uint64_t at = run.Start; at < run.End; at += kPiece) {
            const uint64_t size = std::min(kPiece, run.End - at);
            out.CopyFrom(input, at, size);
            if (progress)
                progress->Done += size;
        }
}

TReport Build(paklayout::TLayout layout, const TReadFile* input, const std::string& oldName,
              const std::string& newArchive, const std::string& folder, const TOptions& options) {
    std::vector<std::string> exclude{newArchive};
    if (input)
        exclude.push_back(oldName);
    TFolderScan scan = ScanFolder(folder, exclude);
    if (!scan.Refused.empty())
        throw MakeRefusal(std::move(scan.Refused));
    TReport report;
    report.Skipped = std::move(scan.Skipped);
    PlanArchive(layout, scan, options, report);

    std::vector<TFileRecord*> kept;
    std::vector<TFileRecord*> fresh;
    paklayout::ForEachFile(
        layout.Root, [&](TFileRecord& file) { (file.Source < 0 ? kept : fresh).push_back(&file); });

    const std::vector<TRun> runs =
        input ? KeptRuns(kept, *input, oldName, paklayout::kHeaderSize) : std::vector<TRun>{};
    if (options.Progress) {
        uint64_t total = RunBytes(runs);
        for (const TFileRecord* file : fresh)
            total += scan.Files[static_cast<size_t>(file->Source)].Size;
        options.Progress->Total = total;
    }

    TSafeOutput out(newArchive, options.Cancel);
    out.Write(std::string(paklayout::kHeaderSize, '\0'));
    if (input)
        CopyRuns(runs, *input, out, options.Progress);
    const int64_t unchanged = WriteCompressed(fresh, scan.Files, input, options, out);
    report.Replaced -= unchanged;
    report.Kept += unchanged;

    const uint64_t root = out.Position();
    std::string directory;
    paklayout::AppendDirectory(directory, layout.Root);
    out.Write(directory);
    out.WriteAt(0, paklayout::HeaderWithRoot(layout.Header, root));
    report.ArchiveBytes = out.Position();
    out.Commit();
    return report;
}

} // namespace

ENamesRefused::ENamesRefused(std::vector<std::string> messages)
    : Exception(JoinLines(messages))
    , FMessages(std::move(messages)) {}

TReport UpdateArchive(const std::string& oldArchive, const std::string& newArchive,
                      const std::string& folder, const TOptions& options) {
    RefuseSameFile(oldArchive, newArchive);
    TReadFile input;
    input.Open(oldArchive);
    return Build(paklayout::ReadLayout(input, oldArchive), &input, oldArchive, newArchive, folder,
                 options);
}

TReport CreateArchive(const std::string& newArchive, const std::string& folder,
                      const TOptions& options) {
    TOptions all = options;
    all.Add = true;
    return Build(paklayout::TLayout{}, nullptr, "", newArchive, folder, all);
}

} // namespace pakbuild
