// varnholm-pak diff and grep end to end, on archives the writer builds.
#include "PakWriter.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

namespace {

TProcessResult Pak(const std::vector<std::string>& args) {
    return RunProcess(VARNHOLM_PAK, args);
}

class DiffGrepTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, TPakWriter& writer) {
        const std::string path = FDir / name;
        WriteFileBytes(path, writer.Finish());
        return path;
    }

    TTempDir FDir;
};

TEST_F(DiffGrepTest, DiffShowsTheFourKindsInArchiveOrderAndExitsWithOne) {
    TPakWriter before;
    before.AddCompressed("alt/x.bin", std::string(3000, 'x') + "einmalig");
    before.AddStored("a.txt", "eins");
    before.AddCompressed("b.txt", std::string(400, 'b'));
    before.AddStored("c.txt", "drei");
    TPakWriter after;
    after.AddCompressed("neu/y.bin", std::string(3000, 'x') + "einmalig", 9);
    after.AddStored("a.txt", "eins");
    after.AddCompressed("b.txt", std::string(399, 'b') + "B"); // same size, other content
    after.AddStored("d.txt", "vier");
    const std::string oldPak = Write("alt.pak", before);
    const std::string newPak = Write("neu.pak", after);

    const auto r = Pak({"diff", oldPak, newPak});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Out, "> alt/x.bin\tneu/y.bin\n~ b.txt\n+ d.txt\n- c.txt\n");
    EXPECT_NE(r.Err.find("1 geändert, 1 neu, 1 entfernt, 1 verschoben, 0 beschädigt"),
              std::string::npos)
        << r.Err;

    const auto selected = Pak({"diff", oldPak, newPak, "b.txt", "a.txt"});
    EXPECT_EQ(selected.Out, "~ b.txt\n");
    const auto quiet = Pak({"diff", "-q", oldPak, newPak});
    EXPECT_EQ(quiet.ExitCode, 1);
    EXPECT_EQ(quiet.Out + quiet.Err, "");
    const auto stat = Pak({"diff", "--stat", oldPak, newPak});
    EXPECT_EQ(stat.Out, "neu: 1 Dateien, 4 Bytes\ngeändert: 1 Dateien, 400 Bytes\n"
                        "entfernt: 1 Dateien, 4 Bytes\nverschoben: 1 Dateien, 3008 Bytes\n");
    EXPECT_EQ(Pak({"diff", oldPak, FDir / "fehlt.pak"}).ExitCode, 2);
    EXPECT_EQ(Pak({"diff", oldPak, newPak, "nirgends.txt"}).ExitCode, 2);
}

TEST_F(DiffGrepTest, DiffFindsEqualContentUnderAnyCompressionAndCopiesAreNoMove) {
    const std::string text = "Der Drache schläft im Nebel. " + std::string(2000, 'n');
    TPakWriter before;
    before.AddStored("roh.txt", text);
    before.AddCompressed("dicht.txt", text, 1);
    before.AddCompressed("weg.txt", "doppelt doppelt doppelt doppelt");
    TPakWriter after;
    after.AddCompressed("roh.txt", text, 9);
    after.AddStored("dicht.txt", text);
    after.AddCompressed("kopie1.txt", "doppelt doppelt doppelt doppelt");
    after.AddCompressed("kopie2.txt", "doppelt doppelt doppelt doppelt");
    TPakWriter same;
    same.AddCompressed("roh.txt", text, 9);
    same.AddStored("dicht.txt", text);
    same.AddCompressed("weg.txt", "doppelt doppelt doppelt doppelt", 1);
    const std::string oldPak = Write("alt.pak", before);

    const auto equal = Pak({"diff", oldPak, Write("gleich.pak", same)});
    EXPECT_EQ(equal.ExitCode, 0) << equal.Err;
    EXPECT_EQ(equal.Out, "");
    const auto copies = Pak({"diff", oldPak, Write("neu.pak", after)});
    EXPECT_EQ(copies.ExitCode, 1);
    EXPECT_EQ(copies.Out, "+ kopie1.txt\n+ kopie2.txt\n- weg.txt\n");
}

TEST_F(DiffGrepTest, DiffNamesADamagedEntryOnEitherSideAsChangedAndGoesOn) {
    TPakWriter good;
    good.AddCompressed("kaputt.bin", std::string(100, 'k'));
    good.AddStored("danach.txt", "alt");
    TPakWriter bad;
    bad.AddRaw(bad.Root(), "kaputt.bin", "kein zlib, nur Bytes", 100);
    bad.AddStored("danach.txt", "neu");
    const std::string goodPak = Write("gut.pak", good);
    const std::string badPak = Write("kaputt.pak", bad);
    for (const auto& [oldPak, newPak] : {std::pair{goodPak, badPak}, std::pair{badPak, goodPak}}) {
        const auto r = Pak({"diff", oldPak, newPak});
        EXPECT_EQ(r.ExitCode, 1);
        EXPECT_EQ(r.Out, "~ kaputt.bin\n~ danach.txt\n");
        EXPECT_NE(r.Err.find(badPak + ": Fehler beim Entpacken von kaputt.bin!"), std::string::npos)
            << r.Err;
        EXPECT_NE(r.Err.find("1 beschädigt"), std::string::npos) << r.Err;
    }
}

class GrepTest : public DiffGrepTest {
protected:
    void SetUp() override {
        TPakWriter writer;
        writer.AddCompressed("texte/utf8.txt", "Ein Schwert\nzwei Goldmünzen\r\ndrei\n");
        writer.AddStored("texte/ansi.txt", "GOLDM\xDCNZE\nnichts\nGoldm\xFCnze \x1B[2J");
        writer.AddCompressed("daten/bild.dat", std::string("\x89PNG\0\0Goldm\xFCnze", 16));
        writer.AddStored("leer.txt", "");
        FArchive = Write("spiel.pak", writer);
    }
    std::string FArchive;
};

TEST_F(GrepTest, PrintsMatchingLinesOfTextAndOneLineForBinaryContent) {
    const auto r = Pak({"grep", "Goldm.nz", FArchive});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "texte/utf8.txt:2:zwei Goldmünzen\n"
                     "texte/ansi.txt:3:Goldmünze \\x1B[2J\n"
                     "Binärdatei daten/bild.dat stimmt überein\n");
    const std::string other = Write("zweites.pak", *std::make_unique<TPakWriter>());
    const auto both = Pak({"grep", "Schwert", FArchive, other, "--", "texte"});
    EXPECT_EQ(both.Out, FArchive + ":texte/utf8.txt:1:Ein Schwert\n");
}

TEST_F(GrepTest, UmlautsMatchInUtf8AndWindows1252AndIgnoreCaseFoldsThem) {
    EXPECT_EQ(Pak({"grep", "-l", "münze", FArchive}).Out,
              "texte/utf8.txt\ntexte/ansi.txt\ndaten/bild.dat\n");
    EXPECT_EQ(Pak({"grep", "-l", "MÜNZE", FArchive}).Out, "texte/ansi.txt\n");
    EXPECT_EQ(Pak({"grep", "-c", "-i", "goldmünze", FArchive}).Out,
              "texte/utf8.txt:1\ntexte/ansi.txt:2\ndaten/bild.dat:1\nleer.txt:0\n");
    EXPECT_EQ(Pak({"grep", "-i", "-F", "GOLDMÜNZE ", FArchive}).Out,
              "texte/ansi.txt:3:Goldmünze \\x1B[2J\n");
}

TEST_F(DiffGrepTest, OptionalPartsAndAlternativesOfAPatternMayBeMissingFromTheLine) {
    TPakWriter writer;
    writer.AddStored("a.txt", "ac\nabbbc\nDrache\r\nGoldmünze\nGooold\n");
    const std::string archive = Write("muster.pak", writer);
    const auto count = [&](const std::string& pattern) {
        return Pak({"grep", "-c", pattern, archive}).Out;
    };
    EXPECT_EQ(count("ab*c"), "a.txt:3\n"); // "Drache" holds "ac"
    EXPECT_EQ(count("^abb?b+c$"), "a.txt:1\n");
    EXPECT_EQ(count("xyz|Drache$"), "a.txt:1\n");
    EXPECT_EQ(count("(Gold)?münze"), "a.txt:1\n");
    EXPECT_EQ(count("Go{2,3}ld"), "a.txt:1\n");
    EXPECT_EQ(count("[x]?Gold[m]"), "a.txt:1\n");
    EXPECT_EQ(Pak({"grep", "-c", "-i", "GOLDM.NZE|zzz", archive}).Out, "a.txt:1\n");
}

TEST_F(GrepTest, ExitStatusSaysFoundNothingFoundOrError) {
    EXPECT_EQ(Pak({"grep", "Drache", FArchive}).ExitCode, 1);
    const auto bad = Pak({"grep", "(offen", FArchive});
    EXPECT_EQ(bad.ExitCode, 2);
    EXPECT_NE(bad.Err.find("Ungültiges Muster"), std::string::npos) << bad.Err;
    EXPECT_EQ(Pak({"grep", "x", FDir / "fehlt.pak"}).ExitCode, 2);

    TPakWriter writer;
    writer.AddRaw(writer.Root(), "kaputt.txt", "kein zlib", 100);
    writer.AddStored("heil.txt", "Drache");
    const auto damaged = Pak({"grep", "Drache", Write("kaputt.pak", writer)});
    EXPECT_EQ(damaged.ExitCode, 2);
    EXPECT_EQ(damaged.Out, "heil.txt:1:Drache\n");
    EXPECT_NE(damaged.Err.find("Fehler beim Entpacken von kaputt.txt!"), std::string::npos);
}

TEST_F(DiffGrepTest, GrepFollowsLinesAcrossTheChunksOfALargeFile) {
    std::string big;
    for (int line = 1; big.size() < (5u << 20); ++line)
        big += line == 20000 ? "hier ist die Nadel im Heu\n"
                             : "nur Heu, Zeile " + std::to_string(line) + "\n";
    TPakWriter writer;
    writer.AddStored("gross.txt", big);
    writer.AddCompressed("gepackt.txt", big);
    const auto r = Pak({"grep", "-j", "2", "Nadel", Write("gross.pak", writer)});
    EXPECT_EQ(r.Out, "gross.txt:20000:hier ist die Nadel im Heu\n"
                     "gepackt.txt:20000:hier ist die Nadel im Heu\n");
}

} // namespace
