// Names Windows cannot hold, case-only aliases, links in the destination, long paths and
// Windows-1252 names: the same tests on Linux and on Windows (under wine), each expecting what
// its platform does. The Windows build refuses the names; Linux writes them as they are.
#include "Extractor.h"
#include "PakWriter.h"
#include "SafePath.h"
#include "TestFiles.h"
#include "WindowsNames.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace {

std::filesystem::path DiskPath(const std::string& utf8) {
    return std::filesystem::path(reinterpret_cast<const char8_t*>(utf8.c_str()));
}

struct NameCase {
    const char* Label;
    const char* Path;    // Windows-1252, as the archive holds it
    const char* Problem; // the part of the German reason that names the kind; "" for a good name
};

void PrintTo(const NameCase& c, std::ostream* out) {
    *out << c.Label;
}

const NameCase kNameCases[] = {
    {"Con", "con", "reservierter Gerätename"},
    {"NulWithExtension", "a/nul.txt", "reservierter Gerätename"},
    {"AuxUpperCase", "AUX", "reservierter Gerätename"},
    {"PrnInAFolder", "prn/x.txt", "reservierter Gerätename"},
    {"Com9", "com9.log", "reservierter Gerätename"},
    {"Lpt1SpaceBeforeDot", "LPT1 .tar.gz", "reservierter Gerätename"},
    {"Colon", "a:b.txt", "Doppelpunkt"},
    {"DriveRelative", "c:x", "Doppelpunkt"},
    {"TrailingDot", "dir./f", "Punkt"},
    {"TrailingSpace", "f ", "Leerzeichen"},
    {"LessThan", "a<b", "Zeichen <"},
    {"GreaterThan", "a>b", "Zeichen >"},
    {"Quote", "say\"hi\"", "Zeichen \""},
    {"Pipe", "a|b", "Zeichen |"},
    {"Question", "what?", "Zeichen ?"},
    {"Star", "*.txt", "Zeichen *"},
    {"ControlCharacter", "bell\x07", "Steuerzeichen"},
    {"Backslash", "a\\b.txt", "umgekehrten Schrägstrich"},
    {"ConsoleIsNoDevice", "console.txt", ""},
    {"Com0IsNoDevice", "com0", ""},
    {"Lpt10IsNoDevice", "lpt10", ""},
    {"DotInside", "a.b/c.d", ""},
    {"LeadingSpaceAndDot", " .profile", ""},
    {"Umlaut",
     "\xDC"
     "bersicht.txt",
     ""},
};

class WindowsNameRules : public ::testing::TestWithParam<NameCase> {};

TEST_P(WindowsNameRules, NameTheKindOrAcceptTheName) {
    const std::string path = GetParam().Path;
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string problem = WindowsPathProblem(dir, name);
    if (*GetParam().Problem == '\0')
        EXPECT_EQ(problem, "");
    else
        EXPECT_NE(problem.find(GetParam().Problem), std::string::npos) << problem;
}

INSTANTIATE_TEST_SUITE_P(Names, WindowsNameRules, ::testing::ValuesIn(kNameCases),
                         [](const auto& info) { return std::string(info.param.Label); });

TEST(WindowsNameRules, CaseIsFoldedForTheLettersOfWindows1252) {
    EXPECT_TRUE(SameOrBelowIgnoringCase("Texturen/Übersicht.DDS", "texturen/übersicht.dds"));
    EXPECT_TRUE(SameOrBelowIgnoringCase("ŠŒŽŸ/x", "šœžÿ"));
    EXPECT_TRUE(SameOrBelowIgnoringCase("a/b/c", "A/B"));
    EXPECT_FALSE(SameOrBelowIgnoringCase("a/bc", "A/B"));
    EXPECT_FALSE(SameOrBelowIgnoringCase("straße", "STRASSE"));
    EXPECT_FALSE(SameOrBelowIgnoringCase("a", "a/b"));
}

class PlatformExtraction : public ::testing::Test {
protected:
    void Open(TPakWriter& writer) {
        WriteFileBytes(FDir / "a.pak", writer.Finish());
        FReader.Open(FDir / "a.pak");
    }
    TExtractor::TStats ExtractAll(const std::string& destination, int threads = 1) {
        TExtractor extractor(FReader, destination, threads);
        extractor.OnRefused = [this](int32_t i) {
            FEvents[std::string(FReader.EntryPath(i))] = "refused";
        };
        extractor.OnFailed = [this](int32_t i, const std::string& reason) {
            FEvents[std::string(FReader.EntryPath(i))] = reason;
        };
        for (int32_t i = 0; i < FReader.Count(); ++i)
            extractor.Add(i, FReader.EntryDir(i));
        extractor.Finish();
        return extractor.Stats();
    }

    TTempDir FDir;
    TPakReader FReader;
    std::map<std::string, std::string> FEvents;
};

TEST_F(PlatformExtraction, NamesWindowsCannotHoldAreRefusedThereBesideGoodEntries) {
    TPakWriter writer;
    writer.AddStored("good.txt", "g");
    for (const NameCase& c : kNameCases)
        writer.AddStored(c.Path, c.Label);
    Open(writer);

    const auto stats = ExtractAll(FDir / "out", 2);
    const std::string out = FDir / "out";
    EXPECT_EQ(ReadFileBytes(out + "/good.txt"), "g");
    for (const NameCase& c : kNameCases) {
        const bool refused = kRefusesWindowsNames && *c.Problem != '\0';
        SCOPED_TRACE(c.Label);
        if (refused) {
            ASSERT_EQ(FEvents.count(c.Path), 1u);
            EXPECT_NE(FEvents[c.Path].find(c.Problem), std::string::npos) << FEvents[c.Path];
        } else if (std::string(c.Path).find('\\') == std::string::npos) {
            EXPECT_EQ(FEvents.count(c.Path), 0u);
            EXPECT_EQ(ReadFileBytes(out + "/" + ToDiskPath(c.Path)), c.Label);
        }
    }
    if (kRefusesWindowsNames) {
        EXPECT_EQ(stats.Failed, 18);
        // Nothing of the refused entries reached the disk in another form.
        EXPECT_EQ(ListFiles(out).size(), 1u + 6);
    }
}

// Two entries whose paths differ in case alone name one file on Windows: the later one wins,
// whatever the number of threads; Linux keeps both files.
class CaseAlias : public PlatformExtraction, public ::testing::WithParamInterface<int> {};

TEST_P(CaseAlias, TheLaterEntryWinsOnWindowsAndBothStayOnLinux) {
    TPakWriter writer;
    for (int round = 0; round < 20; ++round) {
        const std::string n = std::to_string(round);
        writer.AddStored("Karten/Welt" + n + ".txt", std::string(20000, 'e'));
        writer.AddStored("karten/WELT" + n + ".TXT", "later" + n);
    }
    Open(writer);

    const auto stats = ExtractAll(FDir / "out", GetParam());
    EXPECT_EQ(stats.Written, 40);
    const std::vector<std::string> files = ListFiles(FDir / "out");
    if (kRefusesWindowsNames) {
        ASSERT_EQ(files.size(), 20u);
        for (int round = 0; round < 20; ++round)
            EXPECT_EQ(ReadFileBytes(FDir / "out/karten/welt" + std::to_string(round) + ".txt"),
                      "later" + std::to_string(round));
    } else {
        EXPECT_EQ(files.size(), 40u);
        EXPECT_EQ(ReadFileBytes(FDir / "out/karten/WELT7.TXT"), "later7");
    }
}

INSTANTIATE_TEST_SUITE_P(Threads, CaseAlias, ::testing::Values(1, 4),
                         [](const auto& info) { return "j" + std::to_string(info.param); });

TEST_F(PlatformExtraction, ALinkToAFolderOutsideInTheDestinationIsNotEntered) {
    const std::string outside = FDir / "outside";
    std::filesystem::create_directories(DiskPath(outside));
    std::filesystem::create_directories(DiskPath(FDir / "out"));
    const std::string failure = MakeFolderLink(outside, FDir / "out/link");
    if (!failure.empty())
        GTEST_SKIP() << "this system makes neither a symbolic link nor a junction: " << failure;
    TPakWriter writer;
    writer.AddStored("link/x.txt", "x");
    writer.AddStored("fine.txt", "f");
    Open(writer);

    const auto stats = ExtractAll(FDir / "out");
    EXPECT_EQ(stats.Refused, 1);
    EXPECT_EQ(stats.Written, 1);
    EXPECT_TRUE(ListFiles(outside).empty());
}

TEST_F(PlatformExtraction, FilesThereAreReplacedOrKeptAndAFileWhereAFolderGoesFailsItsEntry) {
    const std::string out = FDir / "out";
    std::filesystem::create_directories(DiskPath(out + "/ordner"));
    WriteFileBytes(out + "/alt.txt", "a much longer old content");
    WriteFileBytes(out + "/datei", "a file where a folder goes");
    WriteFileBytes(out + "/behalten.txt", "old");
    TPakWriter writer;
    writer.AddStored("alt.txt", "new");
    writer.AddStored("datei/x.txt", "x");
    writer.AddStored("ordner", "a file where a folder stands");
    Open(writer);

    const auto stats = ExtractAll(out);
    EXPECT_EQ(stats.Written, 1);
    EXPECT_EQ(stats.Failed, 2);
    EXPECT_EQ(ReadFileBytes(out + "/alt.txt"), "new");
    EXPECT_EQ(FEvents["datei/x.txt"], "Ein Ordner auf dem Weg ist eine Datei");
    EXPECT_EQ(FEvents["ordner"], "Dort steht schon ein Ordner");

    TPakWriter again;
    again.AddStored("behalten.txt", "new");
    again.AddStored("neu.txt", "n");
    Open(again);
    TExtractor keeping(FReader, out);
    keeping.SetKeepExisting(true);
    keeping.Add(0, "");
    keeping.Add(1, "");
    EXPECT_EQ(keeping.Stats().Kept, 1);
    EXPECT_EQ(ReadFileBytes(out + "/behalten.txt"), "old");
    EXPECT_EQ(ReadFileBytes(out + "/neu.txt"), "n");
}

TEST_F(PlatformExtraction, PathsLongerThan260CharactersAreWritten) {
    const std::string folder(60, 'f');
    std::string path;
    for (int depth = 0; depth < 5; ++depth)
        path += folder + std::to_string(depth) + "/";
    path += std::string(40, 'n') + ".txt";
    ASSERT_GT(path.size(), 300u);
    TPakWriter writer;
    writer.AddCompressed(path, "deep");
    Open(writer);

    const auto stats = ExtractAll(FDir / "out");
    EXPECT_EQ(stats.Written, 1);
    EXPECT_EQ(ReadFileBytes(FDir / "out/" + path), "deep");
    EXPECT_EQ(ListFiles(FDir / "out"), std::vector<std::string>{path});
}

TEST_F(PlatformExtraction, Windows1252NamesBecomeTheirCharactersOnDisk) {
    TPakWriter writer;
    writer.AddStored("\xDC"
                     "bersicht.txt",
                     "u");
    writer.AddStored("Gr\xF6\xDF"
                     "e/\x80-Stra\xDF"
                     "e \x8A\x9F.txt",
                     "v");
    Open(writer);

    ExtractAll(FDir / "out");
    EXPECT_EQ(ListFiles(FDir / "out"),
              (std::vector<std::string>{"Größe/€-Straße ŠŸ.txt", "Übersicht.txt"}));
    EXPECT_EQ(ReadFileBytes(FDir / "out/Übersicht.txt"), "u");
}

} // namespace
