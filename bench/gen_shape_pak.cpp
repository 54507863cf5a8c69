// Writes archives whose shape, not their size, is extreme:
//   gen_shape_pak deep ARCHIV [N]   one file below N nested folders (default 1,000,000)
//   gen_shape_pak wide ARCHIV [N]   N sibling folders of one file each (default 200,000), whose
//                                   names all share one value of the directory index's hash
#include "PakWriter.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    const bool deep = argc >= 3 && std::strcmp(argv[1], "deep") == 0;
    const bool wide = argc >= 3 && std::strcmp(argv[1], "wide") == 0;
    if (!deep && !wide) {
        std::fprintf(stderr, "Aufruf: gen_shape_pak deep|wide ARCHIV [N]\n");
        return 2;
    }
    const long count = argc >= 4 ? std::atol(argv[3]) : deep ? 1000000 : 200000;
    TPakWriter writer(argv[2]);
    if (deep) {
        std::string path;
        for (long level = 0; level < count; ++level)
            path += "d/";
        // In the root's record: the directory records themselves may nest only so deep.
        writer.AddRaw(writer.Root(), path + "datei.txt", "tief", 4);
    } else {
        int bits = 1;
        while ((1l << bits) < count)
            ++bits;
        const std::vector<std::string> names = CollidingNames(bits);
        for (long i = 0; i < count; ++i)
            writer.AddStored(names[static_cast<size_t>(i)] + "/datei.txt", "breit");
    }
    writer.Finish();
    return 0;
}
