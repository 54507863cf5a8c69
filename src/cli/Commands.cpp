#include "Commands.h"

#include "CommandSupport.h"
#include "Cp1252.h"
#include "DirectoryIds.h"
#include "Exception.h"
#include "Extractor.h"
#include "PathPattern.h"
#include "Progress.h"
#include "TerminalText.h"
#include "Verifier.h"
#include "uPakReader.h"

#include <charconv>
#include <cstdio>

namespace pakcmd {

int List(const std::string& archive, const std::vector<std::string>& paths) {
    TPakReader reader;
    if (!OpenArchive(reader, archive))
        return kFatal;
    int64_t notFound = 0;
    std::vector<char> listed(static_cast<size_t>(reader.Count()), paths.empty());
    if (!paths.empty())
        for (const TSelection& item : SelectAll(reader, paths, notFound))
            listed[static_cast<size_t>(item.Index)] = 1;
    TOutput out;
    for (int32_t i = 0; i < reader.Count(); ++i) {
        if (!listed[static_cast<size_t>(i)])
            continue;
        out.Number(reader.EntryUnpackedSize(i));
        out.Text("\t");
        out.Number(reader.EntryStoredSize(i));
        out.Text("\t");
        out.ArchiveText(reader.EntryPath(i));
        out.Char('\n');
    }
    return notFound > 0 ? kSomeFailed : kOk;
}

int Info(const std::string& archive) {
    TPakReader reader;
    if (!OpenArchive(reader, archive))
        return kFatal;
    unsigned __int128 stored = 0;
    unsigned __int128 unpacked = 0;
    int64_t compressed = 0;
    // Every directory a path implies, the intermediate ones included, as the window's tree has.
    TDirectoryIds directories;
    for (int32_t i = 0; i < reader.Count(); ++i) {
        stored += reader.EntryStoredSize(i);
        unpacked += reader.EntryUnpackedSize(i);
        compressed += reader.EntryIsCompressed(i) ? 1 : 0;
        directories.Add(reader.EntryPath(i), [](uint32_t, std::string_view) {});
    }
    std::printf("Einträge: %d\n", reader.Count());
    std::printf("Verzeichnisse: %zu\n", directories.Count());
    std::printf("Gespeicherte Bytes: %s\n", Decimal(stored).c_str());
    std::printf("Entpackte Bytes: %s\n", Decimal(unpacked).c_str());
    std::printf("Komprimierte Einträge: %lld\n", static_cast<long long>(compressed));
    return kOk;
}

int Verify(const std::string& archive, const TOptions& options) {
    TPakReader reader;
    if (!OpenArchive(reader, archive))
        return kFatal;
    // Stored entries whose data lies in the file need no check.
    std::vector<int32_t> checked;
    uint64_t totalBytes = 0;
    for (int32_t i = 0; i < reader.Count(); ++i) {
        if (reader.EntryIsCompressed(i) || !reader.EntryDataInFile(i)) {
            checked.push_back(i);
            totalBytes += reader.EntryDataInFile(i) ? reader.EntryStoredSize(i) : 0;
        }
    }

    // Workers check entries in any order; the verdicts are reported here in archive order.
    TVerifier verifier(reader, checked, options.Threads);
    TProgressLine progress(static_cast<int64_t>(checked.size()), totalBytes);
    int64_t compressed = 0;
    int64_t damaged = 0;
    uint64_t bytes = 0;
    bool failed = false;
    for (size_t k = 0; k < checked.size() && !failed; ++k) {
        const TVerifier::TVerdict verdict = verifier.Wait(k);
        const int32_t index = checked[k];
        compressed += reader.EntryIsCompressed(index) ? 1 : 0;
        if (verdict == TVerifier::Unreadable) {
            failed = true;
        } else if (verdict == TVerifier::Damaged) {
            ++damaged;
            progress.Clear();
            PrintMessage(reader.DamagedEntryMessage(index));
        } else {
            bytes += reader.EntryStoredSize(index);
        }
        progress.Update(static_cast<int64_t>(k + 1), bytes);
    }
    verifier.Stop();
    verifier.Join();
    progress.Clear();
    if (failed) {
        PrintMessage(verifier.Error());
        return kFatal;
    }
    std::printf("%d Einträge, %lld komprimiert geprüft, %lld fehlerhaft\n", reader.Count(),
                static_cast<long long>(compressed), static_cast<long long>(damaged));
    if (!options.Quiet)
        PrintMessage(std::to_string(checked.size()) + " Dateien geprüft, " + Megabytes(bytes) +
                     ", " + std::to_string(damaged) + " beschädigt, " +
                     Seconds(progress.Seconds()));
    return damaged > 0 ? kSomeFailed : kOk;
}

int Extract(const std::string& archive, const std::string& destination,
            const std::vector<std::string>& paths, const TOptions& options) {
    TPakReader reader;
    if (!OpenArchive(reader, archive))
        return kFatal;

    int64_t notFound = 0;
    const std::vector<TSelection> selection = SelectAll(reader, paths, notFound);
    uint64_t totalBytes = 0;
    for (const TSelection& item : selection)
        totalBytes += reader.EntryUnpackedSize(item.Index);

    TProgressLine progress(static_cast<int64_t>(selection.size()), totalBytes);
    TExtractor extractor(reader, destination, options.Threads);
    extractor.SetKeepExisting(options.NoOverwrite);
    extractor.OnDamaged = [&](int32_t index) {
        progress.Clear();
        PrintMessage(reader.DamagedEntryMessage(index));
    };
    extractor.OnRefused = [&](int32_t index) {
        progress.Clear();
        PrintMessage("Unsicherer Pfad, nicht entpackt: " + cp1252::ToUtf8(reader.EntryPath(index)));
    };
    extractor.OnFailed = [&](int32_t index, const std::string& reason) {
        progress.Clear();
        PrintMessage(reason + ", nicht entpackt: " + cp1252::ToUtf8(reader.EntryPath(index)));
    };
    auto showProgress = [&] {
        const auto& stats = extractor.Stats();
        progress.Update(stats.Written + stats.Damaged + stats.Refused + stats.Failed + stats.Kept,
                        extractor.BytesWritten());
    };
    extractor.OnWait = showProgress;
    bool ended = false;
    try {
        for (const TSelection& item : selection) {
            extractor.Add(item.Index, item.RelativeDir);
            showProgress();
        }
        extractor.Finish();
    } catch (const std::exception& e) {
        progress.Clear();
        PrintMessage(ErrorText(e));
        ended = true;
    }
    progress.Clear();
    const auto& stats = extractor.Stats();
    for (const std::string& file : stats.LeftBehind)
        PrintMessage("Unvollständig, konnte nicht entfernt werden: " + file);
    // A run that ended before anything was done has nothing to sum up.
    const bool begun = stats.Written + stats.Damaged + stats.Refused + stats.Failed + stats.Kept +
                           stats.Removed + static_cast<int64_t>(stats.LeftBehind.size()) >
                       0;
    if (!options.Quiet && (begun || !ended)) {
        std::string summary = std::to_string(stats.Written) + " Dateien entpackt, " +
                              Megabytes(stats.Bytes) + ", " + std::to_string(stats.Damaged) +
                              " beschädigt, " + std::to_string(stats.Refused) + " abgelehnt, ";
        if (stats.Failed > 0)
            summary += std::to_string(stats.Failed) + " nicht erstellt, ";
        if (options.NoOverwrite)
            summary += std::to_string(stats.Kept) + " behalten, ";
        if (stats.Removed > 0)
            summary += std::to_string(stats.Removed) + " unvollständig entfernt, ";
        if (!stats.LeftBehind.empty())
            summary += std::to_string(stats.LeftBehind.size()) + " unvollständig geblieben, ";
        summary += std::to_string(notFound) + " nicht gefunden, " + Seconds(progress.Seconds());
        PrintMessage(summary);
    }
    if (ended)
        return kFatal;
    return notFound > 0 || stats.Damaged > 0 || stats.Refused > 0 || stats.Failed > 0 ? kSomeFailed
                                                                                      : kOk;
}

} // namespace pakcmd
