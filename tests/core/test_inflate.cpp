// The streaming inflater must reach exactly the verdict of zlib's one-shot uncompress() into a
// buffer of the declared size, and produce the same bytes when both succeed.
#include "Deflate.h"
#include "FileIO.h"
#include "Inflate.h"
#include "PakWriter.h"
#include "TestFiles.h"
#include "ZlibReference.h"

#include <gtest/gtest.h>
#include <random>
#include <zlib.h>

namespace {

TVerdict Uncompress(const std::string& stored, uint64_t limit) {
    return ::Uncompress(stored.data(), stored.size(), static_cast<size_t>(limit));
}

// Every stream goes through both fast decoders: small entries take the whole-buffer one by
// default, and a second inflater is made to stream whatever the size.
class InflateTest : public ::testing::Test {
protected:
    InflateTest() { FStreaming.SetWholeBufferLimit(0); }

    TVerdict Stream(const std::string& stored, uint64_t limit, TInflater& inflater) {
        WriteFileBytes(FDir / "data", "prefix" + stored + "suffix-bytes-after-the-entry");
        TReadFile file;
        file.Open(FDir / "data");
        TStringSink sink;
        const bool ok = inflater.Inflate(file, 6, stored.size(), limit, sink);
        return {ok, ok ? sink.Bytes : ""};
    }

    void ExpectSameVerdict(const std::string& stored, uint64_t limit, const std::string& what) {
        const TVerdict expected = Uncompress(stored, limit);
        for (TInflater* inflater : {&FInflater, &FStreaming}) {
            const char* path = inflater == &FInflater ? " (whole)" : " (streaming)";
            const TVerdict actual = Stream(stored, limit, *inflater);
            ASSERT_EQ(actual.Ok, expected.Ok) << what << " limit " << limit << path;
            ASSERT_EQ(actual.Bytes, expected.Bytes) << what << path;
        }
    }

    TTempDir FDir;
    TInflater FInflater;
    TInflater FStreaming;
};

std::string Content(std::mt19937& random, size_t size) {
    std::string text;
    const char* words[] = {"Schwert ", "Schild ", "Trank ", "\x00\x01\x02", "Gold ", "\xFF\xFE"};
    while (text.size() < size)
        text += words[random() % 6];
    text.resize(size);
    return text;
}

// Writes deflate bits by hand, to build the malformed block headers that compressors never
// produce: the places where two decoders are most likely to judge differently.
class TBitWriter {
public:
    // Plain fields go least significant bit first.
    void Put(uint32_t value, int count) {
        for (int i = 0; i < count; ++i)
            Bit((value >> i) & 1);
    }
    // Huffman codes go most significant bit first.
    void Code(uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i)
            Bit((code >> i) & 1);
    }
    // Wraps the bits as a zlib stream whose trailer fits `content`.
    std::string Zlib(const std::string& content) {
        std::string stream = "\x78\x01" + FBytes;
        if (FCount > 0)
            stream.push_back(static_cast<char>(FByte));
        const uLong check =
            adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(content.data()),
                    static_cast<uInt>(content.size()));
        for (int shift = 24; shift >= 0; shift -= 8)
            stream.push_back(static_cast<char>((check >> shift) & 0xFF));
        return stream;
    }

private:
    void Bit(uint32_t bit) {
        FByte |= bit << FCount;
        if (++FCount == 8) {
            FBytes.push_back(static_cast<char>(FByte));
            FByte = 0;
            FCount = 0;
        }
    }
    std::string FBytes;
    uint32_t FByte = 0;
    int FCount = 0;
};

// A final block with fixed codes: literals as given, then (length code, distance code) pairs
// with no extra bits, then the end-of-block code.
std::string FixedBlock(const std::string& literals, std::vector<std::pair<int, int>> matches,
                       const std::string& content) {
    TBitWriter bits;
    bits.Put(1, 1);
    bits.Put(1, 2);
    auto symbol = [&](int s) {
        if (s < 144)
            bits.Code(0x30 + s, 8);
        else if (s < 256)
            bits.Code(0x190 + s - 144, 9);
        else if (s < 280)
            bits.Code(s - 256, 7);
        else
            bits.Code(0xC0 + s - 280, 8);
    };
    for (unsigned char c : literals)
        symbol(c);
    for (auto [length, distance] : matches) {
        symbol(length);
        bits.Code(static_cast<uint32_t>(distance), 5);
    }
    symbol(256);
    return bits.Zlib(content);
}

// A final block with dynamic codes given as code lengths per symbol (literal/length and
// distance tables, of the counts given), sending `symbols` of the literal/length code.
std::string DynamicBlock(const std::vector<int>& litLengths, const std::vector<int>& distLengths,
                         const std::vector<int>& symbols, const std::string& content) {
    TBitWriter bits;
    bits.Put(1, 1);
    bits.Put(2, 2);
    bits.Put(static_cast<uint32_t>(litLengths.size() - 257), 5);
    bits.Put(static_cast<uint32_t>(distLengths.size() - 1), 5);
    // Code-length code: 0, 1, 2 and 18 (a run of zeros) with two bits each, in the order the
    // header sends them: 16 17 18 0 8 7 9 6 10 5 11 4 12 3 13 2 14 1.
    bits.Put(18 - 4, 4);
    const int order[] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1};
    for (int s : order)
        bits.Put(s == 0 || s == 1 || s == 2 || s == 18 ? 2 : 0, 3);
    std::vector<int> lengths = litLengths;
    lengths.insert(lengths.end(), distLengths.begin(), distLengths.end());
    for (size_t i = 0; i < lengths.size();) {
        size_t run = 0;
        while (i + run < lengths.size() && lengths[i + run] == 0 && run < 138)
            ++run;
        if (run >= 11) {
            bits.Code(3, 2);
            bits.Put(static_cast<uint32_t>(run - 11), 7);
            i += run;
        } else {
            bits.Code(static_cast<uint32_t>(lengths[i]), 2);
            ++i;
        }
    }
    // Canonical codes of the literal/length table.
    int countOf[16] = {};
    for (int length : litLengths)
        ++countOf[length];
    countOf[0] = 0;
    int next[16] = {};
    for (int bitsLength = 1, code = 0; bitsLength < 16; ++bitsLength) {
        code = (code + countOf[bitsLength - 1]) << 1;
        next[bitsLength] = code;
    }
    std::vector<int> codes(litLengths.size());
    for (size_t s = 0; s < litLengths.size(); ++s)
        if (litLengths[s] > 0)
            codes[s] = next[litLengths[s]]++;
    for (int s : symbols)
        bits.Code(static_cast<uint32_t>(codes[s]), litLengths[s]);
    return bits.Zlib(content);
}

std::vector<int> Lengths(size_t count, std::initializer_list<std::pair<int, int>> set) {
    std::vector<int> lengths(count, 0);
    for (auto [symbol, length] : set)
        lengths[symbol] = length;
    return lengths;
}

TEST_F(InflateTest, AgreesWithUncompressOnValidShortAndTooLongStreams) {
    std::mt19937 random(7);
    for (size_t size : {0u, 1u, 100u, 70000u, 600000u}) {
        const std::string content = Content(random, size);
        const std::string stored = ZlibCompress(content, 6);
        for (uint64_t limit : {uint64_t{0}, uint64_t{size} / 2, uint64_t{size} - (size > 0),
                               uint64_t{size}, uint64_t{size} + 1, uint64_t{size} * 3 + 5})
            ExpectSameVerdict(stored, limit, "size " + std::to_string(size));
    }
}

TEST_F(InflateTest, IntactStreamsNeedNoSecondPass) {
    std::mt19937 random(6);
    for (size_t size : {1u, 5000u, 3000000u}) {
        const std::string content = Content(random, size);
        for (int level : {0, 1, 9}) {
            const uint64_t before = FInflater.SlowPathCount() + FStreaming.SlowPathCount();
            ExpectSameVerdict(ZlibCompress(content, level), size, "level " + std::to_string(level));
            EXPECT_EQ(FInflater.SlowPathCount() + FStreaming.SlowPathCount(), before)
                << "size " << size << " level " << level;
        }
    }
}

// Content that makes every kind of match: runs (distance 1), short periods that overlap the
// copy, the longest length, the farthest distance, and stretches that do not compress.
std::string RepetitiveContent(std::mt19937& random) {
    std::string content;
    for (int period = 1; period <= 9; ++period) {
        std::string unit = Content(random, static_cast<size_t>(period));
        for (int i = 0; i < 200; ++i)
            content += unit;
    }
    const std::string far = Content(random, 300);
    content += far + Content(random, 32768 - 300) + far;
    for (int i = 0; i < 3000; ++i)
        content.push_back(static_cast<char>(random()));
    return content;
}

TEST_F(InflateTest, AgreesWithUncompressOnEveryKindOfMatchAndBlock) {
    std::mt19937 random(10);
    const std::string content = RepetitiveContent(random);
    // Fixed codes, run-length matches only, no matches at all, and ordinary dynamic blocks.
    for (int strategy : {Z_FIXED, Z_RLE, Z_HUFFMAN_ONLY, Z_DEFAULT_STRATEGY}) {
        for (int level : {1, 9}) {
            const std::string stored = ZlibCompress(content, level, strategy);
            const std::string what = "strategy " + std::to_string(strategy);
            // Intact, the fast decoders must get it right by themselves.
            const uint64_t before = FInflater.SlowPathCount() + FStreaming.SlowPathCount();
            ExpectSameVerdict(stored, content.size(), what);
            EXPECT_EQ(FInflater.SlowPathCount() + FStreaming.SlowPathCount(), before) << what;
            ExpectSameVerdict(stored, content.size() - 1, what + " one byte short");
            std::string damaged = stored;
            for (int k = 0; k < 40; ++k) {
                damaged[2 + random() % (damaged.size() - 6)] ^= static_cast<char>(1 << (k % 8));
                ExpectSameVerdict(damaged, content.size(), what + " damaged " + std::to_string(k));
            }
        }
    }
}

// The whole-buffer decoder writes whole 8-byte words, past the end of a copy: never further than
// the slack beyond the limit, however the content ends.
TEST(InflateInMemoryTest, WritesNothingBeyondTheSlack) {
    std::mt19937 random(12);
    const std::string start = Content(random, 5000);
    const std::vector<std::string> contents = {
        start + "Schwert",                         // a short match at the very end
        start + start.substr(0, 258),              // the longest match
        start + std::string(100, 'x'),             // a run: distance 1
        start + "abcabcabcabcabcabcabc",           // a short period
        start + static_cast<char>(random() % 256), // a literal
    };
    for (const std::string& content : contents) {
        for (int level : {1, 9}) {
            const std::string stored = ZlibCompress(content, level);
            const size_t limit = content.size();
            std::vector<unsigned char> output(limit + kInflateSlack + 64, 0xA5);
            size_t produced = 0;
            ASSERT_TRUE(InflateInMemory(reinterpret_cast<const unsigned char*>(stored.data()),
                                        stored.size(), output.data(), limit, produced));
            ASSERT_EQ(std::string(output.begin(), output.begin() + produced), content);
            for (size_t i = limit + kInflateSlack; i < output.size(); ++i)
                ASSERT_EQ(output[i], 0xA5) << "byte " << i - limit << " past the limit";
        }
    }
}

TEST_F(InflateTest, AgreesWithUncompressOnTruncatedAndExtendedInput) {
    std::mt19937 random(8);
    const std::string content = Content(random, 300000);
    const std::string stored = ZlibCompress(content, 9);
    for (size_t cut :
         {size_t{0}, size_t{1}, size_t{2}, stored.size() / 2, stored.size() - 4, stored.size() - 1})
        ExpectSameVerdict(stored.substr(0, cut), content.size(), "cut " + std::to_string(cut));
    ExpectSameVerdict(stored + "trailing", content.size(), "trailing");
}

TEST_F(InflateTest, AgreesWithUncompressOnCorruptedStreams) {
    std::mt19937 random(9);
    const std::string content = Content(random, 50000);
    const std::string stored = ZlibCompress(content, 6);
    int failures = 0;
    for (int round = 0; round < 600; ++round) {
        std::string damaged = stored;
        const int flips = 1 + static_cast<int>(random() % 3);
        for (int k = 0; k < flips; ++k)
            damaged[random() % damaged.size()] ^= static_cast<char>(1 + random() % 255);
        failures += Uncompress(damaged, content.size()).Ok ? 0 : 1;
        ExpectSameVerdict(damaged, content.size(), "round " + std::to_string(round));
    }
    EXPECT_GT(failures, 0);
}

TEST_F(InflateTest, DictionaryStreamsAndBadHeadersFail) {
    // A header asking for a preset dictionary, and one with a broken check value.
    ExpectSameVerdict(std::string("\x78\xBB\x00\x00\x00\x01\x03\x00", 8), 10, "dictionary");
    ExpectSameVerdict(std::string("\x78\x9D\x03\x00\x00\x00\x00\x01", 8), 10, "check");
}

// The beginning of a content (for a preview): exactly the bytes wanted, Complete only when
// nothing follows them, and a verdict on no more than was inflated.
TEST_F(InflateTest, StartOfAContentIsCutAfterTheBytesWanted) {
    std::mt19937 random(11);
    const std::string content = Content(random, 300000);
    const std::string stored = ZlibCompress(content, 6);
    std::string badTrailer = stored;
    badTrailer.back() ^= 1;
    WriteFileBytes(FDir / "data", stored + badTrailer);
    TReadFile file;
    file.Open(FDir / "data");
    struct TCase {
        uint64_t Offset;
        uint64_t Limit;
        uint64_t Wanted;
        TPartResult Result;
    };
    const uint64_t size = content.size();
    const uint64_t other = stored.size();
    const std::vector<TCase> cases = {
        {0, size, 0, TPartResult::Cut},
        {0, size, 1000, TPartResult::Cut},
        {0, size, size - 1, TPartResult::Cut},
        {0, size, size, TPartResult::Complete},
        {0, size, UINT64_MAX, TPartResult::Complete},
        {0, size - 1, UINT64_MAX, TPartResult::Damaged}, // longer than declared
        {other, size, 1000, TPartResult::Cut},           // the damage lies beyond
        {other, size, size, TPartResult::Damaged},
    };
    for (const TCase& c : cases) {
        TStringSink sink;
        EXPECT_EQ(FInflater.InflateStart(file, c.Offset, stored.size(), c.Limit, c.Wanted, sink),
                  c.Result)
            << "offset " << c.Offset << " limit " << c.Limit << " wanted " << c.Wanted;
        if (c.Result != TPartResult::Damaged) {
            EXPECT_EQ(sink.Bytes, content.substr(0, std::min(c.Wanted, size)));
        }
    }
}

TEST_F(InflateTest, AgreesWithUncompressOnMalformedBlocks) {
    const std::vector<int> oneDistance = Lengths(1, {{0, 1}});
    const std::vector<int> ab = Lengths(257, {{'a', 1}, {'b', 2}, {256, 2}});
    struct TCase {
        std::string Name;
        std::string Stream;
        bool Valid;
    };
    const std::vector<TCase> cases = {
        // Well-formed, to show that the streams are built right.
        {"fixed", FixedBlock("aa", {{257, 0}}, "aaaaa"), true},
        {"dynamic", DynamicBlock(ab, oneDistance, {'a', 'b', 'a', 256}, "aba"), true},
        {"dynamic without distances", DynamicBlock(ab, Lengths(1, {}), {'b', 256}, "b"), true},
        // Malformed.
        {"length code 286", FixedBlock("a", {{286, 0}}, "a"), false},
        {"distance code 30", FixedBlock("a", {{257, 30}}, "aaaa"), false},
        {"distance before the start", FixedBlock("a", {{257, 1}}, "aaaa"), false},
        {"incomplete literal code",
         DynamicBlock(Lengths(257, {{'a', 1}, {256, 2}}), oneDistance, {'a', 256}, "a"), false},
        {"oversubscribed literal code",
         DynamicBlock(Lengths(257, {{'a', 1}, {'b', 1}, {256, 1}}), oneDistance, {'a', 256}, "a"),
         false},
        {"no end-of-block code",
         DynamicBlock(Lengths(257, {{'a', 1}, {'b', 1}}), oneDistance, {'a', 'b'}, "ab"), false},
        {"incomplete distance code",
         DynamicBlock(ab, Lengths(2, {{0, 1}, {1, 2}}), {'a', 256}, "a"), false},
        {"32 distance codes", DynamicBlock(ab, Lengths(32, {{0, 1}}), {'a', 256}, "a"), false},
        {"288 literal codes",
         DynamicBlock(Lengths(288, {{'a', 1}, {'b', 2}, {256, 2}}), oneDistance, {'a', 256}, "a"),
         false},
        {"wrong checksum", FixedBlock("ab", {}, "ba"), false},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(Uncompress(c.Stream, 16).Ok, c.Valid) << c.Name;
        ExpectSameVerdict(c.Stream, 16, c.Name);
        ExpectSameVerdict(c.Stream, 3, c.Name + ", small limit");
    }
}

} // namespace
