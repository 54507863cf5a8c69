#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TPakReader;

// What the commands of varnholm-pak share: messages, numbers, buffered output, opening an
// archive and resolving path operands to entries.
namespace pakcmd {

// Every message passes here: one program name to filter logs by, and no archive name reaches
// the terminal raw.
void PrintMessage(const std::string& message);

// A number with one or two decimals and the German decimal comma: "1,5 MB", "0,25 s".
std::string GermanNumber(const char* format, double value);
std::string Megabytes(uint64_t bytes);
std::string Seconds(double seconds);
// Totals of 64-bit sizes, which may add up beyond 2^64.
std::string Decimal(unsigned __int128 value);

// Output goes through one big buffer: a million lines must not cost a million writes.
class TOutput {
public:
    TOutput();
    ~TOutput() { Flush(); }

    void Text(std::string_view text) { FBuffer.append(text); }
    // Archive text (Windows-1252), escaped like every name shown.
    void ArchiveText(std::string_view text);
    // UTF-8 text, escaped the same way.
    void SafeText(std::string_view utf8);
    void Number(uint64_t value);
    // Ends a line: flushes when the buffer is full.
    void Char(char c) {
        FBuffer.push_back(c);
        if (FBuffer.size() >= kFlushAt)
            Flush();
    }
    void Flush();

private:
    static constexpr size_t kFlushAt = 1 << 20;
    std::string FBuffer;
};

// Opens the archive, reporting failure the tool's way.
bool OpenArchive(TPakReader& reader, const std::string& archive);

// One request of a path operand resolved to an entry, and where it goes when extracted.
struct TSelection {
    int32_t Index;
    std::string_view RelativeDir;
};

// The entries all operands name together, in their order (none: all entries). A pattern: every
// entry whose path matches, with its path. An exact path: the subtree of a directory (its own
// path cut off) and a file of that exact path (to the destination itself). Operands that name
// nothing are counted in notFound and, with report, reported.
std::vector<TSelection> SelectAll(const TPakReader& reader, const std::vector<std::string>& paths,
                                  int64_t& notFound, bool report = true);
// The same as one flag per entry; per operand, whether it named anything.
std::vector<char> SelectedEntries(const TPakReader& reader, const std::vector<std::string>& paths,
                                  std::vector<char>& named);

} // namespace pakcmd
