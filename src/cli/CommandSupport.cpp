#include "CommandSupport.h"

#include "Cp1252.h"
#include "Exception.h"
#include "PathPattern.h"
#include "TerminalText.h"
#include "uPakReader.h"

#include <charconv>
#include <cstdio>

namespace pakcmd {

void PrintMessage(const std::string& message) {
    std::fprintf(stderr, "varnholm-pak: %s\n", TerminalSafe(message).c_str());
    // At once, also where stderr is buffered (a Windows console).
    std::fflush(stderr);
}

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

std::string Decimal(unsigned __int128 value) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
        value /= 10;
    } while (value != 0);
    return digits;
}

TOutput::TOutput() {
    FBuffer.reserve(kFlushAt + 4096);
}

void TOutput::ArchiveText(std::string_view text) {
    AppendTerminalText(FBuffer, text);
}

void TOutput::SafeText(std::string_view utf8) {
    FBuffer += TerminalSafe(utf8);
}

void TOutput::Number(uint64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    FBuffer.append(digits, result.ptr);
}

void TOutput::Flush() {
    std::fwrite(FBuffer.data(), 1, FBuffer.size(), stdout);
    FBuffer.clear();
}

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

namespace {

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

} // namespace

std::vector<TSelection> SelectAll(const TPakReader& reader, const std::vector<std::string>& paths,
                                  int64_t& notFound, bool report) {
    if (paths.empty())
        return Select(reader, "");
    std::vector<TSelection> selection;
    for (const std::string& path : paths) {
        std::string archivePath;
        std::vector<TSelection> found;
        if (cp1252::FromUtf8(path, archivePath))
            found = Select(reader, archivePath);
        if (found.empty() && report)
            PrintMessage("Nicht im Archiv: " + path);
        notFound += found.empty() ? 1 : 0;
        selection.insert(selection.end(), found.begin(), found.end());
    }
    return selection;
}

std::vector<char> SelectedEntries(const TPakReader& reader, const std::vector<std::string>& paths,
                                  std::vector<char>& named) {
    std::vector<char> selected(static_cast<size_t>(reader.Count()), paths.empty());
    named.assign(paths.size(), 0);
    for (size_t k = 0; k < paths.size(); ++k) {
        int64_t notFound = 0;
        for (const TSelection& item : SelectAll(reader, {paths[k]}, notFound, false))
            selected[static_cast<size_t>(item.Index)] = 1;
        named[k] = notFound == 0;
    }
    return selected;
}

} // namespace pakcmd
