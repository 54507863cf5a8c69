// The content search's engine where the build has no PCRE2 (the Windows build): regular
// expressions of the standard library (ECMAScript grammar) on each line decoded to UTF-16, so
// that "." takes one character and -i folds umlauts in UTF-8 and Windows-1252 text alike; plain
// strings (-F) are found byte for byte, or folded with -i. Lines are searched one at a time,
// which is what the line search asks (a line counts when it matches on its own).
#include "ContentMatcher.h"
#include "ContentSearch.h"
#include "Cp1252.h"
#include "WinFiles.h"

#include <array>
#include <optional>
#include <regex>

namespace {

// Lower case of every UTF-16 unit, by the system's rules (locale-independent).
class TFoldTable {
public:
    TFoldTable() {
        for (size_t c = 0; c < FLower.size(); ++c)
            FLower[c] = static_cast<wchar_t>(c);
        MapRange(1, 0xD7FF);
        MapRange(0xE000, 0xFFFF);
    }
    wchar_t operator()(wchar_t c) const { return FLower[static_cast<uint16_t>(c)]; }

private:
    void MapRange(unsigned first, unsigned last) {
        std::wstring in;
        for (unsigned c = first; c <= last; ++c)
            in += static_cast<wchar_t>(c);
        std::wstring out(in.size(), L'\0');
        const int length = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, in.data(),
                                           static_cast<int>(in.size()), out.data(),
                                           static_cast<int>(out.size()), nullptr, nullptr, 0);
        if (length != static_cast<int>(in.size()))
            return; // the plain table stays: only exact case matches
        for (size_t k = 0; k < in.size(); ++k)
            FLower[first + k] = out[k];
    }
    std::array<wchar_t, 65536> FLower;
};

const TFoldTable& Fold() {
    static const TFoldTable table;
    return table;
}

void FoldAll(std::wstring& text) {
    for (wchar_t& c : text)
        c = Fold()(c);
}

// Case folding with -i by the table above instead of the "C" locale's ASCII-only rules.
struct TFoldTraits : std::regex_traits<wchar_t> {
    wchar_t translate_nocase(wchar_t c) const { return Fold()(c); }
};
using TRegex = std::basic_regex<wchar_t, TFoldTraits>;

std::string RegexMessage(std::regex_constants::error_type code) {
    using namespace std::regex_constants;
    switch (code) {
    case error_collate:
        return "unbekannter Name einer Sortierfolge";
    case error_ctype:
        return "unbekannte Zeichenklasse";
    case error_escape:
        return "ungültige Folge mit \\";
    case error_backref:
        return "Rückverweis auf eine Gruppe, die es nicht gibt";
    case error_brack:
        return "eckige Klammer ohne Gegenstück";
    case error_paren:
        return "runde Klammer ohne Gegenstück";
    case error_brace:
        return "geschweifte Klammer ohne Gegenstück";
    case error_badbrace:
        return "ungültige Anzahl in {}";
    case error_range:
        return "ungültiger Zeichenbereich";
    case error_space:
        return "zu wenig Speicher";
    case error_badrepeat:
        return "Wiederholung ohne etwas davor";
    case error_complexity:
        return "zu aufwendig";
    case error_stack:
        return "zu tief verschachtelt";
    default:
        return "unbekannter Fehler";
    }
}

void Decode(std::string_view bytes, bool utf8, std::wstring& out) {
    out.clear();
    if (utf8) {
        out = winfs::Widen(bytes);
        return;
    }
    out.reserve(bytes.size());
    for (const char c : bytes)
        out += static_cast<wchar_t>(cp1252::ToUnicode(static_cast<unsigned char>(c)));
}

} // namespace

struct TContentPattern::TCompiled {
    bool IgnoreCase = false;
    std::string Bytes;           // -F without -i: the pattern as the content holds it
    std::wstring Folded;         // -F with -i
    std::optional<TRegex> Regex; // otherwise
    // A string every match of Regex holds (as the content holds it; folded with -i): lines
    // without it are passed over, as the automaton costs much for every position it tries.
    std::string Required;
    std::wstring RequiredFolded;
};

namespace {

// The longest run of plain characters that stands outside groups, classes and alternatives
// and carries no quantifier, in the pattern (UTF-8): every match contains it. "" when there is
// none, or it cannot be told cheaply.
std::string RequiredLiteral(std::string_view pattern) {
    std::string best;
    std::string run;
    const auto endRun = [&] {
        if (run.size() > best.size())
            best = run;
        run.clear();
    };
    const auto dropLastCharacter = [&] {
        while (!run.empty() && (static_cast<unsigned char>(run.back()) & 0xC0) == 0x80)
            run.pop_back();
        if (!run.empty())
            run.pop_back();
    };
    int depth = 0;
    bool inClass = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '\\') {
            if (depth == 0 && !inClass)
                endRun();
            ++i;
            continue;
        }
        if (inClass) {
            inClass = c != ']';
            continue;
        }
        if (depth > 0) {
            depth += c == '(' ? 1 : c == ')' ? -1 : 0;
            inClass = c == '[';
            continue;
        }
        switch (c) {
        case '|':
        case ')':
            return {};
        case '(':
            endRun();
            depth = 1;
            break;
        case '[':
            endRun();
            inClass = true;
            break;
        case '{':
            // The count ("{2,3}") is no text; a closing brace ends it.
            while (i + 1 < pattern.size() && pattern[i + 1] != '}')
                ++i;
            [[fallthrough]];
        case '*':
        case '?':
            dropLastCharacter();
            endRun();
            break;
        case '+':
        case '.':
        case '^':
        case '$':
        case '}':
        case '\n':
        case '\r':
            endRun();
            break;
        default:
            run += c;
        }
    }
    endRun();
    return best;
}

std::unique_ptr<TContentPattern::TCompiled> Compile(std::string_view utf8, std::string bytes,
                                                    TContentPattern::TOptions options) {
    auto compiled = std::make_unique<TContentPattern::TCompiled>();
    compiled->IgnoreCase = options.IgnoreCase;
    if (options.Fixed && !options.IgnoreCase) {
        compiled->Bytes = std::move(bytes);
    } else if (options.Fixed) {
        compiled->Folded = winfs::Widen(utf8);
        FoldAll(compiled->Folded);
    } else {
        // The library's backtracking matcher recurses once per character and overflows the
        // stack on long lines; its automaton matcher (__polynomial, a libstdc++ option) keeps
        // the depth to the pattern's size and the time to line length times pattern size. It
        // takes no back-references.
        auto flags = std::regex_constants::ECMAScript | std::regex_constants::__polynomial;
        if (options.IgnoreCase)
            flags |= std::regex_constants::icase;
        const std::string required = RequiredLiteral(utf8);
        if (options.IgnoreCase) {
            compiled->RequiredFolded = winfs::Widen(required);
            FoldAll(compiled->RequiredFolded);
        } else if (bytes == utf8) {
            compiled->Required = required;
        } else {
            cp1252::FromUtf8(required, compiled->Required); // a part of bytes: it converts
        }
        try {
            compiled->Regex.emplace(winfs::Widen(utf8), flags);
        } catch (const std::regex_error& error) {
            throw EBadPattern("Ungültiges Muster: " +
                              (error.code() == std::regex_constants::error_complexity
                                   ? std::string("Rückverweise wie \\1 kennt die Suche der "
                                                 "Windows-Ausgabe nicht")
                                   : RegexMessage(error.code())));
        }
    }
    return compiled;
}

} // namespace

TContentPattern::TContentPattern(std::string_view pattern, TOptions options) {
    if (!IsValidUtf8(pattern))
        throw EBadPattern("Das Muster ist kein gültiges UTF-8.");
    // A pattern without an operator is a plain string, found without the (slow) automaton.
    if (pattern.find_first_of("\\^$.|?*+()[]{}") == std::string_view::npos)
        options.Fixed = true;
    FUtf8 = Compile(pattern, std::string(pattern), options);
    // A pattern with a character the code page lacks cannot match Windows-1252 text.
    std::string bytes;
    if (cp1252::FromUtf8(pattern, bytes))
        FBytes = Compile(pattern, std::move(bytes), options);
}

TContentPattern::~TContentPattern() = default;

struct TLineSearch::TMatchData::TState {
    std::wstring Line;   // the line searched, decoded
    std::wstring Folded; // and folded
};

TLineSearch::TMatchData::TMatchData()
    : State(std::make_unique<TState>()) {}

TLineSearch::TMatchData::~TMatchData() = default;

bool TLineSearch::TMatchData::Match(const TContentPattern::TCompiled& code,
                                    std::string_view subject, size_t offset, bool utf8,
                                    size_t& start, size_t& end) {
    if (!code.Regex && code.Folded.empty()) {
        // Byte for byte; the empty pattern matches at once.
        const size_t at = subject.find(code.Bytes, offset);
        if (at == std::string_view::npos)
            return false;
        start = at;
        end = at + code.Bytes.size();
        return true;
    }
    // Line by line: the match is reported as the line's start, which is all the line search
    // needs of it.
    while (offset <= subject.size()) {
        if (!code.Required.empty()) {
            // Straight to the next line that holds the string every match holds.
            const size_t at = subject.find(code.Required, offset);
            if (at == std::string_view::npos)
                return false;
            const size_t newline = subject.rfind('\n', at);
            if (newline != std::string_view::npos && newline >= offset)
                offset = newline + 1;
        }
        size_t lineEnd = subject.find('\n', offset);
        if (lineEnd == std::string_view::npos)
            lineEnd = subject.size();
        std::string_view line = subject.substr(offset, lineEnd - offset);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        Decode(line, utf8, State->Line);
        bool found = false;
        if (code.Regex && !code.RequiredFolded.empty()) {
            State->Folded = State->Line;
            FoldAll(State->Folded);
        }
        if (code.Regex && !code.RequiredFolded.empty() &&
            State->Folded.find(code.RequiredFolded) == std::wstring::npos) {
            found = false;
        } else if (code.Regex) {
            try {
                found = std::regex_search(State->Line, *code.Regex);
            } catch (const std::regex_error& error) {
                throw ESearchFailed("Die Suche gibt auf: " + RegexMessage(error.code()));
            }
        } else {
            FoldAll(State->Line);
            found = State->Line.find(code.Folded) != std::wstring::npos;
        }
        if (found) {
            start = end = offset;
            return true;
        }
        if (lineEnd == subject.size())
            return false;
        offset = lineEnd + 1;
    }
    return false;
}
