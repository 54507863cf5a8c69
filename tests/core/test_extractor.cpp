#include "Exception.h"
#include "Extractor.h"
#include "PakWriter.h"
#include "TestFiles.h"
#include "WorkerThreads.h"

#include <chrono>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

class ExtractorTest : public ::testing::Test {
protected:
    void Open(TPakWriter& writer) {
        WriteFileBytes(FDir / "a.pak", writer.Finish());
        FReader.Open(FDir / "a.pak");
    }
    // Extracts every entry to dest/Dir/Name as "all files" does.
    TExtractor::TStats ExtractAll(const std::string& destination, int threads = 1) {
        TExtractor extractor(FReader, destination, threads);
        extractor.OnDamaged = [this](int32_t i) { FEvents.push_back("damaged " + Path(i)); };
        extractor.OnRefused = [this](int32_t i) { FEvents.push_back("refused " + Path(i)); };
        for (int32_t i = 0; i < FReader.Count(); ++i)
            extractor.Add(i, FReader.EntryDir(i));
        extractor.Finish();
        return extractor.Stats();
    }
    std::string Path(int32_t i) const { return std::string(FReader.EntryPath(i)); }

    TTempDir FDir;
    TPakReader FReader;
    std::vector<std::string> FEvents;
};

TEST_F(ExtractorTest, RecreatesTheArchiveFoldersBelowTheDestination) {
    TPakWriter writer;
    writer.AddStored("root.txt", "r");
    writer.AddCompressed("a/b/deep.txt", "deep");
    writer.AddStored("a/flat.txt", "flat");
    writer.AddStored("m\xFC"
                     "hle/\xC4rger.txt",
                     "umlauts");
    Open(writer);

    const auto stats = ExtractAll(FDir / "out");
    const std::string out = FDir / "out";
    EXPECT_EQ(ListFiles(out), (std::vector<std::string>{"a/b/deep.txt", "a/flat.txt",
                                                        "mühle/Ärger.txt", "root.txt"}));
    EXPECT_EQ(ReadFileBytes(out + "/a/b/deep.txt"), "deep");
    EXPECT_EQ(ReadFileBytes(out + "/mühle/Ärger.txt"), "umlauts");
    EXPECT_EQ(stats.Written, 4);
    EXPECT_EQ(stats.Bytes, 1u + 4 + 4 + 7);
    EXPECT_TRUE(FEvents.empty());
}

TEST_F(ExtractorTest, ADestinationEndingInASeparatorGetsNoSecondOne) {
    TPakWriter writer;
    writer.AddStored("x", "x");
    Open(writer);
    TExtractor extractor(FReader, FDir / "out/");
    extractor.Add(0, "");
    EXPECT_EQ(ReadFileBytes(FDir / "out/x"), "x");
}

TEST_F(ExtractorTest, UnsafePathsAreRefusedAndNothingLandsOutsideTheDestination) {
    TPakWriter writer;
    writer.AddStored("../escape.txt", "1");
    writer.AddRaw(writer.Root(), "a/../../escape2.txt", "2", 1);
    writer.AddRaw(writer.Root(), "/tmp/absolute.txt", "3", 1);
    writer.AddStored("fine.txt", "4");
    Open(writer);

    const auto stats = ExtractAll(FDir / "out");
    EXPECT_EQ(stats.Refused, 3);
    EXPECT_EQ(stats.Written, 1);
    EXPECT_EQ(ListFiles(FDir.Path()), (std::vector<std::string>{"a.pak", "out/fine.txt"}));
    EXPECT_EQ(FEvents,
              (std::vector<std::string>{"refused ../escape.txt", "refused a/../../escape2.txt",
                                        "refused /tmp/absolute.txt"}));
}

TEST_F(ExtractorTest, ARelativeDirectoryCutFromAnEntryIsCheckedAsJoined) {
    TPakWriter writer;
    writer.AddStored("sub/../../x", "x");
    Open(writer);
    TExtractor extractor(FReader, FDir / "out");
    extractor.OnRefused = [this](int32_t i) { FEvents.push_back("refused " + Path(i)); };
    extractor.Add(0, "../.."); // what remains of the directory once "sub/" is cut off
    EXPECT_EQ(FEvents, (std::vector<std::string>{"refused sub/../../x"}));
}

TEST_F(ExtractorTest, DamagedEntriesAreReportedInOrderAndTheRunGoesOn) {
    TPakWriter writer;
    writer.AddRaw(writer.Root(), "bad1", "not zlib", 10);
    writer.AddStored("good", "g");
    writer.AddRaw(writer.Root(), "bad2", ZlibCompress("too long"), 3);
    Open(writer);
    const auto stats = ExtractAll(FDir / "out");
    EXPECT_EQ(FEvents, (std::vector<std::string>{"damaged bad1", "damaged bad2"}));
    EXPECT_EQ(stats.Damaged, 2);
    EXPECT_EQ(ReadFileBytes(FDir / "out/bad1"), "");
    EXPECT_EQ(ReadFileBytes(FDir / "out/good"), "g");
}

TEST_F(ExtractorTest, WorkersLeaveTheSameFilesAndReportsAsOneThread) {
    TPakWriter writer;
    for (int i = 0; i < 300; ++i) {
        const std::string name = "d" + std::to_string(i % 7) + "/f" + std::to_string(i);
        const std::string content(static_cast<size_t>(i * 37 % 5000),
                                  static_cast<char>('a' + i % 26));
        if (i % 50 == 10)
            writer.AddRaw(writer.Root(), name, "not zlib", 10);
        else if (i % 50 == 20)
            writer.AddStored("../out" + std::to_string(i), "escape");
        else if (i % 2)
            writer.AddCompressed(name, content);
        else
            writer.AddStored(name, content);
    }
    // One path twice, with different contents: the later entry must win.
    writer.AddStored("twice.txt", std::string(300000, '1'));
    writer.AddCompressed("twice.txt", std::string(10, '2'));
    Open(writer);

    const auto one = ExtractAll(FDir / "one", 1);
    const std::vector<std::string> eventsOfOne = FEvents;
    FEvents.clear();
    const auto four = ExtractAll(FDir / "four", 4);

    EXPECT_EQ(FEvents, eventsOfOne);
    EXPECT_EQ(one.Damaged, 6);
    EXPECT_EQ(one.Refused, 6);
    EXPECT_EQ(four.Written, one.Written);
    EXPECT_EQ(four.Bytes, one.Bytes);
    const auto files = ListFiles(FDir / "one");
    ASSERT_EQ(ListFiles(FDir / "four"), files);
    for (const std::string& file : files)
        EXPECT_EQ(ReadFileBytes(FDir / ("four/" + file)), ReadFileBytes(FDir / ("one/" + file)))
            << file;
    EXPECT_EQ(ReadFileBytes(FDir / "four/twice.txt"), std::string(10, '2'));
}

TEST_F(ExtractorTest, WithWorkersAnErrorEndsTheRunAfterTheReportsBeforeIt) {
    TPakWriter writer;
    writer.AddRaw(writer.Root(), "a-bad", "not zlib", 10);
    writer.AddStored("b-cut", std::string(100, 'b'));
    for (int i = 0; i < 50; ++i)
        writer.AddStored("c" + std::to_string(i), "c");
    Open(writer);
    // The archive shrinks after it was opened: b-cut can no longer be read.
    ASSERT_EQ(::truncate((FDir / "a.pak").c_str(), static_cast<off_t>(FReader.Entry(1).Offset + 1)),
              0);

    TExtractor extractor(FReader, FDir / "out", 3);
    extractor.OnDamaged = [this](int32_t i) { FEvents.push_back("damaged " + Path(i)); };
    EXPECT_THROW(
        {
            for (int32_t i = 0; i < FReader.Count(); ++i)
                extractor.Add(i, FReader.EntryDir(i));
            extractor.Finish();
        },
        EReadError);
    EXPECT_EQ(FEvents, (std::vector<std::string>{"damaged a-bad"}));
    EXPECT_EQ(extractor.Stats().Written, 0);
}

TEST_F(ExtractorTest, EntriesThatNeedNoWritingCostNoWaitWithWorkers) {
    TPakWriter writer;
    for (int i = 0; i < 20000; ++i) {
        if (i % 3 == 0)
            writer.AddStored("../x", "x");
        else if (i % 3 == 1)
            writer.AddRaw(writer.Root(), "leer/", "", 0);
        else
            writer.AddRaw(writer.Root(), "hinter/ende", "", 5).Offset = 1ull << 40;
    }
    writer.AddStored("zuletzt.txt", "z");
    Open(writer);
    const auto start = std::chrono::steady_clock::now();
    const auto stats = ExtractAll(FDir / "out", 2);
    // Waiting a time slice every few entries took half a minute; one thread takes milliseconds.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(stats.Refused, 6667);
    EXPECT_EQ(stats.Damaged, 6666);
    EXPECT_EQ(stats.Written, 1);
    EXPECT_EQ(ListFiles(FDir / "out"), (std::vector<std::string>{"zuletzt.txt"}));
}

TEST_F(ExtractorTest, WorkersTheSystemWillNotStartLeaveTheRunToTheOthers) {
    TPakWriter writer;
    for (int i = 0; i < 60; ++i)
        writer.AddCompressed(
            "d" + std::to_string(i % 4) + "/f" + std::to_string(i),
            std::string(static_cast<size_t>(i * 997), static_cast<char>('a' + i % 26)));
    writer.AddStored("../weg", "refused");
    Open(writer);
    ExtractAll(FDir / "one", 1);
    const auto expected = ListFiles(FDir / "one");
    ASSERT_EQ(expected.size(), 60u);
    for (const int startable : {0, 1, 3}) {
        FEvents.clear();
        WorkerStartHook = [startable](int worker) {
            if (worker >= startable)
                throw std::system_error(
                    std::make_error_code(std::errc::resource_unavailable_try_again));
        };
        const std::string out = FDir / ("out" + std::to_string(startable));
        TExtractor::TStats stats;
        EXPECT_NO_THROW(stats = ExtractAll(out, 4));
        WorkerStartHook = nullptr;
        EXPECT_EQ(stats.Written, 60);
        EXPECT_EQ(FEvents, (std::vector<std::string>{"refused ../weg"}));
        ASSERT_EQ(ListFiles(out), expected);
        for (const std::string& file : expected)
            EXPECT_EQ(ReadFileBytes(out + "/" + file), ReadFileBytes(FDir / ("one/" + file)));
    }
}

} // namespace
