#pragma once

#include <string>
#include <vector>

// The commands of varnholm-pak. Each returns the process exit status:
// 0 everything done, 1 some entries failed, were refused or not found,
// 2 the archive cannot be opened or read, or the destination cannot be written.
namespace pakcmd {

enum ExitStatus { kOk = 0, kSomeFailed = 1, kFatal = 2 };

struct TOptions {
    int Threads = 1;                 // files written or checked at once
    bool Quiet = false;              // no summary line
    bool NoOverwrite = false;        // existing files are kept
    bool Stat = false;               // diff: counts and bytes per kind instead of the lines
    bool IgnoreCase = false;         // grep -i
    bool Fixed = false;              // grep -F: the pattern is a plain string
    bool NamesOnly = false;          // grep -l
    bool CountOnly = false;          // grep -c
    bool Add = false;                // update --add: files not in the old archive are added
    std::vector<std::string> Remove; // update --remove: archive paths or patterns left out
    std::vector<std::string> Store;  // update, create --store: patterns of files kept raw
    int Level = 6;                   // update, create --level: compression effort 0..9
};

// paths: archive paths or patterns that select entries (none: all).
int List(const std::string& archive, const std::vector<std::string>& paths);
int Info(const std::string& archive);
int Verify(const std::string& archive, const TOptions& options);
int Extract(const std::string& archive, const std::string& destination,
            const std::vector<std::string>& paths, const TOptions& options);
// Compares two archives by path: 0 identical, 1 different, 2 an error (cmp's and diff's).
int Diff(const std::string& oldArchive, const std::string& newArchive,
         const std::vector<std::string>& paths, const TOptions& options);
// Searches the content of the archives' files: 0 a match, 1 none, 2 an error (grep's).
int Grep(const std::string& pattern, const std::vector<std::string>& archives,
         const std::vector<std::string>& paths, const TOptions& options);

// Writes newArchive from oldArchive and the files of folder (see README): 0 written, 1 written
// with files left out or --remove operands that named nothing, 2 not written.
int Update(const std::string& oldArchive, const std::string& newArchive, const std::string& folder,
           const TOptions& options);
// Writes newArchive from the files of folder alone.
int Create(const std::string& newArchive, const std::string& folder, const TOptions& options);

} // namespace pakcmd
