#pragma once

#include <string_view>

// Wildcard patterns over archive paths ("/" between components), as scripts pick game data:
// "*" stands for any run of characters within one component, "?" for one character other than
// "/", "**" for any run across components, and "**/" also for none ("a/**/b" matches "a/b").
// Everything else stands for itself, byte for byte.
bool IsPattern(std::string_view text);
bool MatchesPattern(std::string_view pattern, std::string_view path);
