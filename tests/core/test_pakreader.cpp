#include "Exception.h"
#include "PakWriter.h"
#include "TestFiles.h"
#include "ZlibReference.h"
#include "uPakReader.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {

// The smallest archive there is: one root file "r" holding "abc", laid out by hand.
std::string WorkedExample() {
    std::string pak;
    for (int i = 0; i < 6; ++i)
        AppendU32(pak, 0);
    AppendU64(pak, 51);
    AppendU64(pak, 0);
    AppendU64(pak, 0);
    pak += "abc";
    for (int i = 0; i < 4; ++i)
        AppendU64(pak, 0);
    AppendU16(pak, 0);
    AppendU16(pak, 0);
    AppendU32(pak, 0); // root name: empty, no terminator
    AppendU32(pak, 0); // no subdirectories
    AppendU32(pak, 1); // one file
    for (int i = 0; i < 4; ++i)
        AppendU64(pak, 0);
    AppendU16(pak, 0);
    AppendU16(pak, 0);
    AppendU64(pak, 48);
    AppendU64(pak, 3);
    AppendU64(pak, 3);
    AppendU64(pak, 0);
    AppendPakString(pak, "r");
    AppendU32(pak, 0); // extra: empty
    return pak;
}

class PakReaderTest : public ::testing::Test {
protected:
    std::string Save(const std::string& bytes, const std::string& name = "a.pak") {
        const std::string path = FDir / name;
        WriteFileBytes(path, bytes);
        return path;
    }
    void OpenBytes(const std::string& bytes) { FReader.Open(Save(bytes)); }
    std::string ExtractToString(int32_t index) {
        const std::string target = FDir / "out.bin";
        FReader.ExtractFile(index, target);
        return ReadFileBytes(target);
    }

    TTempDir FDir;
    TPakReader FReader;
    std::vector<std::string> FReports;

    void SetUp() override {
        FReader.SetReportHook([this](const std::string& m) { FReports.push_back(m); });
    }
};

TEST_F(PakReaderTest, WorkedExampleIsReadAndWrittenByteForByte) {
    const std::string pak = WorkedExample();
    ASSERT_EQ(pak.size(), 177u);

    TPakWriter writer;
    writer.AddStored("r", "abc");
    EXPECT_EQ(writer.Finish(), pak);

    OpenBytes(pak);
    ASSERT_EQ(FReader.Count(), 1);
    const TFileEntry entry = FReader.Entry(0);
    EXPECT_EQ(entry.Path, "r");
    EXPECT_EQ(entry.Dir, "");
    EXPECT_EQ(entry.Name, "r");
    EXPECT_EQ(entry.Offset, 48u);
    EXPECT_EQ(FReader.EntryStoredSize(0), 3u);
    EXPECT_EQ(ExtractToString(0), "abc");
}

TEST_F(PakReaderTest, EmptyRootGivesNoEntries) {
    TPakWriter writer;
    OpenBytes(writer.Finish());
    EXPECT_EQ(FReader.Count(), 0);
}

TEST_F(PakReaderTest, FilesOfSubdirectoriesComeBeforeTheirParentsFiles) {
    TPakWriter writer;
    writer.AddStored("r", "1");
    writer.AddStored("a/x", "2");
    writer.AddStored("a/b/y", "3");
    writer.AddStored("c/z", "4");
    writer.Directory("empty/deeper"); // a directory with no files leaves no trace
    OpenBytes(writer.Finish());

    std::vector<std::string> paths;
    for (int32_t i = 0; i < FReader.Count(); ++i)
        paths.emplace_back(FReader.EntryPath(i));
    EXPECT_EQ(paths, (std::vector<std::string>{"a/b/y", "a/x", "c/z", "r"}));
}

TEST_F(PakReaderTest, AnEntryWithoutAPathHasNeitherFolderNorName) {
    TPakWriter writer;
    writer.AddRaw(writer.Root(), "", "", 0);
    OpenBytes(writer.Finish());
    ASSERT_EQ(FReader.Count(), 1);
    EXPECT_EQ(FReader.EntryPath(0), "");
    EXPECT_EQ(FReader.EntryDir(0), "");
    EXPECT_EQ(FReader.EntryName(0), "");
}

TEST_F(PakReaderTest, PathsSplitAtTheirLastSlash) {
    TPakWriter writer;
    for (const std::string& path : {std::string("a/b/name.ext"), std::string("plain"),
                                    std::string("ends/with/"), "long/" + std::string(5000, 'n'),
                                    std::string(6000, 'd') + "/kurz", std::string("nach/langen")})
        writer.AddRaw(writer.Root(), path, "", 0).Extra = "x";
    OpenBytes(writer.Finish());

    EXPECT_EQ(FReader.EntryDir(0), "a/b");
    EXPECT_EQ(FReader.EntryName(0), "name.ext");
    EXPECT_EQ(FReader.EntryDir(1), "");
    EXPECT_EQ(FReader.EntryName(1), "plain");
    EXPECT_EQ(FReader.EntryDir(2), "ends/with");
    EXPECT_EQ(FReader.EntryName(2), "");
    EXPECT_EQ(FReader.EntryName(3), std::string(4096, 'n'));
    EXPECT_EQ(FReader.EntryPath(3).size(), 5005u);
    EXPECT_EQ(FReader.EntryDir(4), std::string(6000, 'd'));
    EXPECT_EQ(FReader.EntryName(4), "kurz");
    EXPECT_EQ(FReader.EntryPath(5), "nach/langen");
    for (int32_t i = 0; i < FReader.Count(); ++i)
        EXPECT_EQ(FReader.Entry(i).Extra, "x") << i;
}

TEST_F(PakReaderTest, ExtraAndReservedAreKeptAsStored) {
    TPakWriter writer;
    auto& file = writer.AddStored("x", "data");
    file.Extra = "meta";
    file.Reserved = 0x1122334455667788u;
    OpenBytes(writer.Finish());
    EXPECT_EQ(FReader.Entry(0).Extra, "meta");
    EXPECT_EQ(FReader.Entry(0).Reserved, 0x1122334455667788u);
}

TEST_F(PakReaderTest, OpeningASecondArchiveReplacesTheFirst) {
    TPakWriter first;
    first.AddStored("one", "1");
    first.AddStored("two", "2");
    TPakWriter second;
    second.AddStored("three", "3");
    FReader.Open(Save(first.Finish(), "1.pak"));
    FReader.Open(Save(second.Finish(), "2.pak"));
    ASSERT_EQ(FReader.Count(), 1);
    EXPECT_EQ(FReader.EntryPath(0), "three");
    EXPECT_EQ(ExtractToString(0), "3");
}

TEST_F(PakReaderTest, CloseIsHarmlessWhenClosedAndKeepsTheFileName) {
    FReader.Close();
    OpenBytes(WorkedExample());
    FReader.Close();
    FReader.Close();
    EXPECT_FALSE(FReader.IsOpen());
    EXPECT_EQ(FReader.Count(), 0);
    EXPECT_EQ(FReader.FileName(), FDir / "a.pak");
}

TEST_F(PakReaderTest, StoredEntriesAreCopiedAsIsEvenWhenTheyLookCompressed) {
    const std::string zlibLooking = ZlibCompress("hello");
    TPakWriter writer;
    writer.AddStored("empty", "");
    writer.AddStored("looks-like-zlib", zlibLooking);
    writer.AddStored("big", std::string(3 << 20, 'b'));
    OpenBytes(writer.Finish());
    EXPECT_EQ(ExtractToString(0), "");
    EXPECT_EQ(ExtractToString(1), zlibLooking);
    EXPECT_EQ(ExtractToString(2), std::string(3 << 20, 'b'));
    EXPECT_TRUE(FReports.empty());
}

TEST_F(PakReaderTest, TheBeginningOfAStoredEntryIsReadWithoutTheRest) {
    TPakWriter writer;
    writer.AddStored("a", "abcdef");
    OpenBytes(writer.Finish());
    TInflater inflater;
    for (const auto& [wanted, result] :
         {std::pair{3, TPartResult::Cut}, {6, TPartResult::Complete}, {7, TPartResult::Complete}}) {
        TStringSink sink;
        EXPECT_EQ(FReader.ReadEntryStart(0, wanted, sink, inflater), result) << wanted;
        EXPECT_EQ(sink.Bytes, std::string("abcdef").substr(0, wanted));
    }
}

TEST_F(PakReaderTest, CompressedEntriesAreInflated) {
    std::string content;
    for (int i = 0; i < 200000; ++i)
        content += std::to_string(i * 7919 % 1000);
    TPakWriter writer;
    writer.AddCompressed("text", content);
    // A stream shorter than the declared size is accepted; trailing bytes after its end too.
    writer.AddRaw(writer.Root(), "short", ZlibCompress("abc"), 10);
    writer.AddRaw(writer.Root(), "trailing", ZlibCompress("xyz") + "garbage", 3);
    OpenBytes(writer.Finish());
    EXPECT_EQ(ExtractToString(0), content);
    EXPECT_EQ(ExtractToString(1), "abc");
    EXPECT_EQ(ExtractToString(2), "xyz");
    EXPECT_TRUE(FReports.empty());
}

TEST_F(PakReaderTest, DamagedCompressedEntryIsReportedOnceAndLeavesAnEmptyFile) {
    std::string content;
    for (int i = 0; content.size() < 100000; ++i)
        content += std::to_string(i * 2654435761u);
    content.resize(100000);
    const std::string good = ZlibCompress(content);
    std::string flipped = good;
    flipped[flipped.size() / 2] ^= 0x55;
    TPakWriter writer;
    writer.AddRaw(writer.Directory("d\xFC"
                                   "r"),
                  "d\xFC"
                  "r/flipped",
                  flipped, 100000);
    writer.AddRaw(writer.Root(), "too-small", good, 99999);
    writer.AddRaw(writer.Root(), "cut", good.substr(0, good.size() - 5), 100000);
    writer.AddRaw(writer.Root(), "no-zlib", "plain text, no stream", 50);
    writer.AddRaw(writer.Root(), "zero-limit", ZlibCompress("xy"), 0);
    OpenBytes(writer.Finish());

    for (int32_t i = 0; i < FReader.Count(); ++i) {
        FReports.clear();
        EXPECT_EQ(ExtractToString(i), "") << FReader.EntryPath(i);
        ASSERT_EQ(FReports.size(), 1u) << FReader.EntryPath(i);
    }
    FReports.clear();
    ExtractToString(0);
    EXPECT_EQ(FReports.at(0), "Fehler beim Entpacken von dür/flipped!");
}

TEST_F(PakReaderTest, FailuresOfFilesCarryTheRuntimeTexts) {
    try {
        FReader.Open(FDir / "missing.pak");
        FAIL() << "no exception";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Datei " + (FDir / "missing.pak") + " kann nicht geöffnet werden");
    }

    OpenBytes(WorkedExample());
    const std::string target = FDir / "no-such-folder/out";
    try {
        FReader.ExtractFile(0, target);
        FAIL() << "no exception";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(std::string(e.what()), "Datei " + target + " kann nicht erstellt werden");
    }
}

TEST_F(PakReaderTest, AFullDiskIsReportedForStoredAndCompressedEntriesWithNameAndReason) {
    TPakWriter writer;
    writer.AddStored("stored", std::string(100000, 's'));
    writer.AddCompressed("compressed", std::string(100000, 'c'));
    OpenBytes(writer.Finish());
    TWriteFile::FaultHook = [](const std::string&) { return ENOSPC; };
    const std::string target = FDir / "voll";
    for (int32_t index : {0, 1}) {
        try {
            FReader.ExtractFile(index, target);
            ADD_FAILURE() << "no exception";
        } catch (const EWriteError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Datei " + target +
                          " kann nicht geschrieben werden: Der Datenträger ist voll");
        }
    }
    TWriteFile::FaultHook = nullptr;
    EXPECT_TRUE(FReports.empty());
}

TEST_F(PakReaderTest, AChosenTargetThatIsNoFileIsNeitherOpenedNorWritten) {
    TPakWriter writer;
    writer.AddStored("x", "x");
    OpenBytes(writer.Finish());
    const std::string pipe = FDir / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const auto& [target, reason] :
         {std::pair<std::string, std::string>{pipe, "Dort steht eine Pipe, keine Datei"},
          {"/dev/null", "Dort steht ein Gerät, keine Datei"}}) {
        try {
            FReader.ExtractFile(0, target);
            ADD_FAILURE() << "no exception for " << target;
        } catch (const EFCreateError& e) {
            EXPECT_EQ(e.Explained(), "Datei " + target + " kann nicht erstellt werden: " + reason);
        }
    }
}

TEST_F(PakReaderTest, AnArchiveShortenedAfterOpeningGivesAReadErrorAndKeepsWhatWasCopied) {
    TPakWriter writer;
    writer.AddStored("data", std::string(4 << 20, 'd'));
    const std::string bytes = writer.Finish();
    const std::string archive = Save(bytes);
    FReader.Open(archive);
    ASSERT_EQ(::truncate(archive.c_str(), 48 + (3 << 20)), 0);

    const std::string target = FDir / "out.bin";
    try {
        FReader.ExtractFile(0, target);
        FAIL() << "no exception";
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "Stream-Lesefehler");
    }
    EXPECT_EQ(ReadFileBytes(target), std::string(3 << 20, 'd'));
}

// Sizes and offsets beyond 4 GiB are used in full. The archive is a sparse file, so the test
// needs no disk space for the hole.
TEST_F(PakReaderTest, SizesAndOffsetsBeyondFourGibibytesAreUsedInFull) {
    constexpr uint64_t kFar = (5ull << 30) + 4096;
    TPakWriter writer;
    auto& huge = writer.AddRaw(writer.Root(), "huge", "", 0);
    huge.Offset = 48;
    huge.StoredSize = huge.UnpackedSize = 5ull << 30;
    auto& far = writer.AddRaw(writer.Root(), "far", "", 0);
    far.Offset = kFar;
    far.StoredSize = far.UnpackedSize = 5;
    auto& odd = writer.AddRaw(writer.Root(), "odd", "", 0);
    odd.Offset = 48;
    odd.StoredSize = 3000000000u;
    odd.UnpackedSize = 3000000000u;
    // Compressed: a narrow stored size beside a wide unpacked one, and two different wide ones.
    auto& packed = writer.AddRaw(writer.Root(), "packed", "", 0);
    packed.StoredSize = 100;
    packed.UnpackedSize = 0xFFFFFFFF;
    auto& wide = writer.AddRaw(writer.Root(), "wide", "", 0);
    wide.StoredSize = 6ull << 30;
    wide.UnpackedSize = 7ull << 30;
    const std::string archive = Save(writer.Finish());

    const int fd = ::open(archive.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, "FERNE", 5, static_cast<off_t>(kFar)), 5);
    ::close(fd);

    FReader.Open(archive);
    EXPECT_EQ(FReader.EntryStoredSize(0), 5ull << 30);
    EXPECT_FALSE(FReader.EntryIsCompressed(0));
    EXPECT_EQ(FReader.EntryStoredSize(2), 3000000000u);
    EXPECT_EQ(FReader.EntryStoredSize(3), 100u);
    EXPECT_EQ(FReader.EntryUnpackedSize(3), 0xFFFFFFFFull);
    EXPECT_TRUE(FReader.EntryIsCompressed(3));
    EXPECT_EQ(FReader.Entry(4).StoredSize, 6ull << 30);
    EXPECT_EQ(FReader.Entry(4).UnpackedSize, 7ull << 30);
    EXPECT_TRUE(FReader.EntryIsCompressed(4));
    EXPECT_EQ(ExtractToString(1), "FERNE");
}

} // namespace

TEST_F(PakReaderTest, TheTableFollowsTheDirectoryNotTheFileSize) {
    // 130 MB of data behind a directory of one entry, as a sparse file.
    TPakWriter writer;
    auto& big = writer.AddRaw(writer.Root(), "daten.bin", "", 0);
    big.Offset = 4096;
    big.StoredSize = big.UnpackedSize = 130'000'000;
    const std::string archive = Save(writer.Finish());
    ASSERT_EQ(::truncate(archive.c_str(), 4096 + 130'000'000), 0);

    FReader.Open(archive);
    ASSERT_EQ(FReader.Count(), 1);
    EXPECT_LT(FReader.TableBytes(), 64u << 10);
}

// Extra and Reserved are kept beside the table in a compact form; each entry still gets its own,
// also when only a later entry has one, and the last entry's Extra ends where the text ends.
TEST_F(PakReaderTest, EachEntryKeepsItsOwnExtraAndReserved) {
    TPakWriter writer;
    writer.AddStored("a/eins.txt", "1");
    auto& second = writer.AddStored("a/zwei.txt", "2");
    second.Extra = "zusatz";
    second.Reserved = 1ull << 40;
    writer.AddStored("a/drei.txt", "3");
    writer.AddStored("vier.txt", "4").Extra = std::string("\0ende", 5);
    FReader.Open(Save(writer.Finish()));
    ASSERT_EQ(FReader.Count(), 4);

    std::vector<std::tuple<std::string, std::string, uint64_t>> seen;
    for (int32_t i = 0; i < FReader.Count(); ++i) {
        const TFileEntry e = FReader.Entry(i);
        seen.emplace_back(std::string(e.Path), std::string(e.Extra), e.Reserved);
    }
    std::sort(seen.begin(), seen.end());
    using T = std::tuple<std::string, std::string, uint64_t>;
    EXPECT_EQ(seen, (std::vector<T>{T{"a/drei.txt", "", 0}, T{"a/eins.txt", "", 0},
                                    T{"a/zwei.txt", "zusatz", 1ull << 40},
                                    T{"vier.txt", std::string("\0ende", 5), 0}}));
    EXPECT_EQ(FReader.EntryDir(0), "a");
}
