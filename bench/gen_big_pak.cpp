// Writes the benchmark archive: by default 1,000,000 small files in 10,000 directories
// (100 regions of 100 zones each), every other file compressed, content a mix of text-like and
// binary game data. Deterministic, so every run measures the same bytes.
#include "PakWriter.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct TRandom {
    uint64_t State;
    uint32_t Next() {
        State = State * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(State >> 33);
    }
};

std::string Content(TRandom& random, size_t size, bool text) {
    static const char* words[] = {"Schwert", "Schild", "Heiltrank", "Goldmünze", "Ritter",
                                  "Drache",  "Burg",   "Nebel",     "Wald",      "Fluss"};
    std::string out;
    out.reserve(size + 16);
    if (text) {
        while (out.size() < size) {
            out += words[random.Next() % 10];
            out += (random.Next() % 8 == 0) ? "\r\n" : " ";
        }
    } else {
        // Smooth values with noise, as in textures and meshes.
        uint8_t value = static_cast<uint8_t>(random.Next());
        while (out.size() < size) {
            value = static_cast<uint8_t>(value + static_cast<int>(random.Next() % 7) - 3);
            out.push_back(static_cast<char>(value));
        }
    }
    out.resize(size);
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "Aufruf: gen_big_pak ZIELDATEI [DATEIEN] [VERZEICHNISSE]\n");
        return 2;
    }
    const long files = argc > 2 ? std::atol(argv[2]) : 1000000;
    const long dirs = argc > 3 ? std::atol(argv[3]) : 10000;
    try {
        TPakWriter pak(argv[1]);
        TRandom random{42};
        char path[128];
        for (long i = 0; i < files; ++i) {
            const long dir = i % dirs;
            const bool text = random.Next() % 2 == 0;
            std::snprintf(path, sizeof path, "region_%03ld/zone_%03ld/objekt_%07ld.%s", dir / 100,
                          dir % 100, i, text ? "txt" : "dat");
            const std::string content = Content(random, 64 + random.Next() % 1984, text);
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
