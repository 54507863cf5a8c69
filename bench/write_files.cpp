// What the kernel alone charges for the files an extraction makes: the folders and files of an
// archive, each file with its unpacked size, written by the plainest loop (mkdir, open with
// O_CREAT, one write per MiB, close) from one buffer filled once, with nothing read or inflated.
// The time of this loop is the floor under extracting that archive to the same place:
//   write_files ARCHIV ORDNER [THREADS [--shared]]
// With THREADS (default 1), thread t writes the folders t, t + THREADS, ... of the archive, so
// that no two threads create files in one folder; with --shared, thread t writes the files t,
// t + THREADS, ... of every folder instead, one folder after the other, as workers that take the
// next file do.
#include "uPakReader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kChunk = 1 << 20;

struct TFolder {
    std::string Path;
    std::vector<int32_t> Entries;
};

// Writes the files first, first + step, ... of the folder.
void WriteFolder(const TPakReader& reader, const TFolder& folder, const std::vector<char>& data,
                 size_t first = 0, size_t step = 1) {
    std::filesystem::create_directories(folder.Path);
    for (size_t k = first; k < folder.Entries.size(); k += step) {
        const int32_t i = folder.Entries[k];
        const std::string path = folder.Path + "/" + std::string(reader.EntryName(i));
        const int handle = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (handle < 0)
            throw std::runtime_error(path + ": " + std::strerror(errno));
        for (uint64_t left = reader.EntryUnpackedSize(i); left > 0;) {
            const size_t piece = static_cast<size_t>(std::min<uint64_t>(left, kChunk));
            const ssize_t put = ::write(handle, data.data(), piece);
            if (put <= 0)
                throw std::runtime_error(path + ": " + std::strerror(errno));
            left -= static_cast<uint64_t>(put);
        }
        ::close(handle);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "Aufruf: write_files ARCHIV ORDNER [THREADS]\n");
        return 2;
    }
    try {
        TPakReader reader;
        reader.Open(argv[1]);
        const std::string root = argv[2];
        const int threads = argc > 3 ? std::max(1, std::atoi(argv[3])) : 1;
        const bool shared = argc > 4 && std::string(argv[4]) == "--shared";
        // Entries of one folder lie together in the archive's order.
        std::vector<TFolder> folders;
        for (int32_t i = 0; i < reader.Count(); ++i) {
            const std::string dir(reader.EntryDir(i));
            const std::string path = dir.empty() ? root : root + "/" + dir;
            if (folders.empty() || folders.back().Path != path)
                folders.push_back({path, {}});
            folders.back().Entries.push_back(i);
        }
        std::vector<char> data(kChunk);
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<char>(i * 131 + 7);
        std::vector<std::thread> pool;
        std::vector<std::string> errors(static_cast<size_t>(threads));
        for (int t = 0; t < threads; ++t)
            pool.emplace_back([&, t] {
                const auto step = static_cast<size_t>(threads);
                const auto first = static_cast<size_t>(t);
                try {
                    if (shared)
                        for (const TFolder& folder : folders)
                            WriteFolder(reader, folder, data, first, step);
                    else
                        for (size_t f = first; f < folders.size(); f += step)
                            WriteFolder(reader, folders[f], data);
                } catch (const std::exception& e) {
                    errors[static_cast<size_t>(t)] = e.what();
                }
            });
        for (std::thread& worker : pool)
            worker.join();
        for (const std::string& error : errors)
            if (!error.empty())
                throw std::runtime_error(error);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "write_files: %s\n", e.what());
        return 1;
    }
    return 0;
}
