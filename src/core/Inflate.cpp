#include "Inflate.h"

#include "BufferBudget.h"
#include "Deflate.h"
#include "FileIO.h"
#include "PageBuffer.h"

#include <algorithm>
#include <bit>
#include <future>
#if VARNHOLM_HAVE_ISAL
#include <isa-l/igzip_lib.h>
#endif
#include <zlib.h>

namespace {
// Large enough that most game files pass in one read and one write.
constexpr size_t kInputChunk = 1024 * 1024;
constexpr size_t kOutputChunk = 1024 * 1024;
// What the header check of a streamed entry reads into, on its own thread.
constexpr size_t kHeaderCheckBuffer = 1024 * 1024;
constexpr size_t kSmallestBuffer = 64 * 1024;
// Buffers this small stay out of the budget: every worker needs them for every small entry, and
// freeing and mapping them again between entries would cost more than extracting those.
constexpr size_t kUncountedBuffers = 4 * kSmallestBuffer;

} // namespace

struct TInflater::State {
    z_stream Stream{};
    bool Initialised = false;
#if VARNHOLM_HAVE_ISAL
    inflate_state Streaming{};
#endif
    // Chunks of a streamed entry, or a whole entry and its whole content.
    TPageBuffer Input;
    TPageBuffer Output;
    size_t Headroom = 0;

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

TInflater::~TInflater() {
    ReleaseBuffers();
}

void TInflater::Reserve(size_t input, size_t output, size_t headroom) {
    State& s = *FState;
    if (input <= s.Input.size() && output <= s.Output.size() && headroom <= s.Headroom)
        return;
    // Buffers grow in steps, so that entries of slowly rising sizes do not resize each time.
    auto step = [](size_t wanted, size_t now) {
        return std::max({std::bit_ceil(wanted), now, kSmallestBuffer});
    };
    input = step(input, s.Input.size());
    output = step(output, s.Output.size());
    headroom = std::max(headroom, s.Headroom);
    const uint64_t wanted = uint64_t{input} + output + headroom;
    if (FBudget && wanted > kUncountedBuffers) {
        if (!FBudget->TryTake(wanted - FHeld)) {
            // Wait holding nothing, so that the holders who can go on are never kept waiting.
            ReleaseBuffers();
            FBudget->Take(wanted);
        }
        FHeld = wanted;
    }
    s.Input.Resize(input);
    s.Output.Resize(output);
    s.Headroom = headroom;
}

void TInflater::ReleaseBuffers() {
    if (FBudget && FHeld == 0)
        return; // small buffers are kept: they cost little, and every small entry needs them
    State& s = *FState;
    s.Input.Free();
    s.Output.Free();
    s.Headroom = 0;
    if (FBudget && FHeld > 0)
        FBudget->Give(FHeld);
    FHeld = 0;
}

std::span<unsigned char> TInflater::CopyBuffer(uint64_t wanted) {
    const auto size = static_cast<size_t>(std::min<uint64_t>(wanted, kInputChunk));
    if (FState->Input.size() < size)
        Reserve(size, 0, 0);
    return FState->Input;
}

bool TInflater::Inflate(const TReadFile& file, uint64_t offset, uint64_t storedSize, uint64_t limit,
                        TByteSink& sink) {
    // A limit of 0 has a quirk of its own (see InflateStart).
    if (limit > 0 && storedSize >= 2) {
        const bool whole = storedSize <= FWholeBufferLimit && limit <= FWholeBufferLimit;
#if VARNHOLM_HAVE_ISAL
        const TFastResult result = whole ? InflateWhole(file, offset, storedSize, limit, sink)
                                         : InflateStreaming(file, offset, storedSize, limit, sink);
#else
        // Without the streaming decoder (the Windows build) zlib streams large entries, in one
        // pass: its verdicts need no second one.
        if (!whole)
            return InflateStart(file, offset, storedSize, limit, UINT64_MAX, sink) ==
                   TPartResult::Complete;
        const TFastResult result = InflateWhole(file, offset, storedSize, limit, sink);
#endif
        if (result == TFastResult::Inflated)
            return true;
    }
    ++FSlowPathCount;
    sink.Restart();
    return InflateStart(file, offset, storedSize, limit, UINT64_MAX, sink) == TPartResult::Complete;
}

TInflater::TFastResult TInflater::InflateWhole(const TReadFile& file, uint64_t offset,
                                               uint64_t storedSize, uint64_t limit,
                                               TByteSink& sink) {
    const auto inputSize = static_cast<size_t>(storedSize);
    const auto outputSize = static_cast<size_t>(limit);
    Reserve(inputSize, outputSize + kInflateSlack, 0);
    State& s = *FState;
    size_t produced = 0;
    if (file.ReadAt(offset, s.Input.data(), inputSize) < inputSize ||
        !InflateInMemory(s.Input.data(), inputSize, s.Output.data(), outputSize, produced))
        return TFastResult::Undecided;
    sink.Write(s.Output.data(), produced);
    return TFastResult::Inflated;
}

#if VARNHOLM_HAVE_ISAL
TInflater::TFastResult TInflater::InflateStreaming(const TReadFile& file, uint64_t offset,
                                                   uint64_t storedSize, uint64_t limit,
                                                   TByteSink& sink) {
    Reserve(kInputChunk, kOutputChunk, kHeaderCheckBuffer);
    State& s = *FState;
    TChunkReader reader(file, offset, storedSize, s.Input);
    const size_t first = reader.Next();
    if (first < 2 || !IsPlainZlibHeader(s.Input.data()[0], s.Input.data()[1]))
        return TFastResult::Undecided;
    // The streaming decoder takes some Huffman codes that zlib refuses; the block headers are
    // checked meanwhile on another core.
    std::future<bool> headersAccepted = std::async(
        std::launch::async, [&] { return BlockHeadersAcceptedByZlib(file, offset, storedSize); });

    inflate_state& st = s.Streaming;
    isal_inflate_init(&st);
    // Raw deflate after the header we checked, then the Adler-32 trailer, verified.
    st.crc_flag = ISAL_ZLIB_NO_HDR_VER;
    st.next_in = s.Input.data() + 2;
    st.avail_in = static_cast<uint32_t>(first - 2);

    uint64_t outputLeft = limit;
    unsigned char overflow = 0;
    for (;;) {
        if (st.avail_in == 0 && !reader.AtEnd()) {
            st.avail_in = static_cast<uint32_t>(reader.Next());
            st.next_in = s.Input.data();
        }
        // Once the limit is reached, a one-byte scratch buffer shows whether the stream would
        // go on; it must end without writing there.
        const bool full = outputLeft == 0;
        st.next_out = full ? &overflow : s.Output.data();
        st.avail_out =
            full ? 1u : static_cast<uint32_t>(std::min<uint64_t>(outputLeft, kOutputChunk));
        const uint32_t offered = st.avail_out;
        const uint32_t inputBefore = st.avail_in;
        // Only the distance check reads the total, and only up to 32 KiB back: keep it from
        // wrapping around on entries beyond 4 GiB.
        st.total_out = std::min<uint32_t>(st.total_out, 1u << 30);

        const int result = isal_inflate(&st);
        const uint32_t produced = offered - st.avail_out;
        if (result != ISAL_DECOMP_OK || (full && produced > 0))
            return TFastResult::Undecided;
        if (!full && produced > 0) {
            sink.Write(s.Output.data(), produced);
            outputLeft -= produced;
        }
        if (st.block_state == ISAL_BLOCK_FINISH)
            return headersAccepted.get() ? TFastResult::Inflated : TFastResult::Undecided;
        const bool stuck = produced == 0 && st.avail_in == inputBefore;
        if (stuck && (st.avail_in > 0 || reader.AtEnd()))
            return TFastResult::Undecided;
    }
}
#endif

TPartResult TInflater::InflateStart(const TReadFile& file, uint64_t offset, uint64_t storedSize,
                                    uint64_t limit, uint64_t wanted, TByteSink& sink) {
    Reserve(kInputChunk, kOutputChunk, 0);
    State& s = *FState;
    if (!s.Reset())
        return TPartResult::Damaged;
    z_stream& z = s.Stream;
    z.next_in = s.Input.data();
    z.avail_in = 0;
    TChunkReader reader(file, offset, storedSize, s.Input);

    uint64_t outputLeft = limit;
    // Once the output is full, inflate gets a one-byte scratch buffer: a byte landing there means
    // the content is longer than allowed. uncompress() itself, given no room at all, inflates into
    // a one-byte dummy and still reports success without output; a limit of 0 keeps that byte.
    unsigned char overflow = 0;
    bool dummyUsed = false;
    // Bytes the sink may still take; one byte more than that, once inflated, means Cut.
    uint64_t wantedLeft = wanted;

    for (;;) {
        if (z.avail_in == 0 && !reader.AtEnd()) {
            z.avail_in = static_cast<uInt>(reader.Next());
            z.next_in = s.Input.data();
        }

        const bool full = outputLeft == 0;
        uint64_t room = std::min<uint64_t>(outputLeft, kOutputChunk);
        if (wantedLeft < room)
            room = wantedLeft + 1;
        z.next_out = full ? &overflow : s.Output.data();
        z.avail_out = full ? 1u : static_cast<uInt>(room);
        const uInt offered = z.avail_out;

        const int result = inflate(&z, Z_NO_FLUSH);
        const size_t produced = offered - z.avail_out;
        if (full && produced > 0) {
            if (limit != 0 || dummyUsed)
                return TPartResult::Damaged;
            dummyUsed = true;
        }
        if (produced > 0 && !full) {
            if (produced > wantedLeft) {
                sink.Write(s.Output.data(), static_cast<size_t>(wantedLeft));
                return TPartResult::Cut;
            }
            sink.Write(s.Output.data(), produced);
            outputLeft -= produced;
            wantedLeft -= produced;
        }

        if (result == Z_STREAM_END)
            return TPartResult::Complete;
        if (result == Z_OK)
            continue;
        // No progress was possible: fine only while more input can be fetched.
        if (result == Z_BUF_ERROR && z.avail_in == 0 && !reader.AtEnd())
            continue;
        return TPartResult::Damaged;
    }
}
