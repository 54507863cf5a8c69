#include "TestFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

TTempDir::TTempDir() {
    std::string pattern = (fs::temp_directory_path() / "varnholm-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    FPath = pattern;
}

namespace {

// The names in an open folder, without "." and "..".
std::vector<std::string> Names(int folder) {
    std::vector<std::string> names;
    DIR* listing = ::fdopendir(::dup(folder));
    if (!listing)
        return names;
    // The duplicate shares the read position with folder, which the last listing left at the end.
    ::rewinddir(listing);
    while (const dirent* entry = ::readdir(listing))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    ::closedir(listing);
    return names;
}

// Removes a folder and everything in it through handles, so that no path ever grows: a folder
// that is not empty hands its contents up to the top folder, one level at a time. This also
// clears trees far deeper than the system's path limit, in time linear in their size.
void RemoveTree(const std::string& path) {
    const int top = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (top < 0)
        return;
    // Tests make folders read-only to provoke errors; give the removal its rights back.
    ::fchmod(top, 0700);
    uint64_t hoisted = 0;
    for (bool progress = true; progress;) {
        progress = false;
        for (const std::string& name : Names(top)) {
            if (::unlinkat(top, name.c_str(), 0) == 0 ||
                ::unlinkat(top, name.c_str(), AT_REMOVEDIR) == 0) {
                progress = true;
                continue;
            }
            const int inner = ::openat(top, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
            if (inner < 0)
                continue;
            ::fchmod(inner, 0700);
            for (const std::string& child : Names(inner))
                if (::renameat(inner, child.c_str(), top,
                               (".hoisted-" + std::to_string(hoisted++)).c_str()) == 0)
                    progress = true;
            ::close(inner);
        }
    }
    ::close(top);
    ::rmdir(path.c_str());
}

} // namespace

TTempDir::~TTempDir() {
    RemoveTree(FPath);
}

void WriteFileBytes(const std::string& fileName, const std::string& bytes) {
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + fileName);
}

std::string ReadFileBytes(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + fileName);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool FileExists(const std::string& fileName) {
    return fs::is_regular_file(fileName);
}

std::vector<std::string> ListFiles(const std::string& folder) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files.push_back(fs::relative(entry.path(), folder).generic_string());
    std::sort(files.begin(), files.end());
    return files;
}

std::string MakeFolderLink(const std::string& target, const std::string& link) {
    return ::symlink(target.c_str(), link.c_str()) == 0 ? "" : std::strerror(errno);
}

namespace {

std::string Drain(int fd) {
    std::string text;
    char buffer[65536];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    return text;
}

} // namespace

TProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args) {
    // Output goes to temporary files so that neither stream can fill a pipe and stall the child.
    char outName[] = "/tmp/varnholm-out-XXXXXX";
    char errName[] = "/tmp/varnholm-err-XXXXXX";
    const int outFd = ::mkstemp(outName);
    const int errFd = ::mkstemp(errName);
    ::unlink(outName);
    ::unlink(errName);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_adddup2(&actions, errFd, 2);

    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    TProcessResult result;
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    ::lseek(outFd, 0, SEEK_SET);
    ::lseek(errFd, 0, SEEK_SET);
    result.Out = Drain(outFd);
    result.Err = Drain(errFd);
    ::close(outFd);
    ::close(errFd);
    return result;
}
