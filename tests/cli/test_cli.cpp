// varnholm-pak end to end: the binary is run as a user would run it.
#include "PakWriter.h"
#include "TestFiles.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

TProcessResult Pak(const std::vector<std::string>& args) {
    return RunProcess(VARNHOLM_PAK, args);
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        TPakWriter writer;
        writer.AddStored("liesmich.txt", "hallo");
        writer.AddCompressed("daten/texte/gr\xFC\xDF"
                             "e.txt",
                             std::string(5000, 'g'));
        writer.AddStored("daten/werte.ini", "a=1");
        writer.AddCompressed("grafik/bild.raw", std::string(777, '\x7F'));
        FArchive = FDir / "spiel.pak";
        WriteFileBytes(FArchive, writer.Finish());
    }

    std::string Damaged() {
        TPakWriter writer;
        writer.AddStored("gut.txt", "gut");
        writer.AddRaw(writer.Root(), "kaputt.bin", "kein zlib", 100);
        writer.AddStored("../ausbruch.txt", "x");
        writer.AddStored("zweite.txt", "2");
        const std::string path = FDir / "kaputt.pak";
        WriteFileBytes(path, writer.Finish());
        return path;
    }

    TTempDir FDir;
    std::string FArchive;
};

TEST_F(CliTest, ListPrintsSizesAndUtf8PathsInEntryOrder) {
    const auto r = Pak({"list", FArchive});
    EXPECT_EQ(r.ExitCode, 0);
    const std::string compressedSize = std::to_string(ZlibCompress(std::string(5000, 'g')).size());
    const std::string pictureSize = std::to_string(ZlibCompress(std::string(777, '\x7F')).size());
    EXPECT_EQ(r.Out, "5000\t" + compressedSize + "\tdaten/texte/grüße.txt\n" +
                         "3\t3\tdaten/werte.ini\n" + "777\t" + pictureSize + "\tgrafik/bild.raw\n" +
                         "5\t5\tliesmich.txt\n");
    EXPECT_EQ(r.Err, "");
}

TEST_F(CliTest, ListShowsSizesBeyondFourGibibytesInFull) {
    TPakWriter writer;
    auto& big = writer.AddRaw(writer.Root(), "riesig.bin", "", 0);
    big.Offset = 48;
    big.StoredSize = big.UnpackedSize = 5368709120ull;
    const std::string path = FDir / "riesig.pak";
    WriteFileBytes(path, writer.Finish());
    ASSERT_EQ(::truncate(path.c_str(), 48 + 5368709120ll), 0); // sparse
    const auto r = Pak({"list", path});
    EXPECT_EQ(r.Out, "5368709120\t5368709120\triesig.bin\n");
}

// Under a limit of address space, as `ulimit -v` sets it. AddressSanitizer's shadow memory
// needs more than any such limit allows, so these run only in a plain build.
TProcessResult PakWithinMemory(int kibibytes, const std::vector<std::string>& args) {
    std::vector<std::string> shell{
        "-c", "ulimit -v " + std::to_string(kibibytes) + " && exec \"$0\" \"$@\"", VARNHOLM_PAK};
    shell.insert(shell.end(), args.begin(), args.end());
    return RunProcess("/bin/sh", shell);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kAddressSpaceLimits = false;
#else
constexpr bool kAddressSpaceLimits = true;
#endif

TEST_F(CliTest, ALargeArchiveWithASmallDirectoryIsListedInLittleMemory) {
    if (!kAddressSpaceLimits)
        GTEST_SKIP() << "address space is not limited under a sanitizer";
    TPakWriter writer;
    auto& big = writer.AddRaw(writer.Root(), "daten.bin", "", 0);
    big.Offset = 4096;
    big.StoredSize = big.UnpackedSize = 130'000'000;
    const std::string path = FDir / "gross.pak";
    WriteFileBytes(path, writer.Finish());
    ASSERT_EQ(::truncate(path.c_str(), 4096 + 130'000'000), 0); // sparse
    const auto r = PakWithinMemory(150000, {"list", path});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "130000000\t130000000\tdaten.bin\n");
}

TEST_F(CliTest, MemoryRunningOutIsAGermanErrorWithExitStatusTwo) {
    if (!kAddressSpaceLimits)
        GTEST_SKIP() << "address space is not limited under a sanitizer";
    // A name of 200 MB (a hole of the sparse file): more than the limit holds.
    TPakWriter writer;
    writer.AddRaw(writer.Root(), "x", "", 0);
    std::string bytes = writer.Finish();
    const std::string name = std::string("\x01\0\0\0x", 5);
    const size_t at = bytes.find(name);
    ASSERT_NE(at, std::string::npos);
    const uint32_t length = 200'000'000;
    bytes.replace(at, 4, reinterpret_cast<const char*>(&length), 4);
    bytes.resize(at + 4);
    const std::string path = FDir / "name.pak";
    WriteFileBytes(path, bytes);
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(at + 4 + length + 16)), 0);
    const auto r = PakWithinMemory(150000, {"list", path});
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_EQ(r.Err, "varnholm-pak: Datei " + path +
                         " kann nicht geöffnet werden: Nicht genug Arbeitsspeicher\n");
}

TEST_F(CliTest, ExtractWritesEveryEntryAndCreatesTheDestination) {
    const std::string out = FDir / "neu/ziel";
    const auto r = Pak({"extract", "-q", FArchive, out});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(ListFiles(out), (std::vector<std::string>{"daten/texte/grüße.txt", "daten/werte.ini",
                                                        "grafik/bild.raw", "liesmich.txt"}));
    EXPECT_EQ(ReadFileBytes(out + "/daten/texte/grüße.txt"), std::string(5000, 'g'));
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "");
}

TEST_F(CliTest, ExtractOfADirectoryCutsItsPathAndOfAFileWritesItsName) {
    const std::string out = FDir / "ziel";
    WriteFileBytes(FDir / "vorher", "");
    const auto r =
        Pak({"extract", "-q", FArchive, out, "daten", "grafik/bild.raw", "fehlt/nicht.da"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(ListFiles(out),
              (std::vector<std::string>{"bild.raw", "texte/grüße.txt", "werte.ini"}));
    EXPECT_EQ(r.Err, "varnholm-pak: Nicht im Archiv: fehlt/nicht.da\n");
}

TEST_F(CliTest, ExtractReplacesExistingFiles) {
    const std::string out = FDir / "ziel";
    ASSERT_EQ(Pak({"extract", FArchive, out, "liesmich.txt"}).ExitCode, 0);
    WriteFileBytes(out + "/liesmich.txt", "a much longer old content");
    ASSERT_EQ(Pak({"extract", FArchive, out, "liesmich.txt"}).ExitCode, 0);
    EXPECT_EQ(ReadFileBytes(out + "/liesmich.txt"), "hallo");
}

TEST_F(CliTest, DamagedAndUnsafeEntriesAreReportedAndTheRunGoesOn) {
    // Messages and files are the same whether one or several files are written at once.
    for (const char* threads : {"-j1", "-j4"}) {
        const std::string out = FDir / ("ziel" + std::string(threads));
        const auto r = Pak({"extract", threads, "--quiet", Damaged(), out});
        EXPECT_EQ(r.ExitCode, 1);
        // "../ausbruch.txt" sits in a subdirectory record, so it comes first.
        EXPECT_EQ(r.Err, "varnholm-pak: Unsicherer Pfad, nicht entpackt: ../ausbruch.txt\n"
                         "varnholm-pak: Fehler beim Entpacken von kaputt.bin!\n");
        EXPECT_EQ(ListFiles(out),
                  (std::vector<std::string>{"gut.txt", "kaputt.bin", "zweite.txt"}));
        EXPECT_EQ(ReadFileBytes(out + "/kaputt.bin"), "");
        EXPECT_FALSE(FileExists(FDir / "ausbruch.txt"));
    }
}

TEST_F(CliTest, EntriesThatFailAloneCostOnlyThemselves) {
    TPakWriter writer;
    writer.AddStored("gut.txt", "gut");
    auto& far = writer.AddStored("weit.bin", "abc");
    far.StoredSize = far.UnpackedSize = 1 << 20; // data past the end of the archive
    writer.AddStored(std::string(300, 'n'), "a name no file system takes");
    writer.AddStored("ende.txt", "ende");
    const std::string archive = FDir / "teils.pak";
    WriteFileBytes(archive, writer.Finish());

    EXPECT_EQ(Pak({"list", archive}).Out, "3\t3\tgut.txt\n1048576\t1048576\tweit.bin\n27\t27\t" +
                                              std::string(300, 'n') + "\n4\t4\tende.txt\n");
    const std::string farMessage = "varnholm-pak: Fehler beim Entpacken von weit.bin: Die Daten "
                                   "liegen hinter dem Dateiende!\n";
    for (const char* threads : {"-j1", "-j4"}) {
        const std::string out = FDir / ("ziel" + std::string(threads));
        const auto r = Pak({"extract", threads, "-q", archive, out});
        EXPECT_EQ(r.ExitCode, 1);
        EXPECT_EQ(r.Err, farMessage +
                             "varnholm-pak: Der Name ist zu lang für das Dateisystem, nicht "
                             "entpackt: " +
                             std::string(300, 'n') + "\n");
        EXPECT_EQ(ListFiles(out), (std::vector<std::string>{"ende.txt", "gut.txt"}));
    }
    const auto verify = Pak({"verify", "-q", archive});
    EXPECT_EQ(verify.ExitCode, 1);
    EXPECT_EQ(verify.Err, farMessage);
}

TEST_F(CliTest, ControlCharactersInNamesReachTheTerminalEscaped) {
    TPakWriter writer;
    writer.AddStored("a\x1B[2K\rb.txt", "1");
    writer.AddStored("zeile\nzwei", "2");
    writer.AddStored("k\x81\\.txt", "3");
    writer.AddRaw(writer.Root(), std::string("../nul\0x", 8), "4", 1);
    const std::string archive = FDir / "steuer.pak";
    WriteFileBytes(archive, writer.Finish());

    EXPECT_EQ(Pak({"list", archive}).Out, "1\t1\ta\\x1B[2K\\rb.txt\n"
                                          "1\t1\tzeile\\nzwei\n"
                                          "1\t1\tk\\u0081\\\\.txt\n"
                                          "1\t1\t../nul\\x00x\n");
    const auto r = Pak({"extract", "-q", archive, FDir / "ziel"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Err, "varnholm-pak: Unsicherer Pfad, nicht entpackt: ../nul\\x00x\n");
    EXPECT_EQ(ReadFileBytes(FDir / "ziel/zeile\nzwei"), "2");
}

TEST_F(CliTest, AnEmptyDestinationIsAUsageErrorNotTheRoot) {
    const auto r = Pak({"extract", FArchive, ""});
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_NE(r.Err.find("Der Zielordner ist leer."), std::string::npos) << r.Err;
    EXPECT_FALSE(FileExists("/liesmich.txt"));
}

TEST_F(CliTest, ThreadCountMustBeAPositiveNumber) {
    for (const char* bad : {"-j0", "-jx", "-j"}) {
        const auto r = Pak({"extract", bad, FArchive, FDir / "ziel"});
        EXPECT_EQ(r.ExitCode, 2) << bad;
        EXPECT_NE(r.Err.find("-j erwartet eine Zahl"), std::string::npos) << bad << r.Err;
    }
    EXPECT_EQ(Pak({"extract", "-j", "2", FArchive, FDir / "ziel"}).ExitCode, 0);
}

TEST_F(CliTest, VerifyReportsDamagedEntriesAndWritesNothing) {
    const auto good = Pak({"verify", FArchive});
    EXPECT_EQ(good.ExitCode, 0);
    EXPECT_EQ(good.Out, "4 Einträge, 2 komprimiert geprüft, 0 fehlerhaft\n");

    const auto bad = Pak({"verify", "-q", Damaged()});
    EXPECT_EQ(bad.ExitCode, 1);
    EXPECT_EQ(bad.Err, "varnholm-pak: Fehler beim Entpacken von kaputt.bin!\n");
    EXPECT_EQ(bad.Out, "4 Einträge, 1 komprimiert geprüft, 1 fehlerhaft\n");
}

TEST_F(CliTest, InfoCountsEntriesDirectoriesAndBytes) {
    const auto r = Pak({"info", FArchive});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_NE(r.Out.find("Einträge: 4\n"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("Verzeichnisse: 3\n"), std::string::npos) << r.Out; // daten, texte, grafik
    EXPECT_NE(r.Out.find("Entpackte Bytes: 5785\n"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("Komprimierte Einträge: 2\n"), std::string::npos) << r.Out;
}

TEST_F(CliTest, InfoTotalsDoNotWrapAround) {
    TPakWriter writer;
    for (const char* name : {"a", "b"}) {
        auto& huge = writer.AddRaw(writer.Root(), name, "", 0);
        huge.StoredSize = huge.UnpackedSize = uint64_t{1} << 63;
    }
    const std::string archive = FDir / "riesen.pak";
    WriteFileBytes(archive, writer.Finish());
    const auto r = Pak({"info", archive});
    EXPECT_NE(r.Out.find("Entpackte Bytes: 18446744073709551616\n"), std::string::npos) << r.Out;
}

TEST_F(CliTest, ExitStatusTwoForUsageErrorsUnreadableArchivesAndUnwritableDestinations) {
    EXPECT_EQ(Pak({}).ExitCode, 2);
    EXPECT_EQ(Pak({"list"}).ExitCode, 2);
    EXPECT_EQ(Pak({"zerlegen", FArchive}).ExitCode, 2);

    const auto missing = Pak({"list", FDir / "fehlt.pak"});
    EXPECT_EQ(missing.ExitCode, 2);
    EXPECT_EQ(missing.Err, "varnholm-pak: Datei " + (FDir / "fehlt.pak") +
                               " kann nicht geöffnet werden: Nicht vorhanden\n");
    EXPECT_EQ(Pak({"list", FDir.Path()}).Err,
              "varnholm-pak: Datei " + FDir.Path() +
                  " kann nicht geöffnet werden: Das ist ein Ordner\n");

    WriteFileBytes(FDir / "kurz.pak", "zu kurz");
    EXPECT_EQ(Pak({"info", FDir / "kurz.pak"}).ExitCode, 2);

    // The destination itself is named when it is what fails.
    WriteFileBytes(FDir / "datei", "");
    const auto blocked = Pak({"extract", FArchive, FDir / "datei/ziel"});
    EXPECT_EQ(blocked.ExitCode, 2);
    EXPECT_EQ(blocked.Err, "varnholm-pak: Zielordner " + (FDir / "datei/ziel") +
                               " kann nicht erstellt werden: Ein Teil des Pfads ist kein Ordner\n");
}

TEST_F(CliTest, OptionsMayStandAnywhereAndDoubleDashEndsThem) {
    const std::string out = FDir / "ziel";
    const auto r = Pak({"extract", FArchive, out, "-j", "2", "--quiet"});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(ListFiles(out).size(), 4u);
    EXPECT_EQ(Pak({"--jobs=3", "verify", "-q", FArchive}).ExitCode, 0);
    const auto listed = Pak({"list", "--", FArchive});
    EXPECT_EQ(listed.ExitCode, 0);
    EXPECT_EQ(listed.Out, Pak({"list", FArchive}).Out);
}

TEST_F(CliTest, AUsageErrorSaysWhatIsWrongInOneLine) {
    EXPECT_EQ(Pak({"extract", FArchive}).Err,
              "varnholm-pak: extract erwartet eine Archivdatei und einen Zielordner.\n"
              "Mehr mit: varnholm-pak --help\n");
    const auto unknown = Pak({"list", "--gibt-es-nicht", FArchive});
    EXPECT_EQ(unknown.ExitCode, 2);
    EXPECT_EQ(unknown.Err, "varnholm-pak: Unbekannte Option: --gibt-es-nicht\n"
                           "Mehr mit: varnholm-pak --help\n");
}

TEST_F(CliTest, ExtractAndVerifyEndWithASummaryUnlessQuiet) {
    const auto extracted = Pak({"extract", FArchive, FDir / "ziel", "liesmich.txt", "weg"});
    EXPECT_EQ(extracted.Err.rfind("varnholm-pak: Nicht im Archiv: weg\n"
                                  "varnholm-pak: 1 Dateien entpackt, 0,0 MB, 0 beschädigt, 0 "
                                  "abgelehnt, 1 nicht gefunden, ",
                                  0),
              0u)
        << extracted.Err;
    EXPECT_EQ(Pak({"extract", "-q", FArchive, FDir / "still"}).Err, "");
    const auto checked = Pak({"verify", FArchive});
    EXPECT_EQ(checked.Err.rfind("varnholm-pak: 2 Dateien geprüft, 0,0 MB, 0 beschädigt, ", 0), 0u)
        << checked.Err;
    EXPECT_EQ(checked.Err.back(), '\n');
    EXPECT_EQ(std::count(checked.Err.begin(), checked.Err.end(), '\n'), 1);
}

TEST_F(CliTest, PatternsPickEntriesByTheirArchivePath) {
    EXPECT_EQ(Pak({"list", FArchive, "daten/*"}).Out, "3\t3\tdaten/werte.ini\n");
    const auto texts = Pak({"list", FArchive, "**.txt"});
    EXPECT_NE(texts.Out.find("daten/texte/grüße.txt"), std::string::npos);
    EXPECT_NE(texts.Out.find("liesmich.txt"), std::string::npos);
    EXPECT_EQ(std::count(texts.Out.begin(), texts.Out.end(), '\n'), 2);

    const std::string out = FDir / "ziel";
    const auto r = Pak({"extract", "-q", FArchive, out, "**/*.raw", "*.fehlt"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Err, "varnholm-pak: Nicht im Archiv: *.fehlt\n");
    EXPECT_EQ(ListFiles(out), std::vector<std::string>{"grafik/bild.raw"});
}

TEST_F(CliTest, NoOverwriteKeepsExistingFilesAndCountsThem) {
    const std::string out = FDir / "ziel";
    ASSERT_EQ(::mkdir(out.c_str(), 0700), 0);
    WriteFileBytes(out + "/liesmich.txt", "meins");
    const auto r = Pak({"extract", "-n", FArchive, out});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(ReadFileBytes(out + "/liesmich.txt"), "meins");
    EXPECT_EQ(ReadFileBytes(out + "/daten/werte.ini"), "a=1");
    EXPECT_NE(r.Err.find("3 Dateien entpackt"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("1 behalten"), std::string::npos) << r.Err;
}

TEST_F(CliTest, VerifyOnSeveralCoresReportsInArchiveOrder) {
    TPakWriter writer;
    for (int i = 0; i < 60; ++i) {
        const std::string name = "d" + std::to_string(i % 4) + "/f" + std::to_string(i);
        if (i % 3 == 0)
            writer.AddRaw(writer.Root(), name, "kein zlib", 100);
        else
            writer.AddCompressed(name, std::string(static_cast<size_t>(1000 + i * 500), 'v'));
    }
    const std::string archive = FDir / "viele.pak";
    WriteFileBytes(archive, writer.Finish());
    const auto one = Pak({"verify", "-q", "-j1", archive});
    const auto four = Pak({"verify", "-q", "-j4", archive});
    EXPECT_EQ(one.ExitCode, 1);
    EXPECT_EQ(std::count(one.Err.begin(), one.Err.end(), '\n'), 20);
    EXPECT_EQ(four.Err, one.Err);
    EXPECT_EQ(four.Out, one.Out);
}

TEST_F(CliTest, HelpAndVersion) {
    const auto help = Pak({"--help"});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_NE(help.Out.find("extract ARCHIV ZIEL [PFAD...]"), std::string::npos);
    EXPECT_NE(help.Out.find("-j N, --jobs=N"), std::string::npos);
    const auto version = Pak({"--version"});
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_EQ(version.Out.rfind("varnholm-pak ", 0), 0u);
}

TEST_F(CliTest, ExtractWithMoreWorkersThanMemoryForThemRunsWithFewer) {
    if (!kAddressSpaceLimits)
        GTEST_SKIP() << "address space is not limited under a sanitizer";
    const std::string out = FDir / "ziel";
    const auto r = PakWithinMemory(60000, {"extract", "-q", "-j", "16", FArchive, out});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(ListFiles(out).size(), 4u);
    EXPECT_EQ(ReadFileBytes(out + "/daten/texte/grüße.txt"), std::string(5000, 'g'));
}

TEST_F(CliTest, LinksAndPipesInTheDestinationAreReplacedWithoutWaiting) {
    const std::string out = FDir / "ziel";
    const std::string outside = FDir / "draussen.txt";
    ASSERT_EQ(::mkdir(out.c_str(), 0700), 0);
    WriteFileBytes(outside, "outside");
    ASSERT_EQ(::link(outside.c_str(), (out + "/liesmich.txt").c_str()), 0);
    ASSERT_EQ(::mkdir((out + "/daten").c_str(), 0700), 0);
    ASSERT_EQ(::mkfifo((out + "/daten/werte.ini").c_str(), 0600), 0);
    const auto r = Pak({"extract", "-q", FArchive, out});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(ReadFileBytes(outside), "outside");
    EXPECT_EQ(ReadFileBytes(out + "/liesmich.txt"), "hallo");
    EXPECT_EQ(ReadFileBytes(out + "/daten/werte.ini"), "a=1");
}

TEST_F(CliTest, ADestinationThatCannotBeAFolderSaysWhatStandsThere) {
    const std::string dangling = FDir / "verweis";
    ASSERT_EQ(::symlink((FDir / "nirgends").c_str(), dangling.c_str()), 0);
    EXPECT_EQ(Pak({"extract", FArchive, dangling}).Err,
              "varnholm-pak: Zielordner " + dangling +
                  " kann nicht erstellt werden: Dort steht ein symbolischer Verweis, dessen Ziel "
                  "fehlt\n");

    const std::string socketPath = FDir / "sockel";
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const auto r = Pak({"extract", FArchive, socketPath});
    ::close(socket);
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_EQ(r.Err, "varnholm-pak: Zielordner " + socketPath +
                         " kann nicht erstellt werden: Dort steht ein Socket, kein Ordner\n");
}

// A destination that takes nothing: a read-only file system where the test may mount one (as
// root, whom permissions do not stop), else a folder without write permission.
TEST_F(CliTest, AReadOnlyDestinationIsCalledAFolder) {
    const std::string out = FDir / "ro";
    ASSERT_EQ(::mkdir(out.c_str(), 0500), 0);
    std::string reason = "Keine Berechtigung";
    if (::geteuid() == 0) {
        if (::mount("tmpfs", out.c_str(), "tmpfs", MS_RDONLY, "size=1m") != 0)
            GTEST_SKIP() << "no read-only file system can be mounted here";
        reason = "Der Datenträger ist schreibgeschützt";
    }
    const auto r = Pak({"extract", FArchive, out});
    if (::geteuid() == 0)
        ::umount2(out.c_str(), MNT_DETACH);
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_EQ(r.Err, "varnholm-pak: In den Zielordner " + out +
                         " kann nicht geschrieben werden: " + reason + "\n");
}

TEST_F(CliTest, AFullDiskNamesTheFileAndTheSummaryCountsTheFilesRemoved) {
    const std::string out = FDir / "klein";
    ASSERT_EQ(::mkdir(out.c_str(), 0700), 0);
    if (::mount("tmpfs", out.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    TPakWriter writer;
    for (int i = 0; i < 6; ++i)
        writer.AddStored("teil" + std::to_string(i), std::string(400 << 10, 'x'));
    WriteFileBytes(FDir / "gross.pak", writer.Finish());
    for (const char* jobs : {"1", "4"}) {
        const auto r = Pak({"extract", "-j", jobs, FDir / "gross.pak", out});
        EXPECT_EQ(r.ExitCode, 2);
        EXPECT_NE(r.Err.find(" kann nicht geschrieben werden: Der Datenträger ist voll\n"),
                  std::string::npos)
            << r.Err;
        EXPECT_NE(r.Err.find(" unvollständig entfernt, "), std::string::npos) << r.Err;
        for (const std::string& file : ListFiles(out))
            EXPECT_EQ(ReadFileBytes(out + "/" + file).size(), 400u << 10) << file;
    }
    ::umount2(out.c_str(), MNT_DETACH);
}

} // namespace
