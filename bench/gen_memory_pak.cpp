// Writes the archive of the memory benchmark: 40 incompressible entries just under 8 MiB each,
// stored as zlib streams, so that every worker inflates a whole entry in memory at once.
#include "GameData.h"
#include "PakWriter.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "Aufruf: gen_memory_pak ZIELDATEI\n");
        return 2;
    }
    try {
        TPakWriter pak(argv[1]);
        TGameRandom random{7};
        constexpr size_t kSize = (8u << 20) - 64 * 1024; // the stream stays within 8 MiB
        for (int i = 0; i < 40; ++i) {
            std::string content(kSize, '\0');
            for (char& c : content)
                c = static_cast<char>(random.Next());
            pak.AddCompressed("texturen/block_" + std::to_string(i) + ".bin", content, 1);
        }
        pak.Finish();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gen_memory_pak: %s\n", e.what());
        return 2;
    }
    return 0;
}
