#include "ContentSearch.h"

#include "Cp1252.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <algorithm>
#include <array>
#include <cstring>
#include <pcre2.h>

namespace {

constexpr size_t kLongestLine = 16u << 20;

// The last "\n" of the size bytes at data, or null (memrchr is not in every C library).
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

std::string PcreMessage(int code) {
    PCRE2_UCHAR text[256];
    if (pcre2_get_error_message(code, text, sizeof text) < 0)
        return "Fehler " + std::to_string(code);
    return reinterpret_cast<const char*>(text);
}

// Character tables for byte mode: those of the "C" locale with the letters of Windows-1252 and
// their cases added, so that -i folds "Ä" and "ä" and \w takes them. The layout (case tables,
// class bitmaps, type bytes) is checked against what it must say about ASCII; where it does not
// fit, the plain tables stay and only ASCII folds.
class TCp1252Tables {
public:
    TCp1252Tables() {
        const uint8_t* base = pcre2_maketables(nullptr);
        if (!base)
            return;
        std::memcpy(FTables.data(), base, FTables.size());
        pcre2_maketables_free(nullptr, base);
        if (LayoutFits())
            AddLetters();
    }
    const uint8_t* Get() const { return FTables.data(); }

private:
    static constexpr size_t kLower = 0, kFlip = 256, kBits = 512, kTypes = 832;
    static constexpr size_t kUpperBits = kBits + 96, kLowerBits = kBits + 128,
                            kWordBits = kBits + 160, kGraphBits = kBits + 192,
                            kPrintBits = kBits + 224, kPunctBits = kBits + 256;
    static constexpr uint8_t kLetter = 0x02, kLowerLetter = 0x04, kWord = 0x10;

    bool Bit(size_t table, unsigned char c) const {
        return (FTables[table + c / 8] >> (c % 8)) & 1;
    }
    void SetBit(size_t table, unsigned char c, bool on) {
        if (on)
            FTables[table + c / 8] |= static_cast<uint8_t>(1 << (c % 8));
        else
            FTables[table + c / 8] &= static_cast<uint8_t>(~(1 << (c % 8)));
    }
    bool LayoutFits() const {
        return FTables[kLower + 'A'] == 'a' && FTables[kFlip + 'a'] == 'A' &&
               FTables[kFlip + 'A'] == 'a' && Bit(kBits + 64, '5') && !Bit(kBits + 64, 'a') &&
               Bit(kUpperBits, 'Q') && !Bit(kUpperBits, 'q') && Bit(kLowerBits, 'q') &&
               Bit(kWordBits, '_') && Bit(kPunctBits, '!') && (FTables[kTypes + 'a'] & kLetter) &&
               (FTables[kTypes + '_'] & kWord) && !(FTables[kTypes + '!'] & kWord);
    }
    void Letter(unsigned char c, bool lower) {
        SetBit(lower ? kLowerBits : kUpperBits, c, true);
        SetBit(kWordBits, c, true);
        SetBit(kGraphBits, c, true);
        SetBit(kPrintBits, c, true);
        SetBit(kPunctBits, c, false);
        FTables[kTypes + c] |= kLetter | kWord;
        if (lower && FLowerTypeBit)
            FTables[kTypes + c] |= kLowerLetter;
    }
    void Pair(unsigned char upper, unsigned char lower) {
        FTables[kLower + upper] = lower;
        FTables[kFlip + upper] = lower;
        FTables[kFlip + lower] = upper;
        Letter(upper, false);
        Letter(lower, true);
    }
    void AddLetters() {
        FLowerTypeBit =
            (FTables[kTypes + 'a'] & kLowerLetter) && !(FTables[kTypes + 'A'] & kLowerLetter);
        for (unsigned c = 0xC0; c <= 0xDE; ++c)
            if (c != 0xD7)
                Pair(static_cast<unsigned char>(c), static_cast<unsigned char>(c + 0x20));
        Pair(0x8A, 0x9A);                                      // Š š
        Pair(0x8C, 0x9C);                                      // Œ œ
        Pair(0x8E, 0x9E);                                      // Ž ž
        Pair(0x9F, 0xFF);                                      // Ÿ ÿ
        for (unsigned char c : {0xDF, 0x83, 0xAA, 0xB5, 0xBA}) // ß ƒ ª µ º: no capital here
            Letter(c, true);
    }

    std::array<uint8_t, 1088> FTables{};
    bool FLowerTypeBit = false;
};

const uint8_t* Cp1252Tables() {
    static const TCp1252Tables tables;
    return tables.Get();
}

} // namespace

struct TContentPattern::TCompiled {
    pcre2_code* Code = nullptr;
    ~TCompiled() { pcre2_code_free(Code); }
};

namespace {

std::unique_ptr<TContentPattern::TCompiled> Compile(std::string_view pattern, uint32_t options,
                                                    const uint8_t* tables) {
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
    if (tables)
        pcre2_set_character_tables(context, tables);
    int error = 0;
    PCRE2_SIZE errorAt = 0;
    auto compiled = std::make_unique<TContentPattern::TCompiled>();
    compiled->Code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                   options, &error, &errorAt, context);
    pcre2_compile_context_free(context);
    if (!compiled->Code)
        throw EBadPattern("Ungültiges Muster (an Stelle " + std::to_string(errorAt + 1) +
                          "): " + PcreMessage(error));
    // Without the JIT (a system that forbids executable memory) the interpreter matches.
    pcre2_jit_compile(compiled->Code, PCRE2_JIT_COMPLETE);
    return compiled;
}

} // namespace

TContentPattern::TContentPattern(std::string_view pattern, TOptions options) {
    if (!IsValidUtf8(pattern))
        throw EBadPattern("Das Muster ist kein gültiges UTF-8.");
    // A plain string takes no options about lines and classes; in UTF-8 mode it still folds
    // case by Unicode's rules.
    uint32_t common = options.Fixed ? PCRE2_LITERAL : PCRE2_MULTILINE;
    if (options.IgnoreCase)
        common |= PCRE2_CASELESS;
    FUtf8 = Compile(pattern, common | PCRE2_UTF | (options.Fixed ? 0 : PCRE2_UCP), nullptr);
    // A pattern with a character the code page lacks cannot match Windows-1252 text.
    std::string bytes;
    if (cp1252::FromUtf8(pattern, bytes))
        FBytes = Compile(bytes, common, Cp1252Tables());
}

TContentPattern::~TContentPattern() = default;

struct TLineSearch::TMatchData {
    pcre2_match_data* Data = pcre2_match_data_create(1, nullptr);
    pcre2_match_context* Context = pcre2_match_context_create(nullptr);
    pcre2_jit_stack* Stack = pcre2_jit_stack_create(32 << 10, 1 << 20, nullptr);

    TMatchData() { pcre2_jit_stack_assign(Context, nullptr, Stack); }
    ~TMatchData() {
        pcre2_jit_stack_free(Stack);
        pcre2_match_context_free(Context);
        pcre2_match_data_free(Data);
    }

    // Whether code matches subject from offset; the match's bounds into start and end.
    bool Match(const pcre2_code* code, std::string_view subject, size_t offset, bool utf8,
               size_t& start, size_t& end) {
        const int result =
            pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), offset,
                        utf8 ? PCRE2_NO_UTF_CHECK : 0, Data, Context);
        if (result == PCRE2_ERROR_NOMATCH)
            return false;
        if (result < 0)
            throw ESearchFailed("Die Suche gibt auf: " + PcreMessage(result));
        const PCRE2_SIZE* bounds = pcre2_get_ovector_pointer(Data);
        start = bounds[0];
        end = bounds[1];
        return true;
    }
};

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
    for (size_t from = 0;
         from < size && FMatch->Match(compiled->Code, block, from, utf8, start, end);) {
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
        if (data + end <= lineEnd || FMatch->Match(compiled->Code, lineText, 0, utf8, s, e)) {
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
