// libFuzzer harness: arbitrary bytes as an archive. Opening must fail cleanly or index entries
// that can all be named and extracted without touching memory outside the reader's buffers.
#include "Exception.h"
#include "uPakReader.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

std::string ScratchFile() {
    static const std::string name = "/tmp/varnholm-fuzz-" + std::to_string(::getpid()) + ".pak";
    return name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string archive = ScratchFile();
    if (std::FILE* file = std::fopen(archive.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    } else {
        return 0;
    }

    TPakReader reader;
    try {
        reader.Open(archive);
    } catch (const Exception&) {
        return 0;
    }
    TInflater inflater;
    const int32_t count = reader.Count();
    for (int32_t i = 0; i < count && i < 64; ++i) {
        const TFileEntry entry = reader.Entry(i);
        if (entry.Name.size() > kMaxNameLength || entry.Dir.size() > entry.Path.size())
            __builtin_trap();
        try {
            reader.ExtractEntry(i, "/dev/null", inflater);
            reader.VerifyEntry(i, inflater);
        } catch (const Exception&) {
        }
    }
    return 0;
}
