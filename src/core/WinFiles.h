#pragma once

// What the Windows file layer shares: UTF-8 and UTF-16, long paths, error numbers, and opening a
// name relative to an open folder (the Windows form of openat), so that folders below an
// extraction's destination are entered one component at a time and never through a reparse
// point (a junction or a symbolic link).

#include "FileIO.h"

#include <optional>
#include <string>
#include <string_view>
#include <windows.h>

namespace winfs {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// path (UTF-8, "/" or "\" between components) as an absolute path with the "\\?\" prefix, which
// lifts the limit of 260 characters; device paths ("\\.\") and paths that have a prefix stay
// as they are.
std::wstring LongPath(const std::string& path);

// The errno that stands for a Windows error (GetLastError) or an NTSTATUS, so that the German
// reasons and the per-entry or whole-run decisions are those of the POSIX layer.
int ErrnoFromWin32(DWORD error);
int ErrnoFromStatus(long status);

// Handles travel through the core as int, as POSIX descriptors do: Windows keeps the value of a
// kernel handle within 32 bits, so the conversion loses nothing.
inline int ToInt(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? -1 : static_cast<int>(HandleToLong(handle));
}
inline HANDLE FromInt(int handle) {
    return handle < 0 ? INVALID_HANDLE_VALUE : LongToHandle(handle);
}

// Opens or creates name (one component) inside folder with NtCreateFile: disposition and options
// as that takes them (FILE_OPEN, FILE_CREATE, ..., FILE_DIRECTORY_FILE, ...); reparse points are
// opened themselves, never followed. INVALID_HANDLE_VALUE with the errno in error on failure.
HANDLE OpenBelow(HANDLE folder, const std::wstring& name, DWORD access, unsigned long disposition,
                 unsigned long options, int& error);

struct TFileKind {
    bool Exists = false;
    bool Folder = false;
    bool ReparsePoint = false; // a junction, a symbolic link, or another kind of reparse point
    unsigned long Links = 0;
};
// What stands at name inside folder, not followed.
TFileKind KindBelow(HANDLE folder, const std::wstring& name);
TFileKind KindOf(HANDLE handle);
// The volume and file index of the open file.
std::optional<TFileId> IdOf(HANDLE handle);

// Marks the open file (opened with DELETE access) to be removed once closed; false on failure.
bool DeleteOnClose(HANDLE handle);

} // namespace winfs
