#pragma once

#include <string>
#include <vector>

// The commands of varnholm-pak. Each returns the process exit status:
// 0 everything done, 1 some entries failed, were refused or not found,
// 2 the archive cannot be opened or read, or the destination cannot be written.
namespace pakcmd {

enum ExitStatus { kOk = 0, kSomeFailed = 1, kFatal = 2 };

struct TOptions {
    int Threads = 1;          // files written or checked at once
    bool Quiet = false;       // no summary line
    bool NoOverwrite = false; // existing files are kept
};

// paths: archive paths or patterns that select entries (none: all).
int List(const std::string& archive, const std::vector<std::string>& paths);
int Info(const std::string& archive);
int Verify(const std::string& archive, const TOptions& options);
int Extract(const std::string& archive, const std::string& destination,
            const std::vector<std::string>& paths, const TOptions& options);

} // namespace pakcmd
