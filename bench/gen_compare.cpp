// Writes the same files as a Varnholm archive and as a zip archive, with the very same deflate
// data in both, for bench/compare:
//   gen_compare tiny  OUT   1,000,000 files of 64 bytes to 2 KiB in 10,000 folders
//   gen_compare mixed OUT   20,000 files of 4 KiB to 1 MiB, text and binary, in 200 folders
//   gen_compare huge  OUT   one file of 1 GiB
//   gen_compare tiny-patch OUT   tiny with 1 % of its files changed, for diff: every 100th file
//                                in turn gets other content of the same size, another size,
//                                is removed, renamed, or joined by a new file beside it
// OUT.pak and OUT.zip are written. Files are compressed at zlib's default level.
#include "GameData.h"
#include "PakWriter.h"
#include "ZipWriter.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <zlib.h>

namespace {

// Deflates content as a zlib stream; the raw deflate data for the zip is its middle.
struct TDeflated {
    std::string Zlib;
    uint32_t Crc;
    std::string_view Raw() const { return std::string_view(Zlib).substr(2, Zlib.size() - 6); }
};

class TStreamDeflater {
public:
    explicit TStreamDeflater(int level = Z_DEFAULT_COMPRESSION) {
        if (deflateInit(&FStream, level) != Z_OK)
            throw std::runtime_error("deflateInit failed");
    }
    ~TStreamDeflater() { deflateEnd(&FStream); }

    void Feed(std::string_view data, bool last) {
        FResult.Crc =
            static_cast<uint32_t>(crc32(FResult.Crc, reinterpret_cast<const Bytef*>(data.data()),
                                        static_cast<uInt>(data.size())));
        FStream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
        FStream.avail_in = static_cast<uInt>(data.size());
        char buffer[1 << 16];
        int result;
        do {
            FStream.next_out = reinterpret_cast<Bytef*>(buffer);
            FStream.avail_out = sizeof buffer;
            result = deflate(&FStream, last ? Z_FINISH : Z_NO_FLUSH);
            FResult.Zlib.append(buffer, sizeof buffer - FStream.avail_out);
        } while (FStream.avail_out == 0 || (last && result != Z_STREAM_END));
    }
    TDeflated Take() { return std::move(FResult); }

private:
    z_stream FStream{};
    TDeflated FResult{{}, static_cast<uint32_t>(crc32(0, nullptr, 0))};
};

TDeflated Deflate(std::string_view content) {
    TStreamDeflater deflater;
    deflater.Feed(content, true);
    return deflater.Take();
}

class TBoth {
public:
    explicit TBoth(const std::string& out)
        : FPak(out + ".pak")
        , FZip(out + ".zip") {}

    void Add(const std::string& path, const TDeflated& data, uint64_t size) {
        const size_t slash = path.rfind('/');
        FPak.AddRaw(FPak.Directory(slash == std::string::npos ? "" : path.substr(0, slash)), path,
                    data.Zlib, size);
        FZip.AddDeflated(path, data.Raw(), data.Crc, size);
    }
    // A stream exactly as long as its content would read as stored in a Varnholm archive; such
    // a file (a few small, noisy ones) is stored as is in both archives alike.
    void Add(const std::string& path, const std::string& content) {
        const TDeflated data = Deflate(content);
        if (data.Zlib.size() != content.size())
            return Add(path, data, content.size());
        FPak.AddStored(path, content);
        FZip.AddStored(path, content, data.Crc);
    }
    void Finish() {
        FPak.Finish();
        FZip.Finish();
    }

private:
    TPakWriter FPak;
    TZipWriter FZip;
};

void Tiny(TBoth& both, bool patched = false) {
    TGameRandom random{42};
    char path[128];
    for (long i = 0; i < 1000000; ++i) {
        const long dir = i % 10000;
        const bool text = random.Next() % 2 == 0;
        std::snprintf(path, sizeof path, "region_%03ld/zone_%03ld/objekt_%07ld.%s", dir / 100,
                      dir % 100, i, text ? "txt" : "dat");
        std::string content = GameData(random, 64 + random.Next() % 1984, text);
        if (!patched || i % 100 != 37) {
            both.Add(path, content);
            continue;
        }
        switch ((i / 100) % 5) {
        case 0: // same size, one byte other
            content[content.size() / 2] ^= 0x20;
            both.Add(path, content);
            break;
        case 1:
            both.Add(path, content + "neu");
            break;
        case 2: // removed
            break;
        case 3:
            std::strcat(path, ".alt");
            both.Add(path, content);
            break;
        default:
            both.Add(path, content);
            std::strcat(path, ".neu");
            both.Add(path, content + "zusatz");
        }
    }
}

void Mixed(TBoth& both) {
    TGameRandom random{7};
    char path[128];
    for (long i = 0; i < 20000; ++i) {
        // Sizes spread evenly on a log scale from 4 KiB to 1 MiB, as game assets are.
        const double scale = (random.Next() % 100000) / 100000.0;
        const auto size = static_cast<size_t>(4096.0 * std::pow(256.0, scale));
        const bool text = random.Next() % 3 == 0;
        std::snprintf(path, sizeof path, "daten/gruppe_%03ld/datei_%05ld.%s", i % 200, i,
                      text ? "txt" : "bin");
        both.Add(path, GameData(random, size, text));
    }
}

void Huge(TBoth& both) {
    TGameRandom random{9};
    constexpr uint64_t kSize = 1ull << 30;
    TStreamDeflater deflater;
    std::string chunk;
    for (uint64_t done = 0; done < kSize; done += 1 << 20) {
        chunk.clear();
        AppendGameData(chunk, random, 1 << 20, (done >> 20) % 4 == 0);
        deflater.Feed(chunk, done + (1 << 20) == kSize);
    }
    both.Add("welt/gelaende.bin", deflater.Take(), kSize);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "Aufruf: gen_compare tiny|tiny-patch|mixed|huge AUSGABE\n");
        return 2;
    }
    try {
        TBoth both(argv[2]);
        if (std::strcmp(argv[1], "tiny") == 0)
            Tiny(both);
        else if (std::strcmp(argv[1], "mixed") == 0)
            Mixed(both);
        else if (std::strcmp(argv[1], "tiny-patch") == 0)
            Tiny(both, true);
        else if (std::strcmp(argv[1], "huge") == 0)
            Huge(both);
        else
            throw std::runtime_error(std::string("unknown set ") + argv[1]);
        both.Finish();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gen_compare: %s\n", e.what());
        return 2;
    }
    return 0;
}
