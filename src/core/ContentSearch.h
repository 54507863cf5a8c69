#pragma once

#include "Exception.h"
#include "Inflate.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Searching the content of files for a regular expression (PCRE2), line by line, as the content
// streams by. Texts may be UTF-8 or Windows-1252: the pattern is compiled twice, in UTF-8 mode
// (Unicode case folding and classes) and, translated to Windows-1252, in byte mode with that
// code page's letters and cases. Each piece of content (the whole file, or for files of several
// MiB each piece of about 1 MiB of whole lines) is searched with the first when it is valid
// UTF-8, with the second otherwise.

// A pattern that cannot be compiled; the message says why (German).
class EBadPattern : public Exception {
public:
    explicit EBadPattern(const std::string& message)
        : Exception(message) {}
};

// The matcher gave up on a piece of content (a pattern that backtracks without end).
class ESearchFailed : public Exception {
public:
    explicit ESearchFailed(const std::string& message)
        : Exception(message) {}
};

class TContentPattern {
public:
    struct TOptions {
        bool IgnoreCase = false;
        bool Fixed = false; // the pattern is a plain string
    };

    // pattern: UTF-8. Throws EBadPattern.
    TContentPattern(std::string_view pattern, TOptions options);
    ~TContentPattern();
    TContentPattern(const TContentPattern&) = delete;
    TContentPattern& operator=(const TContentPattern&) = delete;

    struct TCompiled; // one compiled form

private:
    friend class TLineSearch;
    std::unique_ptr<TCompiled> FUtf8;
    std::unique_ptr<TCompiled> FBytes; // null when the pattern has no Windows-1252 form
};

// Finds the matching lines of one file's content, fed to it as a sink. Lines end at "\n" (a
// "\r" before it is not part of the text shown); a line longer than 16 MiB is searched in pieces
// of that length. Content with a NUL byte is binary: its lines are counted but not kept.
class TLineSearch : public TByteSink {
public:
    enum class TMode {
        Lines,     // keeps the matching lines; stops a binary file at its first match
        Count,     // counts matching lines
        First,     // stops at the first match
        FirstLine, // stops at the first match and keeps its line (a binary file's: none)
    };
    struct TLine {
        uint64_t Number;  // from 1
        std::string Text; // UTF-8
    };

    TLineSearch(const TContentPattern& pattern, TMode mode);
    ~TLineSearch() override;

    // Throws EAborted once the answer is known (see TMode): the rest need not be read; throws
    // ESearchFailed.
    void Write(const void* data, size_t count) override;
    void Restart() override;
    // The last line, when the content does not end with "\n".
    void Finish();

    uint64_t Count() const { return FCount; }
    // Found with TMode::Lines and TMode::FirstLine only.
    bool Binary() const { return FBinary; }
    const std::vector<TLine>& Lines() const { return FLines; }
    std::vector<TLine> TakeLines() { return std::move(FLines); }

private:
    void SearchBlock(const char* data, size_t size);
    void Found(const char* lineStart, const char* lineEnd, bool utf8);

    const TContentPattern& FPattern;
    const TMode FMode;
    struct TMatchData;
    std::unique_ptr<TMatchData> FMatch;
    std::string FPending;      // the line begun, not yet ended
    uint64_t FLinesBefore = 0; // lines ended before the current block
    uint64_t FCount = 0;
    bool FBinary = false;
    std::vector<TLine> FLines;
};

// Whether text is well-formed UTF-8 (no overlong forms, surrogates or code points past U+10FFFF).
bool IsValidUtf8(std::string_view text);
