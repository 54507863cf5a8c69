#pragma once

// zlib's own one-shot verdict, which the inflater must reach exactly, and a sink that collects
// what the inflater writes; shared by the inflate tests and the inflate fuzzer.
#include "Inflate.h"

#include <cstddef>
#include <string>
#include <zlib.h>

struct TVerdict {
    bool Ok = false;
    std::string Bytes; // the content, when Ok
};

class TStringSink : public TByteSink {
public:
    void Write(const void* data, size_t count) override {
        Bytes.append(static_cast<const char*>(data), count);
    }
    void Restart() override { Bytes.clear(); }
    std::string Bytes;
};

// uncompress() of the stream into a buffer of limit bytes.
inline TVerdict Uncompress(const void* stream, size_t size, size_t limit) {
    std::string out(limit, '\0');
    uLongf length = static_cast<uLongf>(limit);
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &length, static_cast<const Bytef*>(stream),
                   static_cast<uLong>(size)) != Z_OK)
        return {};
    out.resize(length);
    return {true, out};
}
