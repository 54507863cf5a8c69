#include "Commands.h"

#include "Cp1252.h"
#include "Exception.h"
#include "Extractor.h"
#include "Progress.h"
#include "TerminalText.h"
#include "uPakReader.h"

#include <charconv>
#include <cstdio>
#include <unordered_set>

namespace pakcmd {
namespace {

// Every message passes here, so that no archive name reaches the terminal raw.
void PrintMessage(const std::string& message) {
    std::fprintf(stderr, "%s\n", TerminalSafe(message).c_str());
}

void PrintError(const std::string& message) {
    PrintMessage("varnholm-pak: " + message);
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
    } catch (const Exception& e) {
        PrintError(e.what());
        return false;
    }
}

// One request of the extract command resolved to entries: where each one goes.
struct TSelection {
    int32_t Index;
    std::string_view RelativeDir;
};

// Entries a PATH argument names: the subtree of a directory (its own path cut off) and a file
// of that exact path (to the destination itself).
std::vector<TSelection> Select(const TPakReader& reader, std::string_view path) {
    while (!path.empty() && path.front() == '/')
        path.remove_prefix(1);
    while (!path.empty() && path.back() == '/')
        path.remove_suffix(1);

    std::vector<TSelection> selection;
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

} // namespace

int List(const std::string& archive) {
    TPakReader reader;
    if (!OpenArchive(reader, archive))
        return kFatal;
    TOutput out;
    for (int32_t i = 0; i < reader.Count(); ++i) {
        out.Number(reader.EntryUnpackedSize(i));
        out.Text("\t");
        out.Number(reader.EntryStoredSize(i));
        out.Text("\t");
        out.ArchiveText(reader.EntryPath(i));
        out.Char('\n');
    }
    return kOk;
}

int Info(const std::string& archive) {
    TPakReader reader;
    if (!OpenArchive(reader, archive))
        return kFatal;
    unsigned __int128 stored = 0;
    unsigned __int128 unpacked = 0;
    int64_t compressed = 0;
    // Every directory a path implies, the intermediate ones included, as the window's tree has.
    std::unordered_set<std::string_view> directories;
    for (int32_t i = 0; i < reader.Count(); ++i) {
        stored += reader.EntryStoredSize(i);
        unpacked += reader.EntryUnpackedSize(i);
        compressed += reader.EntryIsCompressed(i) ? 1 : 0;
        for (std::string_view dir = reader.EntryDir(i); !dir.empty();) {
            if (!directories.insert(dir).second)
                break;
            const size_t slash = dir.rfind('/');
            dir = slash == std::string_view::npos ? std::string_view() : dir.substr(0, slash);
        }
    }
    std::printf("Einträge: %d\n", reader.Count());
    std::printf("Verzeichnisse: %zu\n", directories.size());
    std::printf("Gespeicherte Bytes: %s\n", Decimal(stored).c_str());
    std::printf("Entpackte Bytes: %s\n", Decimal(unpacked).c_str());
    std::printf("Komprimierte Einträge: %lld\n", static_cast<long long>(compressed));
    return kOk;
}

int Verify(const std::string& archive) {
    TPakReader reader;
    if (!OpenArchive(reader, archive))
        return kFatal;
    TInflater inflater;
    int64_t compressed = 0;
    int64_t damaged = 0;
    try {
        for (int32_t i = 0; i < reader.Count(); ++i) {
            const bool isCompressed = reader.EntryIsCompressed(i);
            if (!isCompressed && reader.EntryDataInFile(i))
                continue;
            compressed += isCompressed ? 1 : 0;
            if (!reader.VerifyEntry(i, inflater)) {
                ++damaged;
                PrintMessage(reader.DamagedEntryMessage(i));
            }
        }
    } catch (const Exception& e) {
        PrintError(e.what());
        return kFatal;
    }
    std::printf("%d Einträge, %lld komprimiert geprüft, %lld fehlerhaft\n", reader.Count(),
                static_cast<long long>(compressed), static_cast<long long>(damaged));
    return damaged > 0 ? kSomeFailed : kOk;
}

int Extract(const std::string& archive, const std::string& destination,
            const std::vector<std::string>& paths, int threads) {
    TPakReader reader;
    if (!OpenArchive(reader, archive))
        return kFatal;

    std::vector<TSelection> selection;
    bool missing = false;
    if (paths.empty()) {
        selection = Select(reader, "");
    } else {
        for (const std::string& path : paths) {
            std::string archivePath;
            std::vector<TSelection> found;
            if (cp1252::FromUtf8(path, archivePath))
                found = Select(reader, archivePath);
            if (found.empty()) {
                PrintMessage("Nicht im Archiv: " + path);
                missing = true;
            }
            selection.insert(selection.end(), found.begin(), found.end());
        }
    }

    TProgressLine progress(static_cast<int64_t>(selection.size()));
    TExtractor extractor(reader, destination, threads);
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
        progress.Update(stats.Written + stats.Damaged + stats.Refused + stats.Failed, stats.Bytes);
    };
    extractor.OnWait = showProgress;
    try {
        for (const TSelection& item : selection) {
            extractor.Add(item.Index, item.RelativeDir);
            showProgress();
        }
        extractor.Finish();
    } catch (const Exception& e) {
        progress.Clear();
        PrintError(e.what());
        return kFatal;
    }
    progress.Clear();
    const auto& stats = extractor.Stats();
    return missing || stats.Damaged > 0 || stats.Refused > 0 || stats.Failed > 0 ? kSomeFailed
                                                                                 : kOk;
}

} // namespace pakcmd
