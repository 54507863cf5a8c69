#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class TReadFile;

// Receives inflated bytes in order; may throw (a full disk throws EWriteError).
class TByteSink {
public:
    virtual ~TByteSink() = default;
    virtual void Write(const void* data, size_t count) = 0;
};

// Inflates one zlib stream (RFC 1950, 15-bit window) straight from the archive into a sink,
// through fixed buffers, so memory stays the same whatever sizes an entry declares.
//
// The outcome is that of zlib's one-shot uncompress() into a buffer of `limit` bytes: success
// when the stream ends within the stored bytes and inflates to at most `limit` bytes (fewer is
// fine); failure when it is damaged, would produce more, or does not end within the stored
// bytes. On failure the sink may already have received a part of the output.
//
// One object per thread; it keeps its zlib state between entries.
class TInflater {
public:
    TInflater();
    ~TInflater();
    TInflater(const TInflater&) = delete;
    TInflater& operator=(const TInflater&) = delete;

    bool Inflate(const TReadFile& file, uint64_t offset, uint64_t storedSize, uint64_t limit,
                 TByteSink& sink);

private:
    struct State;
    std::unique_ptr<State> FState;
};
