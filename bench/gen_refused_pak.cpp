// Writes an archive of entries that need no writing: COUNT entries named "../x", which every
// extraction refuses, and one file at the end.
#include "PakWriter.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "Aufruf: gen_refused_pak ZIELDATEI [ANZAHL]\n");
        return 2;
    }
    const long count = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 20000;
    try {
        TPakWriter pak(argv[1]);
        for (long i = 0; i < count; ++i)
            pak.AddRaw(pak.Root(), "../x", "x", 1);
        pak.AddStored("zuletzt.txt", "z");
        pak.Finish();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gen_refused_pak: %s\n", e.what());
        return 2;
    }
    return 0;
}
