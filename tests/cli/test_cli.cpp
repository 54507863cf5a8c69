// varnholm-pak end to end: the binary is run as a user would run it.
#include "PakWriter.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

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

TEST_F(CliTest, ExtractWritesEveryEntryAndCreatesTheDestination) {
    const std::string out = FDir / "neu/ziel";
    const auto r = Pak({"extract", FArchive, out});
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
    const auto r = Pak({"extract", FArchive, out, "daten", "grafik/bild.raw", "fehlt/nicht.da"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(ListFiles(out),
              (std::vector<std::string>{"bild.raw", "texte/grüße.txt", "werte.ini"}));
    EXPECT_EQ(r.Err, "Nicht im Archiv: fehlt/nicht.da\n");
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
        const auto r = Pak({"extract", threads, Damaged(), out});
        EXPECT_EQ(r.ExitCode, 1);
        // "../ausbruch.txt" sits in a subdirectory record, so it comes first.
        EXPECT_EQ(r.Err, "Unsicherer Pfad, nicht entpackt: ../ausbruch.txt\n"
                         "Fehler beim Entpacken von kaputt.bin!\n");
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
    const std::string farMessage =
        "Fehler beim Entpacken von weit.bin: Die Daten liegen hinter dem Dateiende!\n";
    for (const char* threads : {"-j1", "-j4"}) {
        const std::string out = FDir / ("ziel" + std::string(threads));
        const auto r = Pak({"extract", threads, archive, out});
        EXPECT_EQ(r.ExitCode, 1);
        EXPECT_EQ(r.Err, farMessage + "Der Name ist zu lang für das Dateisystem, nicht entpackt: " +
                             std::string(300, 'n') + "\n");
        EXPECT_EQ(ListFiles(out), (std::vector<std::string>{"ende.txt", "gut.txt"}));
    }
    const auto verify = Pak({"verify", archive});
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
    const auto r = Pak({"extract", archive, FDir / "ziel"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Err, "Unsicherer Pfad, nicht entpackt: ../nul\\x00x\n");
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

    const auto bad = Pak({"verify", Damaged()});
    EXPECT_EQ(bad.ExitCode, 1);
    EXPECT_EQ(bad.Err, "Fehler beim Entpacken von kaputt.bin!\n");
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
    EXPECT_EQ(missing.Err,
              "varnholm-pak: Datei " + (FDir / "fehlt.pak") + " kann nicht geöffnet werden\n");

    WriteFileBytes(FDir / "kurz.pak", "zu kurz");
    EXPECT_EQ(Pak({"info", FDir / "kurz.pak"}).ExitCode, 2);

    WriteFileBytes(FDir / "datei", "");
    const auto blocked = Pak({"extract", FArchive, FDir / "datei"});
    EXPECT_EQ(blocked.ExitCode, 2);
    EXPECT_NE(blocked.Err.find("kann nicht erstellt werden"), std::string::npos) << blocked.Err;
}

TEST_F(CliTest, HelpAndVersion) {
    const auto help = Pak({"--help"});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_NE(help.Out.find("extract [-j N] ARCHIV ZIEL"), std::string::npos);
    const auto version = Pak({"--version"});
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_EQ(version.Out.rfind("varnholm-pak ", 0), 0u);
}

} // namespace
