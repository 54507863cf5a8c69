// Compares the two encoders new archives can be written with, on one thread: the files of a
// folder (at most LIMIT MiB of them, default 512) compressed at a level, as update and create
// would store them. Prints time, throughput and the total stored size of each.
//   encoder_bench ORDNER [LEVEL] [LIMIT]
#include "FolderScan.h"
#include "StreamEncoder.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "Aufruf: encoder_bench ORDNER [STUFE] [GRENZE_MIB]\n");
        return 2;
    }
    const int level = argc > 2 ? std::atoi(argv[2]) : 6;
    const uint64_t limit = (argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 512) << 20;
    std::vector<std::string> contents;
    uint64_t total = 0;
    for (const TFolderFile& file : ScanFolder(argv[1]).Files) {
        if (total >= limit)
            break;
        std::ifstream in(file.DiskPath, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        contents.push_back(bytes.str());
        total += contents.back().size();
    }
    std::printf("%zu Dateien, %.1f MB, Stufe %d\n", contents.size(), total / 1e6, level);
    for (const auto kind : {TStreamEncoder::TKind::Zlib, TStreamEncoder::TKind::Fast}) {
        TStreamEncoder encoder(level, kind);
        std::string stored;
        uint64_t storedTotal = 0;
        const auto start = std::chrono::steady_clock::now();
        for (const std::string& content : contents) {
            encoder.Encode(content, stored);
            storedTotal += stored.size();
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%-11s %7.2f s  %7.1f MB/s  %.1f MB gespeichert\n",
                    kind == TStreamEncoder::TKind::Zlib ? "zlib" : "libdeflate", seconds,
                    total / 1e6 / seconds, storedTotal / 1e6);
    }
    return 0;
}
