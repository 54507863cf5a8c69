// The streaming inflater must reach exactly the verdict of zlib's one-shot uncompress() into a
// buffer of the declared size, and produce the same bytes when both succeed.
#include "FileIO.h"
#include "Inflate.h"
#include "PakWriter.h"
#include "TestFiles.h"

#include <gtest/gtest.h>
#include <random>
#include <zlib.h>

namespace {

class TStringSink : public TByteSink {
public:
    void Write(const void* data, size_t count) override {
        Bytes.append(static_cast<const char*>(data), count);
    }
    std::string Bytes;
};

struct TVerdict {
    bool Ok;
    std::string Bytes;
};

TVerdict Uncompress(const std::string& stored, uint64_t limit) {
    std::string out(limit, '\0');
    uLongf length = static_cast<uLongf>(limit);
    const int result = uncompress(reinterpret_cast<Bytef*>(out.data()), &length,
                                  reinterpret_cast<const Bytef*>(stored.data()),
                                  static_cast<uLong>(stored.size()));
    if (result != Z_OK)
        return {false, ""};
    out.resize(length);
    return {true, out};
}

class InflateTest : public ::testing::Test {
protected:
    TVerdict Stream(const std::string& stored, uint64_t limit) {
        WriteFileBytes(FDir / "data", "prefix" + stored + "suffix-bytes-after-the-entry");
        TReadFile file;
        file.Open(FDir / "data");
        TStringSink sink;
        const bool ok = FInflater.Inflate(file, 6, stored.size(), limit, sink);
        return {ok, ok ? sink.Bytes : ""};
    }

    void ExpectSameVerdict(const std::string& stored, uint64_t limit, const std::string& what) {
        const TVerdict expected = Uncompress(stored, limit);
        const TVerdict actual = Stream(stored, limit);
        ASSERT_EQ(actual.Ok, expected.Ok) << what << " limit " << limit;
        ASSERT_EQ(actual.Bytes, expected.Bytes) << what;
    }

    TTempDir FDir;
    TInflater FInflater;
};

std::string Content(std::mt19937& random, size_t size) {
    std::string text;
    const char* words[] = {"Schwert ", "Schild ", "Trank ", "\x00\x01\x02", "Gold ", "\xFF\xFE"};
    while (text.size() < size)
        text += words[random() % 6];
    text.resize(size);
    return text;
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
    EXPECT_FALSE(Stream(std::string("\x78\xBB\x00\x00\x00\x01\x03\x00", 8), 10).Ok);
}

} // namespace
