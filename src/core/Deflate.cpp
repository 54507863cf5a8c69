#include "Deflate.h"

#include "FileIO.h"
#include "PageBuffer.h"

#include <algorithm>
#include <cstring>
#include <isa-l/igzip_lib.h>
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

        bool CanRefill() const { return End - Next >= 8; }
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

// The extra bits that follow a symbol.
int ExtraBits(TCodeKind kind, int symbol) {
    if (kind == TCodeKind::Literals && symbol > 256 && symbol < 286)
        return kLengthExtra[symbol - 257];
    if (kind == TCodeKind::Distances && symbol < 30)
        return kDistanceExtra[symbol];
    return 0;
}

// A table entry: symbol << 16 | code length << 8 | code length plus extra bits.
uint32_t Symbol(uint32_t entry) {
    return entry >> 16;
}
uint32_t CodeLength(uint32_t entry) {
    return (entry >> 8) & 0xFF;
}
uint32_t TotalLength(uint32_t entry) {
    return entry & 0xFF;
}
// The extra bits' value, from the bits that start with the entry's code.
uint32_t ExtraValue(uint32_t entry, uint64_t bits) {
    const uint32_t extra = TotalLength(entry) - CodeLength(entry);
    return static_cast<uint32_t>(bits >> CodeLength(entry)) & ((1u << extra) - 1);
}

// A canonical Huffman code: a table for codes up to kFastBits long, counting for the rest.
class THuffman {
public:
    // False for a set of lengths zlib refuses: over-subscribed, or incomplete other than by a
    // single code of length 1 (literal/length and distance codes only), or empty other than for
    // distances.
    bool Build(const uint8_t* lengths, int count, TCodeKind kind) {
        std::fill(std::begin(FCount), std::end(FCount), uint16_t{0});
        for (int s = 0; s < count; ++s)
            ++FCount[lengths[s]];
        FCount[0] = 0;
        int longest = 0;
        for (int length = 1; length <= kMaxCodeLength; ++length)
            if (FCount[length] > 0)
                longest = length;
        std::fill(std::begin(FFast), std::end(FFast), uint32_t{0});
        if (longest == 0)
            return kind == TCodeKind::Distances;
        int left = 1;
        for (int length = 1; length <= kMaxCodeLength; ++length) {
            left = (left << 1) - FCount[length];
            if (left < 0)
                return false;
        }
        if (left > 0 && (kind == TCodeKind::CodeLengths || longest != 1))
            return false;

        int offset[kMaxCodeLength + 2] = {};
        for (int length = 1; length <= kMaxCodeLength; ++length)
            offset[length + 1] = offset[length] + FCount[length];
        int next[kMaxCodeLength + 1] = {};
        for (int length = 1, code = 0; length <= kMaxCodeLength; ++length) {
            code = (code + FCount[length - 1]) << 1;
            next[length] = code;
        }
        for (int s = 0; s < count; ++s) {
            const int length = lengths[s];
            if (length == 0)
                continue;
            FSymbol[offset[length]++] = static_cast<uint16_t>(s);
            const int code = next[length]++;
            // Symbols the format does not have are left to DecodeLong, whose callers refuse them.
            if (length > kFastBits || s >= kSymbolLimit[static_cast<int>(kind)])
                continue;
            // Codes are sent most significant bit first: index the table by the bits reversed.
            int reversed = 0;
            for (int b = 0; b < length; ++b)
                reversed |= ((code >> b) & 1) << (length - 1 - b);
            const auto entry =
                static_cast<uint32_t>(s << 16 | length << 8 | (length + ExtraBits(kind, s)));
            for (int i = reversed; i < (1 << kFastBits); i += 1 << length)
                FFast[i] = entry;
        }
        return true;
    }

    // Indexed by the next kFastBits bits; 0 for codes that are longer or not in the set.
    const uint32_t* Table() const { return FFast; }

    // The next symbol, its code consumed (not its extra bits); -1 for a code that is not in the
    // set or input that ends.
    [[gnu::always_inline]] int Decode(TBitReader& bits) const {
        if (bits.Count() < kMaxCodeLength)
            bits.Need(kMaxCodeLength);
        const uint32_t entry = FFast[bits.Peek(kFastBits)];
        const int length = static_cast<int>(CodeLength(entry));
        if (entry != 0 && length <= bits.Count()) {
            bits.Drop(length);
            return static_cast<int>(Symbol(entry));
        }
        return DecodeLong(bits);
    }

private:
    // Codes longer than the table, one bit at a time.
    [[gnu::noinline]] int DecodeLong(TBitReader& bits) const {
        int code = 0;
        int first = 0;
        int index = 0;
        for (int length = 1; length <= std::min(kMaxCodeLength, bits.Count()); ++length) {
            code |= static_cast<int>((bits.Peek(length) >> (length - 1)) & 1);
            const int count = FCount[length];
            if (code - count < first) {
                bits.Drop(length);
                return FSymbol[index + (code - first)];
            }
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return -1;
    }

    uint32_t FFast[1 << kFastBits];
    uint16_t FCount[kMaxCodeLength + 1];
    uint16_t FSymbol[320];
};

struct TCodes {
    THuffman Literals;
    THuffman Distances;
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
    THuffman lengthCode;
    if (!lengthCode.Build(lengths, 19, TCodeKind::CodeLengths))
        return false;

    std::fill(std::begin(lengths), std::end(lengths), uint8_t{0});
    const uint32_t total = literalCount + distanceCount;
    for (uint32_t i = 0; i < total;) {
        const int symbol = lengthCode.Decode(bits);
        if (symbol < 0)
            return false;
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
    // Copies length bytes from distance back; 8-byte steps may write up to 7 bytes past them,
    // into the slack.
    bool Copy(uint32_t length, uint32_t distance) {
        if (distance > Produced() || length > static_cast<size_t>(FLimit - FOut))
            return false;
        unsigned char* to = FOut;
        const unsigned char* from = to - distance;
        unsigned char* const end = to + length;
        if (distance >= 8) {
            do {
                std::memcpy(to, from, 8);
                to += 8;
                from += 8;
            } while (to < end);
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
// codes are in the tables, the input holds 8 bytes ahead and the output has room. Careful means
// that DecodeBlock has to take the next symbol, none of which is consumed yet.
template <class TOutput> TRun DecodeFast(TBitReader& reader, const TCodes& codes, TOutput& output) {
    constexpr uint32_t kMask = (1u << kFastBits) - 1;
    const uint32_t* literals = codes.Literals.Table();
    const uint32_t* distances = codes.Distances.Table();
    const auto isLiteral = [](uint32_t entry) { return entry - 1 < (kEndOfBlock << 16) - 1; };
    // Copies in locals: the bytes written could alias the members, which would keep them in memory.
    TBitReader::TState s = reader.Save();
    TOutput out = output;
    TRun result = TRun::Careful;
    while (s.CanRefill() && out.HasRoom()) {
        s.Refill();
        // At least 56 bits at hand and table codes of at most 11 bits: room for three literals.
        uint32_t entry = literals[s.Bits & kMask];
        for (int taken = 0; taken < 3 && isLiteral(entry); ++taken) {
            out.Put(Symbol(entry));
            s.Drop(TotalLength(entry));
            entry = literals[s.Bits & kMask];
        }
        // A fourth literal waits for the next refill.
        if (isLiteral(entry))
            continue;
        if (entry == 0)
            break;
        if (Symbol(entry) == kEndOfBlock) {
            s.Drop(TotalLength(entry));
            result = TRun::EndOfBlock;
            break;
        }
        // A length code with its extra bits, then a distance code with its extra bits.
        const uint64_t distanceBits = s.Bits >> TotalLength(entry);
        const uint32_t distance = distances[distanceBits & kMask];
        if (distance == 0)
            break;
        const uint32_t pair = TotalLength(entry) + TotalLength(distance);
        if (static_cast<int>(pair) > s.Count)
            continue; // refill and take the pair again
        if (!out.Copy(kLengthBase[Symbol(entry) - 257] + ExtraValue(entry, s.Bits),
                      kDistanceBase[Symbol(distance)] + ExtraValue(distance, distanceBits))) {
            result = TRun::Failed;
            break;
        }
        s.Drop(pair);
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
        const int symbol = codes.Literals.Decode(bits);
        if (symbol < 0)
            return false;
        if (symbol < 256) {
            if (!out.PutChecked(static_cast<uint32_t>(symbol)))
                return false;
            continue;
        }
        if (symbol == kEndOfBlock)
            return true;
        if (symbol >= 286)
            return false;
        uint32_t lengthExtra = 0;
        if (!bits.Take(kLengthExtra[symbol - 257], lengthExtra))
            return false;
        const int distance = codes.Distances.Decode(bits);
        uint32_t distanceExtra = 0;
        if (distance < 0 || distance >= 30 || !bits.Take(kDistanceExtra[distance], distanceExtra) ||
            !out.Copy(kLengthBase[symbol - 257] + lengthExtra,
                      kDistanceBase[distance] + distanceExtra))
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
    return isal_adler32(1, output, produced) == check;
}
