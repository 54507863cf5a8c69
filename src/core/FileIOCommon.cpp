// The parts of the file layer that are the same on every system; FileIO.cpp (POSIX) and
// FileIO_win.cpp (Windows) hold the system calls.
#include "Exception.h"
#include "FileIO.h"

#include <algorithm>
#include <cerrno>

TReadFile::~TReadFile() {
    Close();
}

size_t TChunkReader::Next() {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(FLeft, FBuffer.size()));
    const size_t got = want == 0 ? 0 : FFile.ReadAt(FPosition, FBuffer.data(), want);
    FPosition += got;
    FLeft = got < want ? 0 : FLeft - got;
    return got;
}

bool TChunkReader::Skip(uint64_t count) {
    if (count > FLeft)
        return false;
    FPosition += count;
    FLeft -= count;
    return true;
}

std::function<int(const std::string& name)> TWriteFile::FaultHook;

TWriteFile::TWriteFile(int folderHandle, const std::string& name, bool keepExisting)
    : FFolder(folderHandle)
    , FName(name) {
    // Another process changing the name between a look and an open makes the open fail; a few
    // rounds settle it.
    for (int round = 0; round < 4 && FHandle < 0; ++round)
        OpenInFolder(keepExisting);
    if (FHandle < 0)
        throw EFCreateError(name, EEXIST);
}

void TWriteFile::CountWrite(size_t count) {
    if (FWatch && FWatch->Abort.load(std::memory_order_relaxed))
        throw EAborted();
    if (FWatch)
        FWatch->Bytes.fetch_add(count, std::memory_order_relaxed);
    if (FaultHook)
        if (const int error = FaultHook(FName))
            throw EWriteError(FName, error);
}
