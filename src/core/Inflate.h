#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

class TBufferBudget;
class TReadFile;

// How reading the beginning of an entry's content came out.
enum class TPartResult {
    Complete, // the whole content, with the verdict on all of it
    Cut,      // the bytes asked for, with more to come that were neither read nor judged
    Damaged,  // the content could not be read up to where it was asked for
};

// Receives inflated bytes in order; may throw (a full disk throws EWriteError).
class TByteSink {
public:
    virtual ~TByteSink() = default;
    virtual void Write(const void* data, size_t count) = 0;
    // Forgets everything written so far, so that the output can start again from the beginning.
    virtual void Restart() = 0;
};

// Inflates one zlib stream (RFC 1950, 15-bit window) straight from the archive into a sink,
// through fixed buffers, so memory stays the same whatever sizes an entry declares.
//
// The outcome is that of zlib's one-shot uncompress() into a buffer of `limit` bytes: success
// when the stream ends within the stored bytes and inflates to at most `limit` bytes (fewer is
// fine); failure when it is damaged, would produce more, or does not end within the stored
// bytes. On failure the sink may already have received a part of the output.
//
// Well-formed streams go through a fast decoder. Entries that fit a few MiB are inflated whole by
// InflateInMemory, which keeps zlib's rules itself. Larger ones are streamed by ISA-L, which takes
// some block headers that zlib refuses, so their headers are checked meanwhile on another core.
// Whatever the fast path does not accept, zlib itself decides, after the sink has been restarted:
// the fast path only ever answers "success", for streams decoded to the end with a matching
// checksum and headers zlib accepts, so the verdicts stay zlib's.
//
// One object per thread; it keeps its decoder state and buffers between entries. With a budget,
// the buffers count against it until ReleaseBuffers.
class TInflater {
public:
    TInflater();
    ~TInflater();
    TInflater(const TInflater&) = delete;
    TInflater& operator=(const TInflater&) = delete;

    bool Inflate(const TReadFile& file, uint64_t offset, uint64_t storedSize, uint64_t limit,
                 TByteSink& sink);
    // The first `wanted` bytes of the content only, under zlib's rules as far as the stream is
    // inflated: the sink receives at most that many bytes, and the stream is inflated only one
    // byte beyond them, to tell Complete from Cut. Always by zlib itself (Inflate's slow path):
    // the fast decoders see whole entries only.
    TPartResult InflateStart(const TReadFile& file, uint64_t offset, uint64_t storedSize,
                             uint64_t limit, uint64_t wanted, TByteSink& sink);

    // A buffer for copying stored bytes: at least min(wanted, 1 MiB) bytes.
    std::span<unsigned char> CopyBuffer(uint64_t wanted);

    void SetBudget(TBufferBudget* budget) { FBudget = budget; }
    // Frees the buffers that count against the budget, and gives their bytes back.
    void ReleaseBuffers();
    uint64_t HeldBytes() const { return FHeld; }

    // Entries the fast decoders left to zlib, since this object was made (for tests).
    uint64_t SlowPathCount() const { return FSlowPathCount; }
    // Entries whose stored and unpacked sizes both fit this go through the whole-buffer decoder.
    void SetWholeBufferLimit(uint64_t bytes) { FWholeBufferLimit = bytes; }

private:
    struct State;
    enum class TFastResult { Inflated, Undecided };

    TFastResult InflateWhole(const TReadFile& file, uint64_t offset, uint64_t storedSize,
                             uint64_t limit, TByteSink& sink);
    TFastResult InflateStreaming(const TReadFile& file, uint64_t offset, uint64_t storedSize,
                                 uint64_t limit, TByteSink& sink);

    // Makes the input and output buffers at least this large, and holds headroom bytes of the
    // budget besides (for the header check's own buffer).
    void Reserve(size_t input, size_t output, size_t headroom);

    std::unique_ptr<State> FState;
    TBufferBudget* FBudget = nullptr;
    uint64_t FHeld = 0; // bytes taken from the budget
    uint64_t FSlowPathCount = 0;
    uint64_t FWholeBufferLimit = 8 * 1024 * 1024;
};
