#pragma once

// The regular-expression engine behind TContentPattern: PCRE2 (ContentSearch.cpp) or, where the
// build has none, the standard library's (ContentSearch_win.cpp). ContentSearchCommon.cpp cuts
// the content into lines and reaches the engine only through this.

#include "ContentSearch.h"

#include <memory>
#include <string_view>

// What one search keeps between its matches (match data, a stack), for one thread.
struct TLineSearch::TMatchData {
    TMatchData();
    ~TMatchData();
    // Whether code matches subject from offset (a line start); the match's bounds into start and
    // end. utf8: subject is valid UTF-8 (else Windows-1252). Throws ESearchFailed.
    bool Match(const TContentPattern::TCompiled& code, std::string_view subject, size_t offset,
               bool utf8, size_t& start, size_t& end);

    struct TState;
    std::unique_ptr<TState> State;
};
