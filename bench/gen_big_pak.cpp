// Writes the benchmark archive: by default 1,000,000 small files in 10,000 directories
// (100 regions of 100 zones each), every other file compressed, content a mix of text-like and
// binary game data. Deterministic, so every run measures the same bytes.
#include "GameData.h"
#include "PakWriter.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "Aufruf: gen_big_pak ZIELDATEI [DATEIEN] [VERZEICHNISSE]\n");
        return 2;
    }
    const long files = argc > 2 ? std::atol(argv[2]) : 1000000;
    const long dirs = argc > 3 ? std::atol(argv[3]) : 10000;
    try {
        TPakWriter pak(argv[1]);
        TGameRandom random{42};
        char path[128];
        for (long i = 0; i < files; ++i) {
            const long dir = i % dirs;
            const bool text = random.Next() % 2 == 0;
            std::snprintf(path, sizeof path, "region_%03ld/zone_%03ld/objekt_%07ld.%s", dir / 100,
                          dir % 100, i, text ? "txt" : "dat");
            const std::string content = GameData(random, 64 + random.Next() % 1984, text);
            if (i % 2 == 0)
                pak.AddCompressed(path, content);
            else
                pak.AddStored(path, content);
        }
        pak.Finish();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gen_big_pak: %s\n", e.what());
        return 2;
    }
    return 0;
}
