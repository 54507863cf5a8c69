// varnholm-pak as scripts see it on both platforms: the same bytes on stdout, UTF-8 arguments,
// and the names Windows cannot hold refused there with exit status 1.
#include "PakWriter.h"
#include "TestFiles.h"
#include "WindowsNames.h"

#include <gtest/gtest.h>

namespace {

TProcessResult Pak(const std::vector<std::string>& args) {
    return RunProcess(VARNHOLM_PAK, args);
}

class PortableCli : public ::testing::Test {
protected:
    std::string Archive(TPakWriter& writer) {
        const std::string path = FDir / "spiel.pak";
        WriteFileBytes(path, writer.Finish());
        return path;
    }
    TTempDir FDir;
};

TEST_F(PortableCli, ListWritesUtf8LinesEndingInOneNewlineIntoAFile) {
    TPakWriter writer;
    writer.AddStored("\xDC"
                     "bersicht.txt",
                     "abc");
    writer.AddStored("ordner/glocke\x07.txt", "");
    const auto r = Pak({"list", Archive(writer)});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Out, "0\t0\tordner/glocke\\x07.txt\n3\t3\tÜbersicht.txt\n");
}

TEST_F(PortableCli, ArgumentsWithUmlautsNameTheFolderAndTheSelection) {
    TPakWriter writer;
    writer.AddStored("m\xFC"
                     "hle/\xC4rger.txt",
                     "umlaute");
    writer.AddStored("anderes.txt", "x");
    const auto r = Pak({"-q", "extract", Archive(writer), FDir / "Zielördner", "mühle"});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(ListFiles(FDir / "Zielördner"), std::vector<std::string>{"Ärger.txt"});
    EXPECT_EQ(ReadFileBytes(FDir / "Zielördner/Ärger.txt"), "umlaute");
}

TEST_F(PortableCli, ANameWindowsCannotHoldFailsThatEntryAloneWithStatus1There) {
    TPakWriter writer;
    writer.AddStored("a/nul.txt", "device");
    writer.AddStored("a/gut.txt", "gut");
    writer.AddStored("b:c", "stream");
    const auto r = Pak({"-q", "-j", "4", "extract", Archive(writer), FDir / "out"});
    EXPECT_EQ(ReadFileBytes(FDir / "out/a/gut.txt"), "gut");
    if (kRefusesWindowsNames) {
        EXPECT_EQ(r.ExitCode, 1);
        EXPECT_EQ(r.Err, "varnholm-pak: Windows erlaubt den Namen „nul.txt“ nicht: er ist ein "
                         "reservierter Gerätename, nicht entpackt: a/nul.txt\n"
                         "varnholm-pak: Windows erlaubt den Namen „b:c“ nicht: er enthält einen "
                         "Doppelpunkt, nicht entpackt: b:c\n");
        EXPECT_EQ(ListFiles(FDir / "out"), std::vector<std::string>{"a/gut.txt"});
    } else {
        EXPECT_EQ(r.ExitCode, 0) << r.Err;
        EXPECT_EQ(ListFiles(FDir / "out"),
                  (std::vector<std::string>{"a/gut.txt", "a/nul.txt", "b:c"}));
    }
}

} // namespace
