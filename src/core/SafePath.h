#pragma once

#include <string>
#include <string_view>

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Whether a path taken from an archive (Windows-1252 bytes, "/" between components) stays
// inside the folder it is joined to. Refused: an absolute path, any ".." component, and NUL
// bytes (the system would cut the name there); on Windows also "\" as a separator, drive
// prefixes and ":" anywhere. Every extraction checks the path exactly as it will be joined.
bool IsSafeRelativePath(std::string_view relative);

// An archive path in the form the disk wants: UTF-8, with the platform's separators.
std::string ToDiskPath(std::string_view archivePath);
