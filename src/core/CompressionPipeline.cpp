#include "CompressionPipeline.h"

#include "Cp1252.h"
#include "Exception.h"
#include "FileIO.h"
#include "PathPattern.h"
#include "SafeOutput.h"
#include "WorkerThreads.h"
#include "uPakReader.h"

#include <cerrno>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <zlib.h>

namespace pakbuild {
namespace {

using paklayout::TFileRecord;

// Content waiting to be written is held to about this much, plus one file of any size.
constexpr uint64_t kBytesInFlight = 256ull << 20;

struct TResult {
    std::string Stored;
    uint64_t UnpackedSize = 0;
    bool Unchanged = false;
    std::exception_ptr Error;
};

// A file to store, and the entry it replaces, if any.
struct TJob {
    const TFolderFile* File;
    const TFileRecord* Old; // null for an added file
};

// False when the old archive does not hold them (a damaged entry is simply replaced).
bool ReadOld(const TReadFile& archive, const TFileRecord& old, std::string& stored) {
    stored.resize(static_cast<size_t>(old.StoredSize));
    try {
        return archive.ReadAt(old.Offset, stored.data(), stored.size()) == stored.size();
    } catch (const EReadError&) {
        return false;
    }
}

// Whether content is what the old entry holds; its stored bytes are kept in stored then.
bool SameAsOld(const TReadFile& archive, const TFileRecord& old, const std::string& content,
               std::string& stored) {
    if (content.size() != old.UnpackedSize)
        return false;
    if (!ReadOld(archive, old, stored))
        return false;
    if (old.StoredSize == old.UnpackedSize)
        return stored == content;
    std::string inflated(content.size(), '\0');
    uLongf size = inflated.size();
    return ::uncompress(reinterpret_cast<Bytef*>(inflated.data()), &size,
                        reinterpret_cast<const Bytef*>(stored.data()), stored.size()) == Z_OK &&
           size == content.size() && inflated == content;
}

// The whole file, also when it grew since the folder was scanned.
std::string ReadWhole(const TFolderFile& file) {
    TReadFile input;
    input.Open(file.DiskPath);
    std::string content(file.Size, '\0');
    size_t have = 0;
    try {
        for (;;) {
            if (have == content.size())
                content.resize(std::max<size_t>(content.size() * 2, 65536));
            const size_t want = content.size() - have;
            const size_t got = input.ReadAt(have, content.data() + have, want);
            have += got;
            if (got < want)
                break;
        }
    } catch (const EReadError&) {
        throw Exception(
            WithSystemReason("Datei " + file.DiskPath + " kann nicht gelesen werden", EIO));
    }
    content.resize(have);
    return content;
}

bool KeptRaw(const std::vector<std::string>& patterns, std::string_view path) {
    for (const std::string& pattern : patterns) {
        const bool whole = pattern.find('/') != std::string::npos;
        if (MatchesPattern(pattern, whole ? path : SplitNamePart(path)))
            return true;
    }
    return false;
}

// Workers take the next file in order while the writer is not too far behind; each result has
// its slot, which the writer empties in order.
class TPipeline {
public:
    TPipeline(const std::vector<TJob>& jobs, const TReadFile* oldArchive, const TOptions& options)
        : FJobs(jobs)
        , FOldArchive(oldArchive)
        , FOptions(options)
        , FResults(jobs.size()) {
        const size_t threads =
            std::clamp<size_t>(options.Threads, 1, std::max<size_t>(jobs.size(), 1));
        if (!jobs.empty())
            StartAtLeastOneWorker(FThreads, threads, [this] { Work(); });
    }
    ~TPipeline() {
        {
            std::lock_guard lock(FMutex);
            FStop = true;
        }
        FChanged.notify_all();
        for (std::thread& thread : FThreads)
            thread.join();
    }

    TResult Take(size_t index) {
        std::unique_lock lock(FMutex);
        FChanged.wait(lock, [&] { return FResults[index].has_value(); });
        TResult result = std::move(*FResults[index]);
        FResults[index].reset();
        FWritten = index + 1;
        FInFlight -= FJobs[index].File->Size;
        lock.unlock();
        FChanged.notify_all();
        if (result.Error)
            std::rethrow_exception(result.Error);
        return result;
    }

private:
    void Work() {
        TStreamEncoder encoder(FOptions.Level, FOptions.Encoder);
        for (;;) {
            size_t index;
            {
                std::unique_lock lock(FMutex);
                FChanged.wait(lock, [&] {
                    return FStop || FNext >= FJobs.size() || FNext == FWritten ||
                           FInFlight + FJobs[FNext].File->Size <= kBytesInFlight;
                });
                if (FStop || FNext >= FJobs.size())
                    return;
                index = FNext++;
                FInFlight += FJobs[index].File->Size;
            }
            TResult result;
            try {
                const TJob& job = FJobs[index];
                const std::string content = ReadWhole(*job.File);
                result.UnpackedSize = content.size();
                if (job.Old && FOldArchive &&
                    SameAsOld(*FOldArchive, *job.Old, content, result.Stored))
                    result.Unchanged = true;
                else if (KeptRaw(FOptions.Store, job.File->ArchivePath))
                    result.Stored = content;
                else
                    encoder.Encode(content, result.Stored);
            } catch (...) {
                result.Error = std::current_exception();
            }
            {
                std::lock_guard lock(FMutex);
                FResults[index] = std::move(result);
            }
            FChanged.notify_all();
        }
    }

    const std::vector<TJob>& FJobs;
    const TReadFile* FOldArchive;
    const TOptions& FOptions;
    std::vector<std::optional<TResult>> FResults;
    std::mutex FMutex;
    std::condition_variable FChanged;
    size_t FNext = 0;
    size_t FWritten = 0;
    uint64_t FInFlight = 0;
    bool FStop = false;
    std::vector<std::thread> FThreads;
};

} // namespace

int64_t WriteCompressed(const std::vector<TFileRecord*>& records,
                        const std::vector<TFolderFile>& files, const TReadFile* oldArchive,
                        const TOptions& options, TSafeOutput& out) {
    std::vector<TJob> jobs;
    jobs.reserve(records.size());
    for (const TFileRecord* record : records)
        jobs.push_back({&files[record->Source], record->Added ? nullptr : record});
    struct TPlaced {
        uint64_t Offset, StoredSize, UnpackedSize;
    };
    std::vector<TPlaced> placed;
    placed.reserve(jobs.size());
    int64_t unchanged = 0;
    {
        TPipeline pipeline(jobs, oldArchive, options);
        for (size_t i = 0; i < jobs.size(); ++i) {
            const TResult result = pipeline.Take(i);
            placed.push_back({out.Position(), result.Stored.size(), result.UnpackedSize});
            out.Write(result.Stored);
            unchanged += result.Unchanged;
            if (options.Progress)
                options.Progress->Done += jobs[i].File->Size;
        }
    }
    // The old values were read by the threads until here.
    for (size_t r = 0; r < records.size(); ++r) {
        records[r]->Offset = placed[r].Offset;
        records[r]->StoredSize = placed[r].StoredSize;
        records[r]->UnpackedSize = placed[r].UnpackedSize;
    }
    return unchanged;
}

} // namespace pakbuild
