#include "NameIndex.h"

#include "Cp1252.h"
#include "PathPattern.h"
#include "uPakReader.h"

#include <array>
#include <cstring>

namespace {

// Windows-1252 upper case to lower case: ASCII, the Latin-1 letters À-Þ (but ×) and Š Œ Ž Ÿ.
constexpr std::array<unsigned char, 256> MakeFoldTable() {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[c] = static_cast<unsigned char>(c);
    for (int c = 'A'; c <= 'Z'; ++c)
        table[c] = static_cast<unsigned char>(c + 32);
    for (int c = 0xC0; c <= 0xDE; ++c)
        if (c != 0xD7)
            table[c] = static_cast<unsigned char>(c + 32);
    table[0x8A] = 0x9A;
    table[0x8C] = 0x9C;
    table[0x8E] = 0x9E;
    table[0x9F] = 0xFF;
    return table;
}

constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();

void AppendFolded(std::string& out, std::string_view text) {
    for (const char c : text)
        out.push_back(static_cast<char>(kFold[static_cast<unsigned char>(c)]));
}

// The longest run of text without wildcards: what every match must hold.
std::string_view LongestLiteral(std::string_view pattern) {
    std::string_view best;
    size_t start = 0;
    for (size_t i = 0; i <= pattern.size(); ++i)
        if (i == pattern.size() || pattern[i] == '*' || pattern[i] == '?') {
            if (i - start > best.size())
                best = pattern.substr(start, i - start);
            start = i + 1;
        }
    return best;
}

} // namespace

TNameIndex::TNameIndex(const TPakReader& reader, const std::vector<int32_t>& treeOrder)
    : FEntries(treeOrder) {
    size_t total = 0;
    for (const int32_t entry : FEntries)
        total += reader.EntryName(entry).size() + 1;
    FNames.reserve(total);
    FStarts.reserve(FEntries.size() + 1);
    for (const int32_t entry : FEntries) {
        FStarts.push_back(FNames.size());
        AppendFolded(FNames, reader.EntryName(entry));
        FNames.push_back('\0');
    }
    FStarts.push_back(FNames.size());
}

std::string_view TNameIndex::NameAt(size_t position) const {
    return std::string_view(FNames).substr(FStarts[position],
                                           FStarts[position + 1] - FStarts[position] - 1);
}

template <class Hit> void TNameIndex::Scan(std::string_view literal, Hit&& hit) const {
    if (literal.empty()) {
        for (size_t position = 0; position < FEntries.size(); ++position)
            if (!hit(position))
                return;
        return;
    }
    const char* data = FNames.data();
    size_t position = 0;
    while (position < FEntries.size()) {
        const size_t from = FStarts[position];
        const void* found =
            ::memmem(data + from, FNames.size() - from, literal.data(), literal.size());
        if (!found)
            return;
        // Hits come in order: the name that holds this one is found by walking on, which costs
        // one step per name in all, where a search would cost twenty per hit.
        const size_t offset = static_cast<size_t>(static_cast<const char*>(found) - data);
        while (FStarts[position + 1] <= offset)
            ++position;
        if (!hit(position))
            return;
        ++position; // one hit per name
    }
}

std::vector<int32_t> TNameIndex::Find(const QString& text, const std::atomic<bool>& cancel) const {
    std::vector<int32_t> hits;
    // The names are Windows-1252: a text the code page cannot spell is in none of them.
    std::string needle;
    if (text.isEmpty() || text.contains(QChar(0)) ||
        !cp1252::FromUtf8(text.toLower().toStdString(), needle))
        return hits;
    std::string folded;
    AppendFolded(folded, needle);

    const bool pattern = folded.find_first_of("*?") != std::string::npos;
    size_t seen = 0;
    Scan(pattern ? LongestLiteral(folded) : std::string_view(folded), [&](size_t position) {
        if ((++seen & 0xFFF) == 0 && cancel.load(std::memory_order_relaxed))
            return false;
        if (!pattern || MatchesPattern(folded, NameAt(position)))
            hits.push_back(FEntries[position]);
        return true;
    });
    return hits;
}
