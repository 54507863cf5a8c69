// Writes the fuzzers' starting corpora: a handful of small, valid archives into ORDNER/reader and
// a few zlib streams into ORDNER/inflate, TGA pictures of each kind into ORDNER/tga.
#include "PakWriter.h"
#include "TgaWriter.h"

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

    // Streams for the inflate harness: two bytes of output limit, then the zlib stream. The long
    // one gives the decoder's fast loop room to run.
    const std::string text = "Schwert Schild Heiltrank Schwert Schild Drache Burg Burg Burg";
    std::string longText;
    for (unsigned i = 0; longText.size() < 3000; ++i)
        longText += text.substr((i * 7) % text.size(), 1 + (i * 13) % 17) + std::string(i % 5, 'x');
    const auto stream = [&](const std::string& content, int level, int strategy) {
        const size_t limit = content.size();
        return std::string{static_cast<char>(limit & 0xFF), static_cast<char>(limit >> 8)} +
               ZlibCompress(content, level, strategy);
    };
    const bool streams = save("inflate/stored.z", stream(text, 0, 0)) &&
                         save("inflate/fixed.z", stream(text, 9, 4)) &&
                         save("inflate/dynamic.z", stream(text, 9, 0)) &&
                         save("inflate/long.z", stream(longText, 6, 0)) &&
                         save("inflate/long-rle.z", stream(longText, 6, 3));

    // One picture of each kind the reader knows, 4 × 2: true colour, grey and colour-mapped, plain
    // and run-length encoded.
    const std::string row = "\x10\x20\x30\x40\x50\x60\x70\x80\x90\xA0\xB0\xC0";
    const std::string map = "\x00\x00\xFF\x00\xFF\x00\xFF\x00\x00";
    const bool pictures =
        save("tga/true24.tga", Tga(2, 4, 2, 24, 0, row + row)) &&
        save("tga/true32-rle.tga",
             Tga(10, 4, 2, 32, 0x28, "\x83\x10\x20\x30\x40\x03" + row + "\x11\x22\x33\x44")) &&
        save("tga/grey-rle.tga", Tga(11, 4, 2, 8, 0x20, "\x81\x40\x05\x01\x02\x03\x04\x05\x06")) &&
        save("tga/mapped.tga",
             Tga(1, 4, 2, 8, 0, map + std::string("\x00\x01\x02\x01\x00\x01\x02\x01", 8), 3, 24)) &&
        save("tga/mapped-rle.tga", Tga(9, 4, 2, 8, 0, map + std::string("\x87\x02", 2), 3, 24));

    const bool ok = streams && pictures && save("reader/empty.pak", empty.Finish()) &&
                    save("reader/one.pak", one.Finish()) &&
                    save("reader/mixed.pak", mixed.Finish()) &&
                    save("reader/nested.pak", nested.Finish());
    return ok ? 0 : 1;
}
