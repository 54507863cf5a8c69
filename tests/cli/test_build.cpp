// varnholm-pak update and create, run as a user runs them.
#include "PakWriter.h"
#include "TestFiles.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

// A UTF-8 name as std::filesystem takes it on every system.
fs::path Utf8Path(const std::string& name) {
    return fs::path(std::u8string(name.begin(), name.end()));
}

TProcessResult Pak(const std::vector<std::string>& args) {
    return RunProcess(VARNHOLM_PAK, args);
}

class CliBuild : public ::testing::Test {
protected:
    void SetUp() override {
        TPakWriter writer;
        writer.AddCompressed("daten/text.txt", std::string(20000, 't'));
        writer.AddStored("daten/werte.ini", "a=1");
        FOld = FDir / "alt.pak";
        WriteFileBytes(FOld, writer.Finish());
        fs::create_directories(FDir / "ordner/daten");
        WriteFileBytes(FDir / "ordner/daten/werte.ini", "a=2");
        WriteFileBytes(FDir / "ordner/daten/neu.txt", "neu");
    }
    std::vector<std::string> FilesHere() {
        std::vector<std::string> names;
        for (const auto& item : fs::directory_iterator(FDir.Path()))
            if (item.is_regular_file())
                names.push_back(item.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    TTempDir FDir;
    std::string FOld;
};

TEST_F(CliBuild, UpdateReportsWhatItLeftOutAndAddsWithAdd) {
    auto r = Pak({"update", FOld, FDir / "neu.pak", FDir / "ordner"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("mit --add"), std::string::npos);
    EXPECT_EQ(Pak({"list", FDir / "neu.pak"}).Out,
              "20000\t" + std::to_string(ZlibCompress(std::string(20000, 't')).size()) +
                  "\tdaten/text.txt\n3\t3\tdaten/werte.ini\n");

    r = Pak({"update", "--add", "--remove", "daten/text.txt", "--level=9", "-j", "3", FOld,
             FDir / "neu.pak", FDir / "ordner"});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Out.find("0 übernommen, 1 ersetzt, 1 hinzugefügt, 1 entfernt"), std::string::npos);
    EXPECT_EQ(Pak({"list", FDir / "neu.pak"}).Out, "3\t3\tdaten/werte.ini\n3\t3\tdaten/neu.txt\n");
}

TEST_F(CliBuild, CreateThenExtractGivesTheFolderBack) {
    WriteFileBytes(FDir / "ordner/Übersicht.txt", "ü");
    EXPECT_EQ(Pak({"create", "-q", FDir / "neu.pak", FDir / "ordner"}).ExitCode, 0);
    // list shows the archive's Windows-1252 bytes as UTF-8: "Ü" went in as the byte 0xDC.
    EXPECT_EQ(Pak({"list", FDir / "neu.pak"}).Out,
              "3\t3\tdaten/neu.txt\n3\t3\tdaten/werte.ini\n2\t2\tÜbersicht.txt\n");
    EXPECT_EQ(Pak({"extract", "-q", FDir / "neu.pak", FDir / "zurueck"}).ExitCode, 0);
    EXPECT_EQ(ListFiles(FDir / "zurueck"), ListFiles(FDir / "ordner"));
    EXPECT_EQ(ReadFileBytes(FDir / "zurueck/daten/neu.txt"), "neu");
}

TEST_F(CliBuild, AFolderLinkInTheFolderIsNotFollowed) {
    // On Windows a junction (wine makes none: the case is skipped there).
    const std::string why = MakeFolderLink(FDir / "ordner/daten", FDir / "ordner/verweis");
    if (!why.empty())
        GTEST_SKIP() << "no folder link can be made here: " << why;
    const auto r = Pak({"create", "-q", FDir / "neu.pak", FDir / "ordner"});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Err.find("Verknüpfung auf einen Ordner, nicht verfolgt: "), std::string::npos)
        << r.Err;
    EXPECT_EQ(Pak({"list", FDir / "neu.pak"}).Out, "3\t3\tdaten/neu.txt\n3\t3\tdaten/werte.ini\n");
}

TEST_F(CliBuild, RefusedNamesAndTheOldArchiveAsTargetExitWithTwo) {
    WriteFileBytes(FDir / "ordner/\xE2\x82\xAC-und-\xE2\x98\x83.txt", "x"); // the euro sign fits
    auto r = Pak({"create", FDir / "neu.pak", FDir / "ordner"});
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_NE(r.Err.find("\xE2\x82\xAC-und-\xE2\x98\x83.txt"), std::string::npos);
    EXPECT_NE(r.Err.find("nicht geschrieben"), std::string::npos);

    r = Pak({"update", FOld, FOld, FDir / "ordner"});
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_NE(r.Err.find("nie überschrieben"), std::string::npos);
    EXPECT_EQ(Pak({"update", "--level", "12", FOld, "x.pak", FDir / "ordner"}).ExitCode, 2);
    fs::remove(Utf8Path(FDir / "ordner/\xE2\x82\xAC-und-\xE2\x98\x83.txt"));
    r = Pak({"update", FOld, FDir / "fehlt/neu.pak", FDir / "ordner"});
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_NE(r.Err.find("fehlt/neu.pak kann nicht erstellt werden: "), std::string::npos) << r.Err;
    EXPECT_EQ(FilesHere(), std::vector<std::string>{"alt.pak"});
}

#ifndef _WIN32
TEST_F(CliBuild, AFullDiskLeavesNothingBehindAndTheOldArchiveAlone) {
    const std::string before = ReadFileBytes(FOld);
    WriteFileBytes(FDir / "ordner/daten/gross.bin", std::string(300000, '\x5A') + "ende");
    // The file size limit stands in for a full disk: writes past it fail with EFBIG.
    const auto r = RunProcess("/bin/sh", {"-c", "trap '' XFSZ; ulimit -f 64 && exec \"$0\" \"$@\"",
                                          VARNHOLM_PAK, "update", "--add", "--level=0", FOld,
                                          FDir / "neu.pak", FDir / "ordner"});
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_NE(r.Err.find("kann nicht geschrieben werden"), std::string::npos) << r.Err;
    EXPECT_EQ(FilesHere(), std::vector<std::string>{"alt.pak"});
    EXPECT_EQ(ReadFileBytes(FOld), before);
}
#endif

} // namespace
