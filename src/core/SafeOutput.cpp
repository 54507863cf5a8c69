#include "SafeOutput.h"

#include "Exception.h"
#include "FileIO.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kCopyChunk = 64 << 20;

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

TSafeOutput::TSafeOutput(const std::string& destination, const std::atomic<bool>* cancel)
    : FDestination(destination)
    , FCancel(cancel) {
    const size_t slash = destination.rfind('/');
    const std::string name =
        slash == std::string::npos ? destination : destination.substr(slash + 1);
    const std::string folder = slash == std::string::npos ? "" : destination.substr(0, slash + 1);
    std::vector<char> pattern(folder.begin(), folder.end());
    const std::string tail = "." + name + ".XXXXXX";
    pattern.insert(pattern.end(), tail.begin(), tail.end());
    pattern.push_back('\0');
    // mkostemp opens with O_EXCL: a file or link already there is never written through.
    FHandle = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (FHandle < 0)
        throw EFCreateError(destination, errno);
    FTemporary = pattern.data();
    FBuffer.reserve(kSafeOutputBuffer);
}

TSafeOutput::~TSafeOutput() {
    if (FHandle >= 0)
        ::close(FHandle);
    if (!FCommitted && !FTemporary.empty())
        ::unlink(FTemporary.c_str());
}

void TSafeOutput::WriteRaw(const char* data, size_t size, uint64_t position) {
    while (size > 0) {
        const ssize_t done = ::pwrite(FHandle, data, size, static_cast<off_t>(position));
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            Fail(done < 0 ? errno : ENOSPC);
        data += done;
        size -= static_cast<size_t>(done);
        position += static_cast<uint64_t>(done);
    }
}

void TSafeOutput::CopyFrom(const TReadFile& input, uint64_t offset, uint64_t size) {
    Flush();
    const int inputHandle = input.Handle();
    auto in = static_cast<off_t>(offset);
    auto out = static_cast<off_t>(FPosition);
    bool kernelCopy = true;
    std::string chunk;
    while (size > 0) {
        CheckCancel();
        const size_t want = static_cast<size_t>(std::min<uint64_t>(size, kCopyChunk));
        ssize_t done = -1;
        if (kernelCopy) {
            done = ::copy_file_range(inputHandle, &in, FHandle, &out, want, 0);
            if (done < 0 &&
                (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                kernelCopy = false;
                continue;
            }
            if (done < 0 && errno != EINTR)
                Fail(errno);
            if (done == 0)
                throw EReadError(); // the old archive shrank
        } else {
            chunk.resize(std::min<size_t>(want, kSafeOutputBuffer));
            done = ::pread(inputHandle, chunk.data(), chunk.size(), in);
            if (done < 0 && errno != EINTR)
                throw EReadError();
            if (done == 0)
                throw EReadError();
            if (done > 0) {
                WriteRaw(chunk.data(), static_cast<size_t>(done), static_cast<uint64_t>(out));
                in += done;
                out += done;
            }
        }
        if (done > 0)
            size -= static_cast<uint64_t>(done);
    }
    FPosition = static_cast<uint64_t>(out);
}

void TSafeOutput::Commit() {
    CheckCancel();
    Flush();
    // mkostemp made the file private; the archive gets the permissions a new file would get.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(FHandle, 0666 & ~mask) != 0 || ::fsync(FHandle) != 0)
        Fail(errno);
    if (::close(FHandle) != 0) {
        FHandle = -1;
        Fail(errno);
    }
    FHandle = -1;
    CheckCancel();
    if (::rename(FTemporary.c_str(), FDestination.c_str()) != 0)
        Fail(errno);
    FCommitted = true;
    const int folder = ::open(FolderOf(FDestination).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}
