// What one bad entry or a hostile destination may cost: the entry itself, never the run, never
// a file outside the destination, and the same with one worker as with several.
#include "Exception.h"
#include "Extractor.h"
#include "PakWriter.h"
#include "TestFiles.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

class ExtractionSafetyTest : public ::testing::TestWithParam<int> {
protected:
    void Open(TPakWriter& writer) {
        WriteFileBytes(FDir / "a.pak", writer.Finish());
        FReader.Open(FDir / "a.pak");
    }
    // Extracts every entry to destination/Dir/Name; the reports, in order, as text.
    std::vector<std::string> ExtractAll(const std::string& destination) {
        std::vector<std::string> events;
        TExtractor extractor(FReader, destination, GetParam());
        extractor.OnDamaged = [&](int32_t i) { events.push_back("damaged " + Path(i)); };
        extractor.OnRefused = [&](int32_t i) { events.push_back("refused " + Path(i)); };
        extractor.OnFailed = [&](int32_t i, const std::string& reason) {
            events.push_back("failed " + Path(i) + ": " + reason);
        };
        for (int32_t i = 0; i < FReader.Count(); ++i)
            extractor.Add(i, FReader.EntryDir(i));
        extractor.Finish();
        return events;
    }
    std::string Path(int32_t i) const { return std::string(FReader.EntryPath(i)); }

    TTempDir FDir;
    TPakReader FReader;
};

INSTANTIATE_TEST_SUITE_P(Workers, ExtractionSafetyTest, ::testing::Values(1, 4),
                         [](const auto& info) { return "Threads" + std::to_string(info.param); });

TEST_P(ExtractionSafetyTest, AnEntryTheFileSystemRefusesCostsOnlyItself) {
    TPakWriter writer;
    writer.AddStored("vorher.txt", "v");
    writer.AddStored(std::string(300, 'n'), "too long a name");
    writer.AddStored("clash/inner.txt", "the folder comes first");
    writer.AddRaw(writer.Root(), "clash", "then a file of that name", 24);
    writer.AddRaw(writer.Root(), "ordner/", "no name", 7);
    writer.AddRaw(writer.Root(), "ordner/.", "no name either", 14);
    writer.AddRaw(writer.Root(), "datei/x.txt", "under a file", 12);
    writer.AddRaw(writer.Root(), "datei", "a file", 6);
    writer.AddRaw(writer.Root(), "datei/y.txt", "under the file", 14);
    writer.AddStored("nachher.txt", "n");
    Open(writer);

    EXPECT_EQ(ExtractAll(FDir / "out"),
              (std::vector<std::string>{
                  "failed " + std::string(300, 'n') + ": Der Name ist zu lang für das Dateisystem",
                  "failed clash: Dort steht schon ein Ordner",
                  "failed ordner/: Der Name ist leer",
                  "failed ordner/.: Der Name ist leer",
                  "failed datei: Dort steht schon ein Ordner",
              }));
    EXPECT_EQ(ListFiles(FDir / "out"),
              (std::vector<std::string>{"clash/inner.txt", "datei/x.txt", "datei/y.txt",
                                        "nachher.txt", "vorher.txt"}));
}

TEST_P(ExtractionSafetyTest, AFileWhereAFolderMustGoStopsTheEntriesBelowIt) {
    TPakWriter writer;
    writer.AddStored("datei", "a file first");
    writer.AddRaw(writer.Root(), "datei/x.txt", "then something below it", 24);
    writer.AddStored("danach.txt", "d");
    Open(writer);
    EXPECT_EQ(
        ExtractAll(FDir / "out"),
        (std::vector<std::string>{"failed datei/x.txt: Ein Ordner auf dem Weg ist eine Datei"}));
    EXPECT_EQ(ReadFileBytes(FDir / "out/datei"), "a file first");
    EXPECT_EQ(ReadFileBytes(FDir / "out/danach.txt"), "d");
}

TEST_P(ExtractionSafetyTest, EverySpellingOfOnePathIsOneFileAndTheLastEntryWins) {
    TPakWriter writer;
    writer.AddStored("f", std::string(3 << 20, 'A'));
    writer.AddRaw(writer.Root(), "./f", "LAST", 4);
    writer.AddStored("d/f", std::string(1 << 20, 'B'));
    writer.AddRaw(writer.Root(), "d/./f", std::string(1 << 20, 'C'), 1 << 20);
    writer.AddRaw(writer.Root(), "d//f", "d LAST", 6);
    Open(writer);
    // A race between two writers of one file shows only now and then.
    for (int run = 0; run < 10; ++run) {
        const std::string out = FDir / ("out" + std::to_string(run));
        EXPECT_TRUE(ExtractAll(out).empty());
        ASSERT_EQ(ReadFileBytes(out + "/f"), "LAST") << "run " << run;
        ASSERT_EQ(ReadFileBytes(out + "/d/f"), "d LAST") << "run " << run;
    }
}

TEST_P(ExtractionSafetyTest, SymbolicLinksInTheDestinationAreNeverFollowed) {
    TPakWriter writer;
    writer.AddStored("a/x.txt", "through a linked folder");
    writer.AddStored("r", "replaces the link");
    writer.AddStored("dangling", "replaces the dangling link");
    writer.AddStored("ok.txt", "ok");
    Open(writer);
    const std::string out = FDir / "out";
    const std::string elsewhere = FDir / "elsewhere";
    ASSERT_EQ(::mkdir(out.c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(elsewhere.c_str(), 0700), 0);
    WriteFileBytes(elsewhere + "/secret.txt", "secret");
    ASSERT_EQ(::symlink(elsewhere.c_str(), (out + "/a").c_str()), 0);
    ASSERT_EQ(::symlink((elsewhere + "/secret.txt").c_str(), (out + "/r").c_str()), 0);
    ASSERT_EQ(::symlink((elsewhere + "/nothing").c_str(), (out + "/dangling").c_str()), 0);

    EXPECT_EQ(ExtractAll(out), (std::vector<std::string>{"refused a/x.txt"}));
    EXPECT_EQ(ListFiles(elsewhere), (std::vector<std::string>{"secret.txt"}));
    EXPECT_EQ(ReadFileBytes(elsewhere + "/secret.txt"), "secret");
    struct stat info {};
    ASSERT_EQ(::lstat((out + "/r").c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(ReadFileBytes(out + "/r"), "replaces the link");
    EXPECT_EQ(ReadFileBytes(out + "/dangling"), "replaces the dangling link");
    EXPECT_EQ(ReadFileBytes(out + "/ok.txt"), "ok");
}

TEST_P(ExtractionSafetyTest, HardLinksPipesAndSocketsInTheDestinationAreReplacedNotWritten) {
    TPakWriter writer;
    writer.AddStored("verknuepft.txt", "replaces the hard link");
    writer.AddStored("pipe", "replaces the pipe without a reader");
    writer.AddStored("gelesen", "replaces the pipe with a reader");
    writer.AddStored("sockel", "replaces the socket");
    writer.AddStored("ordner", "no folder is replaced");
    writer.AddStored("allein.txt", "overwrites the file");
    Open(writer);
    const std::string out = FDir / "out";
    const std::string outside = FDir / "draussen.txt";
    ASSERT_EQ(::mkdir(out.c_str(), 0700), 0);
    WriteFileBytes(outside, "outside");
    ASSERT_EQ(::link(outside.c_str(), (out + "/verknuepft.txt").c_str()), 0);
    ASSERT_EQ(::mkfifo((out + "/pipe").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((out + "/gelesen").c_str(), 0600), 0);
    const int reader = ::open((out + "/gelesen").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = out + "/sockel";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::mkdir((out + "/ordner").c_str(), 0700), 0);
    WriteFileBytes(out + "/allein.txt", "an old and longer content");

    EXPECT_EQ(ExtractAll(out),
              (std::vector<std::string>{"failed ordner: Dort steht schon ein Ordner"}));
    char got[64];
    EXPECT_LE(::read(reader, got, sizeof got), 0); // the reader got nothing
    ::close(reader);
    ::close(socket);
    EXPECT_EQ(ReadFileBytes(outside), "outside");
    for (const char* name : {"verknuepft.txt", "pipe", "gelesen", "sockel", "allein.txt"}) {
        struct stat info {};
        ASSERT_EQ(::lstat((out + "/" + name).c_str(), &info), 0) << name;
        EXPECT_TRUE(S_ISREG(info.st_mode) && info.st_nlink == 1) << name;
    }
    EXPECT_EQ(ReadFileBytes(out + "/verknuepft.txt"), "replaces the hard link");
    EXPECT_EQ(ReadFileBytes(out + "/pipe"), "replaces the pipe without a reader");
    EXPECT_EQ(ReadFileBytes(out + "/gelesen"), "replaces the pipe with a reader");
    EXPECT_EQ(ReadFileBytes(out + "/sockel"), "replaces the socket");
    EXPECT_EQ(ReadFileBytes(out + "/allein.txt"), "overwrites the file");
}

TEST_P(ExtractionSafetyTest, AFullDiskNamesTheFileAndLeavesNoFileHalfWritten) {
    constexpr size_t kSize = 3 << 20;
    TPakWriter writer;
    for (int i = 0; i < 12; ++i)
        writer.AddCompressed("teil" + std::to_string(i), std::string(kSize, 'a'), 1);
    Open(writer);
    std::atomic<int> writes{0};
    TWriteFile::FaultHook = [&](const std::string&) { return ++writes > 5 ? ENOSPC : 0; };
    const std::string out = FDir / "out";
    TExtractor extractor(FReader, out, GetParam());
    try {
        for (int32_t i = 0; i < FReader.Count(); ++i)
            extractor.Add(i, FReader.EntryDir(i));
        extractor.Finish();
        ADD_FAILURE() << "no exception";
    } catch (const EWriteError& e) {
        const std::string message = e.what();
        EXPECT_TRUE(message.starts_with("Datei " + out + "/teil")) << message;
        EXPECT_TRUE(message.ends_with(" kann nicht geschrieben werden: Der Datenträger ist voll"))
            << message;
    }
    TWriteFile::FaultHook = nullptr;
    const TExtractor::TStats& stats = extractor.Stats();
    EXPECT_GE(stats.Removed, 1);
    EXPECT_LE(stats.Removed, GetParam());
    EXPECT_TRUE(stats.LeftBehind.empty());
    const std::vector<std::string> files = ListFiles(out);
    EXPECT_GE(files.size(), static_cast<size_t>(stats.Written));
    for (const std::string& file : files)
        EXPECT_EQ(ReadFileBytes(out + "/" + file).size(), kSize) << file;
}

// Reads a file below folder through handles, one component at a time, as no whole path would
// fit the system's limit.
std::string ReadBelow(const std::string& folder, const std::string& relative) {
    int handle = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    size_t start = 0;
    for (size_t slash; handle >= 0 && (slash = relative.find('/', start)) != std::string::npos;
         start = slash + 1) {
        const int next =
            ::openat(handle, relative.substr(start, slash - start).c_str(), O_RDONLY | O_DIRECTORY);
        ::close(handle);
        handle = next;
    }
    if (handle < 0)
        return "<missing folder>";
    const int file = ::openat(handle, relative.substr(start).c_str(), O_RDONLY);
    ::close(handle);
    if (file < 0)
        return "<missing file>";
    std::string content(64, '\0');
    content.resize(static_cast<size_t>(std::max<ssize_t>(0, ::read(file, content.data(), 64))));
    ::close(file);
    return content;
}

TEST_P(ExtractionSafetyTest, PathsFarBeyondTheSystemPathLimitAreExtracted) {
    std::string thousandLevels;
    for (int i = 0; i < 1000; ++i)
        thousandLevels += "ebene/";
    std::string hundredThousand;
    for (int i = 0; i < 100000; ++i)
        hundredThousand += "a/";
    // All in the root's record: the writer would nest a record per folder.
    TPakWriter writer;
    writer.AddRaw(writer.Root(), thousandLevels + "blatt.txt", "tief", 4);
    writer.AddRaw(writer.Root(), thousandLevels + "ebene/blatt.txt", "tiefer", 6);
    writer.AddRaw(writer.Root(), hundredThousand + "x.txt", "am tiefsten", 11);
    Open(writer);
    const std::string out = FDir / "out";
    EXPECT_TRUE(ExtractAll(out).empty());
    EXPECT_EQ(ReadBelow(out, thousandLevels + "blatt.txt"), "tief");
    EXPECT_EQ(ReadBelow(out, thousandLevels + "ebene/blatt.txt"), "tiefer");
    EXPECT_EQ(ReadBelow(out, hundredThousand + "x.txt"), "am tiefsten");
}

// A destination on a file system of 1 MiB, where the test may mount one.
class FullDiskTest : public ExtractionSafetyTest {
protected:
    void SetUp() override {
        FMount = FDir / "klein";
        ::mkdir(FMount.c_str(), 0700);
        if (::mount("tmpfs", FMount.c_str(), "tmpfs", 0, "size=1m") != 0)
            GTEST_SKIP() << "no tmpfs can be mounted here";
        FMounted = true;
    }
    void TearDown() override {
        if (FMounted)
            ::umount2(FMount.c_str(), MNT_DETACH);
    }

    std::string FMount;
    bool FMounted = false;
};

INSTANTIATE_TEST_SUITE_P(Workers, FullDiskTest, ::testing::Values(1, 4),
                         [](const auto& info) { return "Threads" + std::to_string(info.param); });

TEST_P(FullDiskTest, AFullDiskEndsTheRun) {
    TPakWriter writer;
    for (int i = 0; i < 8; ++i)
        writer.AddStored("teil" + std::to_string(i), std::string(400 << 10, 'x'));
    writer.AddCompressed("gepackt", std::string(2 << 20, 'y'));
    Open(writer);
    EXPECT_THROW(ExtractAll(FMount), EWriteError);
    // What did not fit is gone: every file left is whole.
    for (const std::string& file : ListFiles(FMount))
        EXPECT_EQ(ReadFileBytes(FMount + "/" + file).size(),
                  file == "gepackt" ? 2u << 20 : 400u << 10)
            << file;
}

} // namespace
