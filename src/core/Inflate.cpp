#include "Inflate.h"

#include "FileIO.h"

#include <algorithm>
#include <vector>
#include <zlib.h>

namespace {
constexpr size_t kInputChunk = 128 * 1024;
constexpr size_t kOutputChunk = 256 * 1024;
} // namespace

struct TInflater::State {
    z_stream Stream{};
    bool Initialised = false;
    std::vector<unsigned char> Input = std::vector<unsigned char>(kInputChunk);
    std::vector<unsigned char> Output = std::vector<unsigned char>(kOutputChunk);

    ~State() {
        if (Initialised)
            inflateEnd(&Stream);
    }

    bool Reset() {
        if (Initialised)
            return inflateReset(&Stream) == Z_OK;
        Stream = z_stream{};
        Initialised = inflateInit(&Stream) == Z_OK;
        return Initialised;
    }
};

TInflater::TInflater()
    : FState(std::make_unique<State>()) {}

TInflater::~TInflater() = default;

bool TInflater::Inflate(const TReadFile& file, uint64_t offset, uint64_t storedSize, uint64_t limit,
                        TByteSink& sink) {
    State& s = *FState;
    if (!s.Reset())
        return false;
    z_stream& z = s.Stream;
    z.next_in = s.Input.data();
    z.avail_in = 0;

    uint64_t position = offset;
    uint64_t inputLeft = storedSize;
    uint64_t outputLeft = limit;
    // Once the output is full, inflate gets a one-byte scratch buffer: a byte landing there means
    // the content is longer than allowed. uncompress() itself, given no room at all, inflates into
    // a one-byte dummy and still reports success without output; a limit of 0 keeps that byte.
    unsigned char overflow = 0;
    bool dummyUsed = false;

    for (;;) {
        if (z.avail_in == 0 && inputLeft > 0) {
            const size_t want = static_cast<size_t>(std::min<uint64_t>(inputLeft, kInputChunk));
            const size_t got = file.ReadAt(position, s.Input.data(), want);
            position += got;
            // The archive ending early only shortens the input; the stream then cannot end.
            inputLeft = got < want ? 0 : inputLeft - got;
            z.next_in = s.Input.data();
            z.avail_in = static_cast<uInt>(got);
        }

        const bool full = outputLeft == 0;
        z.next_out = full ? &overflow : s.Output.data();
        z.avail_out = full ? 1u : static_cast<uInt>(std::min<uint64_t>(outputLeft, kOutputChunk));
        const uInt offered = z.avail_out;

        const int result = inflate(&z, Z_NO_FLUSH);
        const size_t produced = offered - z.avail_out;
        if (full && produced > 0) {
            if (limit != 0 || dummyUsed)
                return false;
            dummyUsed = true;
        }
        if (produced > 0 && !full) {
            sink.Write(s.Output.data(), produced);
            outputLeft -= produced;
        }

        if (result == Z_STREAM_END)
            return true;
        if (result == Z_OK)
            continue;
        // No progress was possible: fine only while more input can be fetched.
        if (result == Z_BUF_ERROR && z.avail_in == 0 && inputLeft > 0)
            continue;
        return false;
    }
}
