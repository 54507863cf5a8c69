// Hostile and broken archives: Open must fail with a German message, never crash, read out of
// bounds, allocate what a count claims or recurse without limit.
#include "Exception.h"
#include "PakWriter.h"
#include "TestFiles.h"
#include "ZlibReference.h"
#include "uPakReader.h"

#include <gtest/gtest.h>

namespace {

class DamagedArchiveTest : public ::testing::Test {
protected:
    // Opens bytes as an archive; returns the error message, or "" when it opened.
    std::string OpenError(const std::string& bytes) {
        WriteFileBytes(FDir / "bad.pak", bytes);
        try {
            FReader.Open(FDir / "bad.pak");
            return "";
        } catch (const EArchiveDamaged& e) {
            return e.what();
        }
    }

    static std::string SampleArchive() {
        TPakWriter writer;
        writer.AddStored("root.txt", "root");
        writer.AddCompressed("a/b/c.txt", std::string(1000, 'c'));
        writer.AddStored("a/d.txt", "d");
        auto& file = writer.AddStored("e/f", "f");
        file.Extra = "extra";
        return writer.Finish();
    }

    TTempDir FDir;
    TPakReader FReader;
};

TEST_F(DamagedArchiveTest, EveryTruncationFailsCleanly) {
    const std::string full = SampleArchive();
    ASSERT_EQ(OpenError(full), "");
    ASSERT_EQ(FReader.Count(), 4);
    for (size_t length = 0; length < full.size(); ++length) {
        const std::string message = OpenError(full.substr(0, length));
        EXPECT_NE(message, "") << "length " << length;
        EXPECT_NE(message.find("beschädigt"), std::string::npos) << message;
    }
}

TEST_F(DamagedArchiveTest, TheMessageNamesTheFileAndTheReason) {
    EXPECT_EQ(
        OpenError("short"),
        "Die Datei " + (FDir / "bad.pak") +
            " ist keine Varnholm-Archivdatei oder beschädigt: Der Dateikopf ist unvollständig");
}

TEST_F(DamagedArchiveTest, RootPositionBeyondTheEndFails) {
    std::string bytes = SampleArchive();
    for (const uint64_t root : {uint64_t{bytes.size()}, uint64_t{1} << 40, ~uint64_t{0}}) {
        std::string patched = bytes;
        std::string field;
        AppendU64(field, root);
        patched.replace(24, 8, field);
        EXPECT_NE(OpenError(patched).find("hinter dem Dateiende"), std::string::npos) << root;
    }
}

TEST_F(DamagedArchiveTest, CountsTheFileCannotHoldFailBeforeAnyAllocation) {
    TPakWriter subdirs;
    subdirs.Root().SubdirectoryCountOverride = 0xFFFFFFFFu;
    EXPECT_NE(OpenError(subdirs.Finish()).find("Unterverzeichnisse"), std::string::npos);

    TPakWriter files;
    files.AddStored("x", "x");
    files.Root().FileCountOverride = 0xFFFFFFFFu;
    EXPECT_NE(OpenError(files.Finish()).find("Zahl der Dateien"), std::string::npos);

    TPakWriter oneTooMany;
    oneTooMany.AddStored("x", "x");
    oneTooMany.Root().FileCountOverride = 2;
    EXPECT_NE(OpenError(oneTooMany.Finish()), "");
}

TEST_F(DamagedArchiveTest, AStringLongerThanTheRestOfTheFileFails) {
    TPakWriter writer;
    writer.Root().Name = "root";
    std::string bytes = writer.Finish();
    // The root name's length field sits right after the record's fixed fields.
    const size_t lengthAt = bytes.size() - (4 + 1 + 4 + 4 + 4);
    std::string field;
    AppendU32(field, 0xFFFFFFF0u);
    bytes.replace(lengthAt, 4, field);
    EXPECT_NE(OpenError(bytes).find("Dateiende"), std::string::npos);
}

TEST_F(DamagedArchiveTest, DataBeyondTheEndCostsOnlyItsOwnEntry) {
    TPakWriter writer;
    auto& far = writer.AddStored("karten/s\xFC"
                                 "d.map",
                                 "abc");
    far.StoredSize = far.UnpackedSize = 1 << 20;
    auto& wrapped = writer.AddStored("x", "abc");
    wrapped.StoredSize = ~uint64_t{0} - 10; // offset + size wraps around 2^64
    writer.AddCompressed("gut.txt", "gut");
    ASSERT_EQ(OpenError(writer.Finish()), "");
    ASSERT_EQ(FReader.Count(), 3);

    std::vector<std::string> reports;
    FReader.SetReportHook([&](const std::string& message) { reports.push_back(message); });
    TInflater inflater;
    for (int32_t i = 0; i < FReader.Count(); ++i) {
        FReader.ExtractFile(i, FDir / ("out" + std::to_string(i)));
        EXPECT_EQ(FReader.VerifyEntry(i, inflater), i == 2);
        TStringSink sink;
        EXPECT_EQ(FReader.ReadEntryStart(i, 100, sink, inflater),
                  i == 2 ? TPartResult::Complete : TPartResult::Damaged);
    }
    EXPECT_EQ(reports, (std::vector<std::string>{
                           "Fehler beim Entpacken von karten/süd.map: Die Daten liegen hinter "
                           "dem Dateiende!",
                           "Fehler beim Entpacken von x: Die Daten liegen hinter dem Dateiende!"}));
    EXPECT_FALSE(FileExists(FDir / "out0"));
    EXPECT_EQ(ReadFileBytes(FDir / "out2"), "gut");
}

TEST_F(DamagedArchiveTest, DeepButPlausibleNestingOpensAbsurdNestingFails) {
    auto nested = [](int levels) {
        TPakWriter writer;
        TPakWriter::TDirectory* dir = &writer.Root();
        std::string path;
        for (int i = 1; i < levels; ++i) {
            dir = &dir->AddSubdirectory("d");
            path += "d/";
        }
        writer.AddRaw(*dir, path + "leaf", "leaf", 4);
        return writer.Finish();
    };
    EXPECT_EQ(OpenError(nested(300)), "");
    EXPECT_EQ(FReader.Count(), 1);
    EXPECT_NE(OpenError(nested(5000)).find("zu tief verschachtelt"), std::string::npos);
}

TEST_F(DamagedArchiveTest, RandomCorruptionNeverCrashes) {
    const std::string full = SampleArchive();
    int opened = 0;
    int refused = 0;
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int round = 0; round < 2000; ++round) {
        std::string bytes = full;
        const int flips = 1 + next() % 4;
        for (int k = 0; k < flips; ++k)
            bytes[next() % bytes.size()] = static_cast<char>(next() >> 24);
        if (!OpenError(bytes).empty()) {
            ++refused;
        } else {
            ++opened;
            for (int32_t i = 0; i < FReader.Count(); ++i) {
                (void)FReader.EntryName(i);
                try {
                    FReader.ExtractFile(i, FDir / "out");
                } catch (const Exception&) {
                }
            }
        }
    }
    // Both outcomes must have been exercised for the test to mean anything.
    EXPECT_GT(opened, 0);
    EXPECT_GT(refused, 0);
}

} // namespace
