#include "Commands.h"

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
namespace {

// Every message passes here: one program name to filter logs by, and no archive name reaches
// the terminal raw.
void PrintMessage(const std::string& message) {
    std::fprintf(stderr, "varnholm-pak: %s\n", TerminalSafe(message).c_str());
}

// A number with one or two decimals and the German decimal comma: "1,5 MB", "0,25 s".
std::string GermanNumber(const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    std::string result = text;
    for (char& c : result)
        if (c == '.')
            c = ',';
    return result;
}

std::string Megabytes(uint64_t bytes) {
    return GermanNumber("%.1f MB", static_cast<double>(bytes) / 1e6);
}

std::string Seconds(double seconds) {
    return GermanNumber("%.2f s", seconds);
}

// Totals of 64-bit sizes, which may add up beyond 2^64.
std::string Decimal(unsigned __int128 value) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
        value /= 10;
    } while (value != 0);
    return digits;
}

// Output goes through one big buffer: a million lines must not cost a million writes.
class TOutput {
public:
    TOutput() { FBuffer.reserve(kFlushAt + 4096); }
    ~TOutput() { Flush(); }

    void Text(std::string_view text) { FBuffer.append(text); }
    void ArchiveText(std::string_view text) { AppendTerminalText(FBuffer, text); }
    void Number(uint64_t value) {
        char digits[24];
        const auto result = std::to_chars(digits, digits + sizeof digits, value);
        FBuffer.append(digits, result.ptr);
    }
    void Char(char c) {
        FBuffer.push_back(c);
        if (FBuffer.size() >= kFlushAt)
            Flush();
    }
    void Flush() {
        std::fwrite(FBuffer.data(), 1, FBuffer.size(), stdout);
        FBuffer.clear();
    }

private:
    static constexpr size_t kFlushAt = 1 << 20;
    std::string FBuffer;
};

// Opens the archive, reporting failure the tool's way.
bool OpenArchive(TPakReader& reader, const std::string& archive) {
    try {
        reader.Open(archive);
        return true;
    } catch (const std::exception& e) {
        // Also when the directory needs more memory than there is.
        PrintMessage(OpenFailureText(archive, e));
    }
    return false;
}

// One request of the extract command resolved to entries: where each one goes.
struct TSelection {
    int32_t Index;
    std::string_view RelativeDir;
};

// Entries an operand names. A pattern: every entry whose path matches, with its path. An
// exact path: the subtree of a directory (its own path cut off) and a file of that exact path
// (to the destination itself).
std::vector<TSelection> Select(const TPakReader& reader, std::string_view path) {
    std::vector<TSelection> selection;
    if (IsPattern(path)) {
        for (int32_t i = 0; i < reader.Count(); ++i)
            if (MatchesPattern(path, reader.EntryPath(i)))
                selection.push_back({i, reader.EntryDir(i)});
        return selection;
    }
    while (!path.empty() && path.front() == '/')
        path.remove_prefix(1);
    while (!path.empty() && path.back() == '/')
        path.remove_suffix(1);
    for (int32_t i = 0; i < reader.Count(); ++i) {
        const std::string_view dir = reader.EntryDir(i);
        if (path.empty()) {
            selection.push_back({i, dir});
        } else if (dir == path) {
            selection.push_back({i, std::string_view()});
        } else if (dir.size() > path.size() && dir.starts_with(path) && dir[path.size()] == '/') {
            selection.push_back({i, dir.substr(path.size() + 1)});
        } else if (reader.EntryPath(i) == path) {
            selection.push_back({i, std::string_view()});
        }
    }
    return selection;
}

// The entries all operands name together, in their order; operands that name nothing are
// reported and counted.
std::vector<TSelection> SelectAll(const TPakReader& reader, const std::vector<std::string>& paths,
                                  int64_t& notFound) {
    if (paths.empty())
        return Select(reader, "");
    std::vector<TSelection> selection;
    for (const std::string& path : paths) {
        std::string archivePath;
        std::vector<TSelection> found;
        if (cp1252::FromUtf8(path, archivePath))
            found = Select(reader, archivePath);
        if (found.empty()) {
            PrintMessage("Nicht im Archiv: " + path);
            ++notFound;
        }
        selection.insert(selection.end(), found.begin(), found.end());
    }
    return selection;
}

} // namespace

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
    try {
        for (const TSelection& item : selection) {
            extractor.Add(item.Index, item.RelativeDir);
            showProgress();
        }
        extractor.Finish();
    } catch (const EFCreateError& e) {
        progress.Clear();
        PrintMessage(WithSystemReason(e.what(), e.SystemError()));
        return kFatal;
    } catch (const Exception& e) {
        progress.Clear();
        PrintMessage(e.what());
        return kFatal;
    }
    progress.Clear();
    const auto& stats = extractor.Stats();
    if (!options.Quiet) {
        std::string summary = std::to_string(stats.Written) + " Dateien entpackt, " +
                              Megabytes(stats.Bytes) + ", " + std::to_string(stats.Damaged) +
                              " beschädigt, " + std::to_string(stats.Refused) + " abgelehnt, ";
        if (stats.Failed > 0)
            summary += std::to_string(stats.Failed) + " nicht erstellt, ";
        if (options.NoOverwrite)
            summary += std::to_string(stats.Kept) + " behalten, ";
        summary += std::to_string(notFound) + " nicht gefunden, " + Seconds(progress.Seconds());
        PrintMessage(summary);
    }
    return notFound > 0 || stats.Damaged > 0 || stats.Refused > 0 || stats.Failed > 0 ? kSomeFailed
                                                                                      : kOk;
}

} // namespace pakcmd
