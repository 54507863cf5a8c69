#include "Deflate.h"

#include "FileIO.h"
#include "PageBuffer.h"

#include <algorithm>
#include <array>
#include <cstring>
#if VARNHOLM_HAVE_ISAL
#include <isa-l/igzip_lib.h>
#else
#include <zlib.h>
#endif
#include <optional>
#include <vector>

namespace {

constexpr size_t kChunk = 1024 * 1024;
constexpr int kMaxCodeLength = 15;
constexpr int kFastBits = 11;
constexpr uint32_t kLongestMatch = 258;

// Reads the stream's bits, least significant first, through one buffer of the stored bytes.
class TBitReader {
public:
    // Reads the stored bytes from the archive, a chunk at a time.
    TBitReader(const TReadFile& file, uint64_t offset, uint64_t storedSize) {
        FBuffer.Resize(kChunk);
        FChunks.emplace(file, offset, storedSize, FBuffer);
    }
    // Reads a stream that is in memory as a whole.
    TBitReader(const unsigned char* data, size_t size)
        : FData(data)
        , FEnd(size) {}

    // Makes at least count (at most 56) bits available; false when the input ends first.
    bool Need(int count) {
        while (FCount < count) {
            if (FAt + 8 <= FEnd) {
                TState state = Save();
                state.Refill();
                Restore(state);
                return true;
            }
            if (FAt == FEnd && !Refill())
                return false;
            FBits |= static_cast<uint64_t>(FData[FAt++]) << FCount;
            FCount += 8;
        }
        return true;
    }
    int Count() const { return FCount; }
    uint32_t Peek(int count) const { return static_cast<uint32_t>(FBits & ((1ull << count) - 1)); }
    void Drop(int count) {
        FBits >>= count;
        FCount -= count;
    }
    bool Take(int count, uint32_t& value) {
        if (!Need(count))
            return false;
        value = Peek(count);
        Drop(count);
        return true;
    }
    void AlignToByte() { Drop(FCount & 7); }
    // Skips whole bytes after AlignToByte.
    bool SkipBytes(uint64_t count) {
        for (; count > 0 && FCount >= 8; --count)
            Drop(8);
        if (count == 0)
            return true;
        // Past the bits at hand: what Need read ahead of them no longer follows.
        FBits = 0;
        const size_t inBuffer = static_cast<size_t>(std::min<uint64_t>(count, FEnd - FAt));
        FAt += inBuffer;
        count -= inBuffer;
        return count == 0 || (FChunks && FChunks->Skip(count));
    }
    // Copies whole bytes after AlignToByte (a stream in memory only).
    bool CopyBytes(unsigned char* to, size_t count) {
        for (; count > 0 && FCount >= 8; --count) {
            *to++ = static_cast<unsigned char>(FBits);
            Drop(8);
        }
        if (count == 0)
            return true;
        FBits = 0;
        if (count > FEnd - FAt)
            return false;
        std::memcpy(to, FData + FAt, count);
        FAt += count;
        return true;
    }

    // The bit state for a decoding loop that keeps it in registers.
    struct TState {
        uint64_t Bits;
        int Count;
        const unsigned char* Next;
        const unsigned char* End;

        // Room for the two refills that one round of the fast loop may take.
        bool CanRefill() const { return End - Next >= 16; }
        // Makes at least 56 bits available. The bits above Count that an earlier refill left
        // are the same stream bits again, so or-ing the next word over them is harmless.
        [[gnu::always_inline]] void Refill() {
            uint64_t word;
            std::memcpy(&word, Next, 8);
            Bits |= word << Count;
            Next += static_cast<unsigned>(63 - Count) >> 3;
            Count |= 56;
        }
        void Drop(uint32_t count) {
            Bits >>= count;
            Count -= static_cast<int>(count);
        }
    };
    TState Save() const { return {FBits, FCount, FData + FAt, FData + FEnd}; }
    void Restore(const TState& state) {
        FBits = state.Bits;
        FCount = state.Count;
        FAt = static_cast<size_t>(state.Next - FData);
    }

private:
    bool Refill() {
        const size_t got = FChunks ? FChunks->Next() : 0;
        FData = FBuffer.data();
        FAt = 0;
        FEnd = got;
        return got > 0;
    }

    TPageBuffer FBuffer;
    std::optional<TChunkReader> FChunks; // none for a stream in memory
    const unsigned char* FData = nullptr;
    size_t FAt = 0;
    size_t FEnd = 0;
    uint64_t FBits = 0;
    int FCount = 0;
};

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                      15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                      67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistanceBase[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

enum class TCodeKind { CodeLengths, Literals, Distances };
// The symbols the format has; the fixed code defines two more of each, which zlib refuses.
constexpr int kSymbolLimit[] = {19, 286, 30};
constexpr uint32_t kEndOfBlock = 256;

// A table entry says what a code means, ready for the decoding loop:
//   bits 0-7    code length plus extra bits: what the symbol consumes in all
//   bits 8-11   code length: where the extra bits start
//   bits 12-15  number of extra bits
//   bits 16-30  value: the literal byte, the length or distance before its extra bits, or the
//               symbol of a code-length code; 0 for the end of a block
//   bit 31      set for literals
// 0 means no code: one longer than the table, or one for a symbol the format does not have.
constexpr uint32_t kLiteral = 1u << 31;

uint32_t TotalLength(uint32_t entry) {
    return entry & 0xFF;
}
uint32_t CodeLength(uint32_t entry) {
    return (entry >> 8) & 0xF;
}
uint32_t ExtraCount(uint32_t entry) {
    return (entry >> 12) & 0xF;
}
uint32_t Value(uint32_t entry) {
    return (entry >> 16) & 0x7FFF;
}
bool IsLiteral(uint32_t entry) {
    return (entry & kLiteral) != 0;
}
// The extra bits' value, from the bits that start with the entry's code.
uint32_t ExtraValue(uint32_t entry, uint64_t bits) {
    return static_cast<uint32_t>(bits >> CodeLength(entry)) & ~(~0u << ExtraCount(entry));
}

// The entry for a symbol whose code has the given length.
uint32_t MakeEntry(TCodeKind kind, int symbol, int length) {
    uint32_t value = static_cast<uint32_t>(symbol);
    uint32_t extra = 0;
    uint32_t flags = 0;
    if (symbol >= kSymbolLimit[static_cast<int>(kind)])
        return 0;
    if (kind == TCodeKind::Literals) {
        if (symbol < 256) {
            flags = kLiteral;
        } else if (symbol == 256) {
            value = 0;
        } else {
            value = kLengthBase[symbol - 257];
            extra = kLengthExtra[symbol - 257];
        }
    } else if (kind == TCodeKind::Distances) {
        value = kDistanceBase[symbol];
        extra = kDistanceExtra[symbol];
    }
    return flags | value << 16 | extra << 12 | static_cast<uint32_t>(length) << 8 |
           (static_cast<uint32_t>(length) + extra);
}

// The numbers below 2^kMaxTableBits with their bits in reverse order.
constexpr int kMaxTableBits = 11;
constexpr auto kReversed = [] {
    std::array<uint16_t, 1 << kMaxTableBits> reversed{};
    for (int i = 0; i < (1 << kMaxTableBits); ++i)
        for (int b = 0; b < kMaxTableBits; ++b)
            reversed[i] |= static_cast<uint16_t>(((i >> b) & 1) << (kMaxTableBits - 1 - b));
    return reversed;
}();

// A canonical Huffman code: a table for codes up to TableBits long, counting for the rest.
template <int TableBits> class THuffman {
    static_assert(TableBits <= kMaxTableBits);

public:
    // False for a set of lengths zlib refuses: over-subscribed, or incomplete other than by a
    // single code of length 1 (literal/length and distance codes only), or empty other than for
    // distances.
    bool Build(const uint8_t* lengths, int count, TCodeKind kind) {
        FKind = kind;
        std::fill(std::begin(FCount), std::end(FCount), uint16_t{0});
        for (int s = 0; s < count; ++s)
            ++FCount[lengths[s]];
        FCount[0] = 0;
        int longest = 0;
        for (int length = 1; length <= kMaxCodeLength; ++length)
            if (FCount[length] > 0)
                longest = length;
        int left = 1;
        for (int length = 1; length <= kMaxCodeLength; ++length) {
            left = (left << 1) - FCount[length];
            if (left < 0)
                return false;
        }
        if (longest == 0) {
            FFast[0] = 0;
            Repeat(1, 1 << TableBits);
            return kind == TCodeKind::Distances;
        }
        if (left > 0 && (kind == TCodeKind::CodeLengths || longest != 1))
            return false;

        // The symbols in the order of their codes: by length, then by symbol.
        int offset[kMaxCodeLength + 2] = {};
        for (int length = 1; length <= kMaxCodeLength; ++length)
            offset[length + 1] = offset[length] + FCount[length];
        for (int s = 0; s < count; ++s)
            if (lengths[s] != 0)
                FSymbol[offset[lengths[s]]++] = static_cast<uint16_t>(s);

        // The table grows one bit at a time: doubled, it holds the entries of the shorter codes
        // for both values of the new bit, and the codes of the new length go into entries that
        // no shorter code starts, which are still 0 (so are those that no code starts at all).
        // Codes are sent most significant bit first: an entry's index is its code reversed.
        FFast[0] = 0;
        int index = 0;
        uint32_t code = 0;
        for (int length = 1; length <= TableBits; ++length) {
            Repeat(1 << (length - 1), 1 << length);
            for (int k = 0; k < FCount[length]; ++k, ++code) {
                // Symbols the format does not have get 0, as if they were longer: DecodeLong
                // finds them, and its callers refuse them.
                FFast[kReversed[code] >> (kMaxTableBits - length)] =
                    MakeEntry(kind, FSymbol[index++], length);
            }
            code <<= 1;
        }
        return true;
    }

    // Indexed by the next TableBits bits.
    const uint32_t* Table() const { return FFast; }

    // The next symbol's entry, its code consumed (not its extra bits); 0 for a code that is not
    // in the set, a symbol that the format does not have, or input that ends.
    [[gnu::always_inline]] uint32_t Decode(TBitReader& bits) const {
        if (bits.Count() < kMaxCodeLength)
            bits.Need(kMaxCodeLength);
        const uint32_t entry = FFast[bits.Peek(TableBits)];
        const int length = static_cast<int>(CodeLength(entry));
        if (entry != 0 && length <= bits.Count()) {
            bits.Drop(length);
            return entry;
        }
        return DecodeLong(bits);
    }

private:
    // Fills the table up to size with copies of its first `filled` entries.
    void Repeat(int filled, int size) {
        for (; filled < size; filled *= 2)
            std::copy(FFast, FFast + filled, FFast + filled);
    }

    // Codes longer than the table, one bit at a time.
    [[gnu::noinline]] uint32_t DecodeLong(TBitReader& bits) const {
        int code = 0;
        int first = 0;
        int index = 0;
        for (int length = 1; length <= std::min(kMaxCodeLength, bits.Count()); ++length) {
            code |= static_cast<int>((bits.Peek(length) >> (length - 1)) & 1);
            const int count = FCount[length];
            if (code - count < first) {
                bits.Drop(length);
                return MakeEntry(FKind, FSymbol[index + (code - first)], length);
            }
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return 0;
    }

    uint32_t FFast[1 << TableBits];
    uint16_t FCount[kMaxCodeLength + 1];
    uint16_t FSymbol[320];
    TCodeKind FKind = TCodeKind::Literals;
};

struct TCodes {
    THuffman<kFastBits> Literals;
    THuffman<kFastBits> Distances;
};

bool ReadDynamicHeader(TBitReader& bits, TCodes& codes) {
    uint32_t literalCount = 0;
    uint32_t distanceCount = 0;
    uint32_t lengthCodeCount = 0;
    if (!bits.Take(5, literalCount) || !bits.Take(5, distanceCount) ||
        !bits.Take(4, lengthCodeCount))
        return false;
    literalCount += 257;
    distanceCount += 1;
    lengthCodeCount += 4;
    if (literalCount > 286 || distanceCount > 30)
        return false;

    static constexpr uint8_t kOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                           11, 4,  12, 3, 13, 2, 14, 1, 15};
    uint8_t lengths[320] = {};
    for (uint32_t i = 0; i < lengthCodeCount; ++i) {
        uint32_t length = 0;
        if (!bits.Take(3, length))
            return false;
        lengths[kOrder[i]] = static_cast<uint8_t>(length);
    }
    // Code-length codes are at most 7 bits long.
    THuffman<7> lengthCode;
    if (!lengthCode.Build(lengths, 19, TCodeKind::CodeLengths))
        return false;

    std::fill(std::begin(lengths), std::end(lengths), uint8_t{0});
    const uint32_t total = literalCount + distanceCount;
    for (uint32_t i = 0; i < total;) {
        const uint32_t entry = lengthCode.Decode(bits);
        if (entry == 0)
            return false;
        const uint32_t symbol = Value(entry);
        if (symbol < 16) {
            lengths[i++] = static_cast<uint8_t>(symbol);
            continue;
        }
        uint8_t value = 0;
        uint32_t repeat = 0;
        if (symbol == 16) {
            if (i == 0 || !bits.Take(2, repeat))
                return false;
            value = lengths[i - 1];
            repeat += 3;
        } else if (symbol == 17) {
            if (!bits.Take(3, repeat))
                return false;
            repeat += 3;
        } else {
            if (!bits.Take(7, repeat))
                return false;
            repeat += 11;
        }
        if (i + repeat > total)
            return false;
        std::fill(lengths + i, lengths + i + repeat, value);
        i += repeat;
    }
    return lengths[kEndOfBlock] != 0 &&
           codes.Literals.Build(lengths, static_cast<int>(literalCount), TCodeKind::Literals) &&
           codes.Distances.Build(lengths + literalCount, static_cast<int>(distanceCount),
                                 TCodeKind::Distances);
}

const TCodes& FixedCodes() {
    static const TCodes codes = [] {
        TCodes fixed;
        uint8_t lengths[288];
        std::fill(lengths, lengths + 144, uint8_t{8});
        std::fill(lengths + 144, lengths + 256, uint8_t{9});
        std::fill(lengths + 256, lengths + 280, uint8_t{7});
        std::fill(lengths + 280, lengths + 288, uint8_t{8});
        fixed.Literals.Build(lengths, 288, TCodeKind::Literals);
        std::fill(lengths, lengths + 32, uint8_t{5});
        fixed.Distances.Build(lengths, 32, TCodeKind::Distances);
        return fixed;
    }();
    return codes;
}

// What the walk does with the content: nothing, for the header check...
class TNoOutput {
public:
    bool HasRoom() const { return true; }
    void Put(uint32_t) {}
    bool PutChecked(uint32_t) { return true; }
    bool Copy(uint32_t, uint32_t) { return true; }
    bool CopyWithRoom(uint32_t, uint32_t) { return true; }
    bool Stored(TBitReader& bits, uint32_t length) { return bits.SkipBytes(length); }
};

// ...or write it to a buffer, holding zlib's limits: no more than the buffer's size, no
// distance back beyond the start.
class TBufferOutput {
public:
    TBufferOutput(unsigned char* begin, size_t limit)
        : FBegin(begin)
        , FOut(begin)
        , FLimit(begin + limit) {}

    size_t Produced() const { return static_cast<size_t>(FOut - FBegin); }
    // Room for what one round of the fast loop writes unchecked: three literals, or two and the
    // longest match.
    bool HasRoom() const { return FLimit - FOut >= 2 + kLongestMatch; }
    void Put(uint32_t byte) { *FOut++ = static_cast<unsigned char>(byte); }
    bool PutChecked(uint32_t byte) {
        if (FOut == FLimit)
            return false;
        Put(byte);
        return true;
    }
    // Copies length bytes from distance back; 8-byte steps may write up to 13 bytes past them
    // (at least 16 in all, for a match of at least 3), into the slack.
    bool Copy(uint32_t length, uint32_t distance) {
        return length <= static_cast<size_t>(FLimit - FOut) && CopyWithRoom(length, distance);
    }
    // Copy, for the fast loop, which has made sure of the room.
    bool CopyWithRoom(uint32_t length, uint32_t distance) {
        if (distance > Produced())
            return false;
        unsigned char* to = FOut;
        const unsigned char* from = to - distance;
        unsigned char* const end = to + length;
        if (distance >= 8) {
            // Most matches are short: two steps without a test.
            std::memcpy(to, from, 8);
            std::memcpy(to + 8, from + 8, 8);
            to += 16;
            from += 16;
            while (to < end) {
                std::memcpy(to, from, 8);
                to += 8;
                from += 8;
            }
        } else if (distance == 1) {
            std::memset(to, *from, length);
        } else {
            // A short period: its first bytes one at a time, then 8-byte steps from a whole
            // number of periods back, at least 8 bytes, so that no step reads what it writes.
            const uint32_t back = distance * ((8 + distance - 1) / distance);
            unsigned char* const prefixEnd = to + std::min(back, length);
            while (to < prefixEnd)
                *to++ = *from++;
            while (to < end) {
                std::memcpy(to, to - back, 8);
                to += 8;
            }
        }
        FOut = end;
        return true;
    }
    bool Stored(TBitReader& bits, uint32_t length) {
        if (length > static_cast<size_t>(FLimit - FOut) || !bits.CopyBytes(FOut, length))
            return false;
        FOut += length;
        return true;
    }

private:
    unsigned char* FBegin;
    unsigned char* FOut;
    unsigned char* FLimit;
};

enum class TRun { EndOfBlock, Careful, Failed };

// The hot loop: runs through a block's symbols with the bit state in registers, as long as their
// codes are in the tables, the input holds 16 bytes ahead and the output has room. Careful means
// that DecodeBlock has to take the next symbol, none of which is consumed yet.
template <class TOutput> TRun DecodeFast(TBitReader& reader, const TCodes& codes, TOutput& output) {
    constexpr uint32_t kMask = (1u << kFastBits) - 1;
    const uint32_t* literals = codes.Literals.Table();
    const uint32_t* distances = codes.Distances.Table();
    // Copies in locals: the bytes written could alias the members, which would keep them in memory.
    TBitReader::TState s = reader.Save();
    TOutput out = output;
    if (!s.CanRefill())
        return TRun::Careful;
    // Each round starts with at least 16 bits at hand, enough to look up the next code while the
    // bits for what follows it are refilled.
    s.Refill();
    uint32_t entry = literals[s.Bits & kMask];
    TRun result = TRun::Careful;
    while (s.CanRefill() && out.HasRoom()) {
        s.Refill();
        // At least 56 bits at hand and table codes of at most 11 bits: room for three literals,
        // with 16 bits left for the lookup after them.
        if (IsLiteral(entry)) {
            out.Put(Value(entry));
            s.Drop(TotalLength(entry));
            entry = literals[s.Bits & kMask];
            if (IsLiteral(entry)) {
                out.Put(Value(entry));
                s.Drop(TotalLength(entry));
                entry = literals[s.Bits & kMask];
                if (IsLiteral(entry)) {
                    out.Put(Value(entry));
                    s.Drop(TotalLength(entry));
                    entry = literals[s.Bits & kMask];
                    continue;
                }
            }
        }
        if (Value(entry) == 0) {
            // The end of the block, or a code the table does not have.
            if (entry != 0) {
                s.Drop(TotalLength(entry));
                result = TRun::EndOfBlock;
            }
            break;
        }
        // A length code with its extra bits (up to 16) and a distance code with its extra bits
        // (up to 24), from at least 56 bits: 16 are left for the next lookup.
        s.Refill();
        const uint64_t distanceBits = s.Bits >> TotalLength(entry);
        const uint32_t distance = distances[distanceBits & kMask];
        if (distance == 0)
            break;
        if (!out.CopyWithRoom(Value(entry) + ExtraValue(entry, s.Bits),
                              Value(distance) + ExtraValue(distance, distanceBits))) {
            result = TRun::Failed;
            break;
        }
        s.Bits = distanceBits >> TotalLength(distance);
        s.Count -= static_cast<int>(TotalLength(entry) + TotalLength(distance));
        entry = literals[s.Bits & kMask];
    }
    reader.Restore(s);
    output = out;
    return result;
}

// Decodes the symbols of one block up to its end-of-block code.
template <class TOutput> bool DecodeBlock(TBitReader& bits, const TCodes& codes, TOutput& out) {
    for (;;) {
        const TRun run = DecodeFast(bits, codes, out);
        if (run != TRun::Careful)
            return run == TRun::EndOfBlock;
        const uint32_t entry = codes.Literals.Decode(bits);
        if (entry == 0)
            return false;
        if (IsLiteral(entry)) {
            if (!out.PutChecked(Value(entry)))
                return false;
            continue;
        }
        if (Value(entry) == 0)
            return true;
        uint32_t lengthExtra = 0;
        if (!bits.Take(static_cast<int>(ExtraCount(entry)), lengthExtra))
            return false;
        const uint32_t distance = codes.Distances.Decode(bits);
        uint32_t distanceExtra = 0;
        if (distance == 0 || !bits.Take(static_cast<int>(ExtraCount(distance)), distanceExtra) ||
            !out.Copy(Value(entry) + lengthExtra, Value(distance) + distanceExtra))
            return false;
    }
}

// Decodes the deflate blocks that follow a zlib header, up to the end of the last one.
template <class TOutput> bool DecodeBlocks(TBitReader& bits, TOutput& out) {
    TCodes dynamic;
    uint32_t last = 0;
    do {
        uint32_t type = 0;
        if (!bits.Take(1, last) || !bits.Take(2, type))
            return false;
        if (type == 0) {
            bits.AlignToByte();
            uint32_t length = 0;
            uint32_t complement = 0;
            if (!bits.Take(16, length) || !bits.Take(16, complement) ||
                length != (~complement & 0xFFFF) || !out.Stored(bits, length))
                return false;
        } else if (type == 1) {
            if (!DecodeBlock(bits, FixedCodes(), out))
                return false;
        } else if (type == 2) {
            if (!ReadDynamicHeader(bits, dynamic) || !DecodeBlock(bits, dynamic, out))
                return false;
        } else {
            return false;
        }
    } while (last == 0);
    return true;
}

} // namespace

bool IsPlainZlibHeader(unsigned char cmf, unsigned char flg) {
    const bool deflate = (cmf & 0x0F) == 8 && (cmf >> 4) <= 7;
    const bool checked = ((cmf << 8) | flg) % 31 == 0;
    const bool dictionary = (flg & 0x20) != 0;
    return deflate && checked && !dictionary;
}

bool BlockHeadersAcceptedByZlib(const TReadFile& file, uint64_t offset, uint64_t storedSize) {
    TBitReader bits(file, offset, storedSize);
    uint32_t header = 0;
    TNoOutput none;
    return bits.Take(16, header) && DecodeBlocks(bits, none);
}

bool InflateInMemory(const unsigned char* stream, size_t size, unsigned char* output, size_t limit,
                     size_t& produced) {
    if (size < 2 || !IsPlainZlibHeader(stream[0], stream[1]))
        return false;
    TBitReader bits(stream + 2, size - 2);
    TBufferOutput out(output, limit);
    if (!DecodeBlocks(bits, out))
        return false;
    // The Adler-32 of the content follows, most significant byte first.
    bits.AlignToByte();
    uint32_t check = 0;
    for (int i = 0; i < 4; ++i) {
        uint32_t byte = 0;
        if (!bits.Take(8, byte))
            return false;
        check = check << 8 | byte;
    }
    produced = out.Produced();
#if VARNHOLM_HAVE_ISAL
    return isal_adler32(1, output, produced) == check;
#else
    return adler32_z(1, output, produced) == check;
#endif
}
