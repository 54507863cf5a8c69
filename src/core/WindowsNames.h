#pragma once

#include <string>
#include <string_view>

// The names Windows cannot give a file, and how it compares them. One rule set for both
// platforms: the Windows build refuses these names per entry; the Linux build writes them as
// they are, and its tests check the rules all the same.

// Whether this build refuses the names below (Windows) or writes them as they are.
#ifdef _WIN32
inline constexpr bool kRefusesWindowsNames = true;
#else
inline constexpr bool kRefusesWindowsNames = false;
#endif

// Why Windows cannot hold the archive path dir/name (Windows-1252 bytes, "/" between components)
// as a file below a folder, in German; "" when it can. Looks at every component except the empty
// ones, "." and ".." (which the path rules handle): reserved device names with or without an
// extension (CON, NUL, AUX, PRN, COM1-COM9, LPT1-LPT9), ":", "\", the characters <>"|?*,
// control characters, and a trailing dot or space.
std::string WindowsPathProblem(std::string_view dir, std::string_view name);

// Whether path names the same file as prefix, or one below it, when Windows compares names
// (letters of Windows-1252 without regard to case). Both UTF-8 with "/" between components.
bool SameOrBelowIgnoringCase(std::string_view path, std::string_view prefix);

// Whether path is prefix, or below it, as the file system of this build compares names: ignoring
// case on Windows, byte for byte elsewhere.
bool SameOrBelowOnDisk(std::string_view path, std::string_view prefix);
