#pragma once

#include <string>
#include <vector>

// The commands of varnholm-pak. Each returns the process exit status:
// 0 everything done, 1 some entries failed, were refused or not found,
// 2 the archive cannot be opened or read, or the destination cannot be written.
namespace pakcmd {

enum ExitStatus { kOk = 0, kSomeFailed = 1, kFatal = 2 };

int List(const std::string& archive);
int Info(const std::string& archive);
int Verify(const std::string& archive);
// threads: how many files are written at once (1: one after the other).
int Extract(const std::string& archive, const std::string& destination,
            const std::vector<std::string>& paths, int threads);

} // namespace pakcmd
