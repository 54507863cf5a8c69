#pragma once

#include <string>
#include <vector>

// A fresh folder below the system's temporary folder, removed with everything in it.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::string& Path() const { return FPath; }
    // Path of name inside the folder.
    std::string operator/(const std::string& name) const { return FPath + "/" + name; }

private:
    std::string FPath;
};

void WriteFileBytes(const std::string& fileName, const std::string& bytes);
// Throws std::runtime_error when the file cannot be read.
std::string ReadFileBytes(const std::string& fileName);
bool FileExists(const std::string& fileName);
// Regular files below folder, as paths relative to it with "/" separators, sorted.
std::vector<std::string> ListFiles(const std::string& folder);

// Makes link a symbolic link to the folder target (on Windows, where the system refuses one
// without privileges, a junction): "" when made, else why not.
std::string MakeFolderLink(const std::string& target, const std::string& link);

// What a finished child process left behind.
struct TProcessResult {
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};

// Runs program with arguments, stdin empty, and collects its output.
TProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args);
