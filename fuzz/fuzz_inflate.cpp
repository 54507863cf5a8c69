// libFuzzer harness: arbitrary bytes as a zlib stream (after two bytes that give the output
// limit). The in-memory decoder may only answer "success" where uncompress() succeeds with the
// same bytes, and must stay within its output and slack; the whole inflater, along both of its
// paths, must reach exactly uncompress()'s verdict.
#include "Deflate.h"
#include "FileIO.h"
#include "Inflate.h"
#include "ZlibReference.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

TVerdict ThroughInflater(const uint8_t* stream, size_t size, size_t limit, TInflater& inflater) {
    static const std::string name =
        "/tmp/varnholm-fuzz-inflate-" + std::to_string(::getpid()) + ".bin";
    std::FILE* file = std::fopen(name.c_str(), "wb");
    if (!file)
        __builtin_trap();
    std::fwrite(stream, 1, size, file);
    std::fclose(file);
    TReadFile input;
    input.Open(name);
    TStringSink sink;
    if (!inflater.Inflate(input, 0, size, limit, sink))
        return {};
    return {true, sink.Bytes};
}

bool Same(const TVerdict& a, const TVerdict& b) {
    return a.Ok == b.Ok && a.Bytes == b.Bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const size_t limit = data[0] | static_cast<size_t>(data[1]) << 8;
    const uint8_t* stream = data + 2;
    const size_t streamSize = size - 2;
    const TVerdict expected = Uncompress(stream, streamSize, limit);

    // Exactly limit plus slack, so that the sanitizer sees any write beyond.
    const auto output = std::make_unique<unsigned char[]>(limit + kInflateSlack);
    size_t produced = 0;
    if (InflateInMemory(stream, streamSize, output.get(), limit, produced) &&
        !Same(expected, {true, std::string(reinterpret_cast<char*>(output.get()), produced)}))
        __builtin_trap();

    // Kept between runs, as in an extraction, so that state left by one stream would show.
    static TInflater whole;
    static TInflater streaming;
    streaming.SetWholeBufferLimit(0);
    if (!Same(expected, ThroughInflater(stream, streamSize, limit, whole)) ||
        !Same(expected, ThroughInflater(stream, streamSize, limit, streaming)))
        __builtin_trap();
    return 0;
}
