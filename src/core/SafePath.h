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

// Where extraction puts one entry below its destination, spelled one way per file on disk: empty
// and "." components are dropped, so "f" and "./f", or "d/f", "d/./f" and "d//f", come out alike
// and two entries for one file can be told apart from two files. UTF-8, "/" between components.
struct TTarget {
    std::string Folder; // empty for the destination itself
    std::string Name;

    // The target as one path relative to the destination.
    std::string Joined() const { return Folder.empty() ? Name : Folder + '/' + Name; }
};

enum class TTargetVerdict {
    Ok,
    Unsafe,    // the path would leave the destination (IsSafeRelativePath)
    EmptyName, // nothing names a file: a path ending in "/", or a name "."
};

// Builds the target of an entry named name in the archive directory relativeDir ("/" between
// components, empty for the destination itself).
TTargetVerdict MakeTarget(std::string_view relativeDir, std::string_view name, TTarget& target);

// An archive path in the form the disk wants: UTF-8, with the platform's separators.
std::string ToDiskPath(std::string_view archivePath);
