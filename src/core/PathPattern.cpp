#include "PathPattern.h"

#include <vector>

bool IsPattern(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

// One pass over the pattern; matched[j] says whether the pattern so far matches the first j
// characters of the path. Linear in each, whatever the pattern holds.
bool MatchesPattern(std::string_view pattern, std::string_view path) {
    const size_t n = path.size();
    std::vector<char> matched(n + 1, 0);
    std::vector<char> next(n + 1, 0);
    matched[0] = 1;
    for (size_t p = 0; p < pattern.size(); ++p) {
        const char token = pattern[p];
        const bool globstar = token == '*' && p + 1 < pattern.size() && pattern[p + 1] == '*';
        if (globstar) {
            ++p;
            const bool slash = p + 1 < pattern.size() && pattern[p + 1] == '/';
            if (slash) {
                // "**/": nothing, or anything that ends in "/".
                ++p;
                bool any = false;
                for (size_t j = 0; j <= n; ++j) {
                    next[j] = matched[j] || (j > 0 && path[j - 1] == '/' && any);
                    any = any || matched[j];
                }
            } else {
                for (size_t j = 0; j <= n; ++j)
                    next[j] = matched[j] || (j > 0 && next[j - 1]);
            }
        } else if (token == '*') {
            for (size_t j = 0; j <= n; ++j)
                next[j] = matched[j] || (j > 0 && next[j - 1] && path[j - 1] != '/');
        } else {
            next[0] = 0;
            for (size_t j = 1; j <= n; ++j) {
                const char c = path[j - 1];
                next[j] = matched[j - 1] && (token == '?' ? c != '/' : c == token);
            }
        }
        matched.swap(next);
    }
    return matched[n] != 0;
}
