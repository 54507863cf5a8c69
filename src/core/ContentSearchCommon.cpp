// The content search's part that is the same with every engine: content cut into lines, line
// numbers, binary content, the lines kept.
#include "ContentMatcher.h"
#include "ContentSearch.h"
#include "Cp1252.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kLongestLine = 16u << 20;

// The last "\n" of the size bytes at data, or null.
const char* LastNewline(const char* data, size_t size) {
#ifdef _WIN32
    for (const char* at = data + size; at != data;)
        if (*--at == '\n')
            return at;
    return nullptr;
#else
    return static_cast<const char*>(memrchr(data, '\n', size));
#endif
}

} // namespace

TLineSearch::TLineSearch(const TContentPattern& pattern, TMode mode)
    : FPattern(pattern)
    , FMode(mode)
    , FMatch(std::make_unique<TMatchData>()) {}

TLineSearch::~TLineSearch() = default;

void TLineSearch::Restart() {
    FPending.clear();
    FLinesBefore = 0;
    FCount = 0;
    FBinary = false;
    FLines.clear();
}

void TLineSearch::Write(const void* data, size_t count) {
    const char* at = static_cast<const char*>(data);
    const char* end = at + count;
    if (!FPending.empty()) {
        const char* newline = static_cast<const char*>(std::memchr(at, '\n', count));
        if (newline) {
            FPending.append(at, newline + 1);
            SearchBlock(FPending.data(), FPending.size());
            FPending.clear();
            at = newline + 1;
        }
    }
    if (FPending.empty() && at < end) {
        const char* last = LastNewline(at, static_cast<size_t>(end - at));
        if (last) {
            SearchBlock(at, static_cast<size_t>(last + 1 - at));
            at = last + 1;
        }
    }
    FPending.append(at, end);
    // A line without end is searched in pieces, so that memory stays bounded.
    if (FPending.size() >= kLongestLine) {
        SearchBlock(FPending.data(), FPending.size());
        FPending.clear();
    }
}

void TLineSearch::Finish() {
    if (!FPending.empty())
        SearchBlock(FPending.data(), FPending.size());
    FPending.clear();
}

void TLineSearch::SearchBlock(const char* data, size_t size) {
    const std::string_view block(data, size);
    // Line numbers and binary content matter only to the lines shown.
    const bool lines = FMode == TMode::Lines || FMode == TMode::FirstLine;
    if (lines && !FBinary && std::memchr(data, 0, size))
        FBinary = true;
    const bool utf8 = IsValidUtf8(block);
    const TContentPattern::TCompiled* compiled =
        utf8 ? FPattern.FUtf8.get() : FPattern.FBytes.get();
    const uint64_t linesBefore = FLinesBefore;
    if (lines)
        FLinesBefore += static_cast<uint64_t>(std::count(data, data + size, '\n'));
    if (!compiled)
        return;
    // Lines before `counted`, which is a line start.
    uint64_t line = linesBefore;
    const char* counted = data;
    size_t start = 0;
    size_t end = 0;
    for (size_t from = 0; from < size && FMatch->Match(*compiled, block, from, utf8, start, end);) {
        const char* lineStart = data + from;
        if (const char* newline = LastNewline(data + from, start - from))
            lineStart = newline + 1;
        const char* lineEnd =
            static_cast<const char*>(std::memchr(data + start, '\n', size - start));
        if (!lineEnd)
            lineEnd = data + size;
        const std::string_view lineText(lineStart, static_cast<size_t>(lineEnd - lineStart));
        // A match may run on into the next line; the line counts when it matches on its own.
        size_t s = 0;
        size_t e = 0;
        if (data + end <= lineEnd || FMatch->Match(*compiled, lineText, 0, utf8, s, e)) {
            if (lines) {
                line += static_cast<uint64_t>(std::count(counted, lineStart, '\n'));
                counted = lineStart;
            }
            FCount++;
            if (FMode == TMode::First || (lines && FBinary))
                throw EAborted();
            if (lines) {
                std::string_view shown = lineText;
                if (!shown.empty() && shown.back() == '\r')
                    shown.remove_suffix(1);
                FLines.push_back({line + 1, utf8 ? std::string(shown) : cp1252::ToUtf8(shown)});
                if (FMode == TMode::FirstLine)
                    throw EAborted();
            }
        }
        from = static_cast<size_t>(lineEnd - data) + 1;
    }
}

bool IsValidUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* end = p + text.size();
    while (p < end) {
        // Runs of ASCII eight bytes at a time.
        while (end - p >= 8) {
            uint64_t word;
            std::memcpy(&word, p, 8);
            if (word & 0x8080808080808080ull)
                break;
            p += 8;
        }
        if (p == end)
            break;
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        size_t length;
        unsigned char low = 0x80, high = 0xBF; // bounds of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0)
                low = 0xA0; // overlong
            if (c == 0xED)
                high = 0x9F; // surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0)
                low = 0x90;
            if (c == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (static_cast<size_t>(end - p) < length || p[1] < low || p[1] > high)
            return false;
        for (size_t k = 2; k < length; ++k)
            if ((p[k] & 0xC0) != 0x80)
                return false;
        p += length;
    }
    return true;
}
