#include "DeflateCheck.h"

#include "FileIO.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace {

constexpr size_t kChunk = 1024 * 1024;
constexpr int kMaxCodeLength = 15;
constexpr int kFastBits = 11;

// Reads the stream's bits, least significant first, through one buffer of the stored bytes.
class TBitReader {
public:
    // Reads the stored bytes from the archive, a chunk at a time.
    TBitReader(const TReadFile& file, uint64_t offset, uint64_t storedSize)
        : FBuffer(kChunk)
        , FChunks(std::in_place, file, offset, storedSize, FBuffer) {}
    // Reads a stream that is in memory as a whole.
    TBitReader(const unsigned char* data, size_t size)
        : FData(data)
        , FEnd(size) {}

    // Makes at least count (at most 56) bits available; false when the input ends first.
    bool Need(int count) {
        while (FCount < count) {
            if (FAt + 8 <= FEnd) {
                uint64_t word;
                std::memcpy(&word, FData + FAt, 8);
                FBits |= word << FCount;
                FAt += static_cast<size_t>(63 - FCount) >> 3;
                FCount |= 56;
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

private:
    bool Refill() {
        const size_t got = FChunks ? FChunks->Next() : 0;
        FData = FBuffer.data();
        FAt = 0;
        FEnd = got;
        return got > 0;
    }

    std::vector<unsigned char> FBuffer;
    std::optional<TChunkReader> FChunks; // none for a stream in memory
    const unsigned char* FData = nullptr;
    size_t FAt = 0;
    size_t FEnd = 0;
    uint64_t FBits = 0;
    int FCount = 0;
};

constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

enum class TCodeKind { CodeLengths, Literals, Distances };

// The extra bits that follow a symbol, which the check skips together with its code.
int ExtraBits(TCodeKind kind, int symbol) {
    if (kind == TCodeKind::Literals && symbol > 256 && symbol < 286)
        return kLengthExtra[symbol - 257];
    if (kind == TCodeKind::Distances && symbol < 30)
        return kDistanceExtra[symbol];
    return 0;
}

// A canonical Huffman code: a table for codes up to kFastBits long, counting for the rest.
// Decoding a symbol also skips the extra bits that follow it.
class THuffman {
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
            if (length > kFastBits)
                continue;
            // Codes are sent most significant bit first: index the table by the bits reversed.
            int reversed = 0;
            for (int b = 0; b < length; ++b)
                reversed |= ((code >> b) & 1) << (length - 1 - b);
            const auto entry = static_cast<uint32_t>((s << 8) | (length + ExtraBits(kind, s)));
            for (int i = reversed; i < (1 << kFastBits); i += 1 << length)
                FFast[i] = entry;
        }
        return true;
    }

    // The next symbol, or -1 for a code that is not in the set or input that ends.
    [[gnu::always_inline]] int Decode(TBitReader& bits) const {
        // The longest code with its extra bits.
        if (bits.Count() < kMaxCodeLength + 13)
            bits.Need(kMaxCodeLength + 13);
        const uint32_t entry = FFast[bits.Peek(kFastBits)];
        const int length = static_cast<int>(entry & 0xFF);
        if (entry != 0 && length <= bits.Count()) {
            bits.Drop(length);
            return static_cast<int>(entry >> 8);
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
                const int symbol = FSymbol[index + (code - first)];
                const int total = length + ExtraBits(FKind, symbol);
                if (total > bits.Count())
                    return -1;
                bits.Drop(total);
                return symbol;
            }
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return -1;
    }

    TCodeKind FKind = TCodeKind::CodeLengths;
    uint32_t FFast[1 << kFastBits]; // symbol << 8 | bits to skip; 0: not in the table
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
    return lengths[256] != 0 &&
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

// Decodes the symbols of one block up to its end-of-block code, without output.
bool SkipCodedBlock(TBitReader& bits, const TCodes& codes) {
    for (;;) {
        int symbol = codes.Literals.Decode(bits);
        if (symbol < 256) {
            if (symbol < 0)
                return false;
            continue;
        }
        if (symbol == 256)
            return true;
        if (symbol >= 286)
            return false;
        const int distance = codes.Distances.Decode(bits);
        if (distance < 0 || distance >= 30)
            return false;
    }
}

bool CheckBlocks(TBitReader& bits);

} // namespace

bool BlockHeadersAcceptedByZlib(const TReadFile& file, uint64_t offset, uint64_t storedSize) {
    TBitReader bits(file, offset, storedSize);
    return CheckBlocks(bits);
}

bool BlockHeadersAcceptedByZlib(const unsigned char* stream, size_t size) {
    TBitReader bits(stream, size);
    return CheckBlocks(bits);
}

namespace {
bool CheckBlocks(TBitReader& bits) {
    uint32_t header = 0;
    if (!bits.Take(16, header))
        return false;
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
                length != (~complement & 0xFFFF) || !bits.SkipBytes(length))
                return false;
        } else if (type == 1) {
            if (!SkipCodedBlock(bits, FixedCodes()))
                return false;
        } else if (type == 2) {
            if (!ReadDynamicHeader(bits, dynamic) || !SkipCodedBlock(bits, dynamic))
                return false;
        } else {
            return false;
        }
    } while (last == 0);
    return true;
}
} // namespace
