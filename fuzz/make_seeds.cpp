// Writes a handful of small, valid archives as the fuzzer's starting corpus.
#include "PakWriter.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Aufruf: make_seeds ORDNER\n");
        return 2;
    }
    const std::string folder = argv[1];
    auto save = [&](const std::string& name, const std::string& bytes) {
        std::FILE* file = std::fopen((folder + "/" + name).c_str(), "wb");
        if (!file)
            return false;
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        return std::fclose(file) == 0;
    };

    TPakWriter empty;
    TPakWriter one;
    one.AddStored("r", "abc");
    TPakWriter mixed;
    mixed.AddStored("a/b/c.txt", "stored");
    mixed.AddCompressed("a/d.bin", std::string(300, 'z') + "end");
    mixed.AddCompressed("e.txt", "short");
    mixed.AddStored("a/e/", "");
    TPakWriter nested;
    TPakWriter::TDirectory* dir = &nested.Root();
    for (int i = 0; i < 6; ++i)
        dir = &dir->AddSubdirectory("n");
    nested.AddRaw(*dir, "n/n/n/n/n/n/leaf", "leaf", 4);

    const bool ok = save("empty.pak", empty.Finish()) && save("one.pak", one.Finish()) &&
                    save("mixed.pak", mixed.Finish()) && save("nested.pak", nested.Finish());
    return ok ? 0 : 1;
}
