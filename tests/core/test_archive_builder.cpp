// Writing new archives: what update keeps, what create builds, how both compress, and that a
// failed or refused write leaves nothing behind.
#include "ArchiveBuilder.h"
#include "PakLayout.h"
#include "PakWriter.h"
#include "TestFiles.h"
#include "ZlibReference.h"
#include "uPakReader.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using TTree = std::map<std::string, std::string>; // archive path (UTF-8 on disk) -> content

std::string Head(char fill) {
    std::string head(paklayout::kRecordHeadSize, fill);
    head[3] = 'H';
    return head;
}

std::string TextOf(int n, int size) {
    std::string text;
    while (static_cast<int>(text.size()) < size)
        text += "Zeile " + std::to_string(n++) + " der Karte\n";
    return text.substr(0, size);
}

// An archive as the game could ship it: values in every field the reader skips, folders with
// names of their own, compressed and stored files, and one folder spread over two records.
std::string GameArchive(const std::string& fileName) {
    TPakWriter writer;
    writer.Header32[0] = 0x4B415056;
    writer.Header32[5] = 7;
    writer.Header64Tail[0] = 0x1122334455667788ull;
    writer.Header64Tail[1] = 99;
    writer.Root().Head = Head('r');
    auto& maps = writer.Directory("karten");
    maps.Head = Head('k');
    maps.Name = "KARTEN";
    auto& first = writer.AddCompressed("karten/eins.txt", TextOf(1, 9000));
    first.Head = Head('1');
    first.Reserved = 17;
    first.Extra = "extra-eins";
    writer.AddStored("karten/zwei.bin", std::string(300, '\x01')).Head = Head('2');
    writer.AddCompressed("karten/tief/drei.txt", TextOf(3, 4000)).Head = Head('3');
    auto& other = writer.Root().AddSubdirectory("zweiter");
    other.Head = Head('z');
    writer.AddRaw(other, "karten/vier.txt", "vier", 4).Head = Head('4');
    writer.AddStored("wurzel.txt", "in der Wurzel").Reserved = 5;
    writer.AddStored("leer.txt", "");
    WriteFileBytes(fileName, writer.Finish());
    return fileName;
}

void ExtractAll(const std::string& archive, const std::string& folder) {
    TPakReader reader;
    reader.Open(archive);
    for (int32_t i = 0; i < reader.Count(); ++i) {
        const std::string target = folder + "/" + std::string(reader.EntryPath(i));
        fs::create_directories(fs::path(target).parent_path());
        reader.ExtractFile(i, target);
    }
}

TTree ReadTree(const std::string& folder) {
    TTree tree;
    for (const std::string& path : ListFiles(folder))
        tree[path] = ReadFileBytes(folder + "/" + path);
    return tree;
}

// Every entry's content, checked the way the game's zlib reads it: a compressed entry must
// uncompress() to exactly its unpacked size.
TTree ContentOf(const std::string& archive) {
    TPakReader reader;
    reader.Open(archive);
    const std::string bytes = ReadFileBytes(archive);
    TTree tree;
    for (int32_t i = 0; i < reader.Count(); ++i) {
        const TFileEntry entry = reader.Entry(i);
        const std::string stored = bytes.substr(entry.Offset, entry.StoredSize);
        if (!reader.EntryIsCompressed(i)) {
            tree[std::string(entry.Path)] = stored;
            continue;
        }
        const TVerdict verdict = Uncompress(stored.data(), stored.size(), entry.UnpackedSize);
        EXPECT_TRUE(verdict.Ok) << entry.Path;
        EXPECT_EQ(verdict.Bytes.size(), entry.UnpackedSize) << entry.Path;
        tree[std::string(entry.Path)] = verdict.Bytes;
    }
    return tree;
}

// The records with offsets and sizes cleared: what update must keep byte for byte.
std::string RecordsWithoutPlaces(const std::string& archive) {
    TReadFile file;
    file.Open(archive);
    paklayout::TLayout layout = paklayout::ReadLayout(file, archive);
    paklayout::ForEachFile(layout.Root, [](paklayout::TFileRecord& record) {
        record.Offset = record.StoredSize = record.UnpackedSize = 0;
    });
    std::string bytes = paklayout::HeaderWithRoot(layout.Header, 0);
    paklayout::AppendDirectory(bytes, layout.Root);
    return bytes;
}

std::string StoredBytes(const std::string& archive, const std::string& path) {
    TPakReader reader;
    reader.Open(archive);
    for (int32_t i = 0; i < reader.Count(); ++i)
        if (reader.EntryPath(i) == path)
            return ReadFileBytes(archive).substr(reader.Entry(i).Offset,
                                                 reader.Entry(i).StoredSize);
    ADD_FAILURE() << path;
    return {};
}

class ArchiveBuilder : public ::testing::Test {
protected:
    std::string Folder(const TTree& tree, const std::string& name = "ordner") {
        const std::string folder = FDir / name;
        for (const auto& [path, content] : tree) {
            fs::create_directories(fs::path(folder + "/" + path).parent_path());
            WriteFileBytes(folder + "/" + path, content);
        }
        fs::create_directories(folder);
        return folder;
    }
    bool OnlyFiles(const std::vector<std::string>& names) {
        std::vector<std::string> found;
        for (const auto& item : fs::directory_iterator(FDir.Path()))
            if (item.is_regular_file())
                found.push_back(item.path().filename());
        std::sort(found.begin(), found.end());
        return found == names;
    }
    TTempDir FDir;
};

TEST_F(ArchiveBuilder, UpdateKeepsEveryOtherEntryAndFieldAndTheTreeComesBack) {
    const std::string old = GameArchive(FDir / "alt.pak");
    const std::string folder = FDir / "ordner";
    ExtractAll(old, folder);
    WriteFileBytes(folder + "/karten/tief/drei.txt", TextOf(50, 6000));

    pakbuild::TProgress progress;
    pakbuild::TOptions options;
    options.Progress = &progress;
    const pakbuild::TReport report =
        pakbuild::UpdateArchive(old, FDir / "neu.pak", folder, options);
    EXPECT_GT(progress.Total, 6000u);
    EXPECT_EQ(progress.Done, progress.Total);
    EXPECT_EQ(report.Replaced, 1);
    EXPECT_EQ(report.Kept, 5);
    EXPECT_TRUE(report.LeftOut.empty());

    EXPECT_EQ(RecordsWithoutPlaces(FDir / "neu.pak"), RecordsWithoutPlaces(old));
    for (const char* path : {"karten/eins.txt", "karten/zwei.bin", "karten/vier.txt", "wurzel.txt"})
        EXPECT_EQ(StoredBytes(FDir / "neu.pak", path), StoredBytes(old, path)) << path;
    EXPECT_NE(StoredBytes(FDir / "neu.pak", "karten/tief/drei.txt"),
              StoredBytes(old, "karten/tief/drei.txt"));
    EXPECT_EQ(ContentOf(FDir / "neu.pak"), ReadTree(folder));

    ExtractAll(FDir / "neu.pak", FDir / "wieder");
    EXPECT_EQ(ReadTree(FDir / "wieder"), ReadTree(folder));
}

TEST_F(ArchiveBuilder, AddedFilesTakeTheirNeighboursValuesAndRemovedOnesGo) {
    const std::string old = GameArchive(FDir / "alt.pak");
    const std::string folder =
        Folder({{"karten/neu.txt", TextOf(7, 3000)}, {"ganz/neu/da.txt", "da"}});
    pakbuild::TOptions options;
    options.Remove = {"karten/tief", "wurzel.txt", "fehlt/*"};
    pakbuild::TReport report = pakbuild::UpdateArchive(old, FDir / "ohne.pak", folder, options);
    EXPECT_EQ(report.LeftOut, (std::vector<std::string>{"ganz/neu/da.txt", "karten/neu.txt"}));
    EXPECT_EQ(report.RemoveNotFound, (std::vector<std::string>{"fehlt/*"}));
    EXPECT_EQ(report.Removed, 2);

    options.Add = true;
    report = pakbuild::UpdateArchive(old, FDir / "neu.pak", folder, options);
    EXPECT_EQ(report.Added, 2);
    TReadFile file;
    file.Open(FDir / "neu.pak");
    const paklayout::TLayout layout = paklayout::ReadLayout(file, "neu.pak");
    std::map<std::string, std::string> heads;
    paklayout::ForEachFile(layout.Root,
                           [&](const paklayout::TFileRecord& r) { heads[r.Path] = r.Head; });
    EXPECT_EQ(heads.count("karten/tief/drei.txt") + heads.count("wurzel.txt"), 0u);
    EXPECT_EQ(heads["karten/neu.txt"], Head('2')); // the last file of its folder's record
    EXPECT_EQ(heads["ganz/neu/da.txt"], std::string(paklayout::kRecordHeadSize, '\0'));
    const TTree content = ContentOf(FDir / "neu.pak");
    EXPECT_EQ(content.at("karten/neu.txt"), TextOf(7, 3000));
    EXPECT_EQ(content.at("ganz/neu/da.txt"), "da");

    // The reader numbers entries as the records lie: the new folder's file before the root's.
    TPakReader reader;
    reader.Open(FDir / "neu.pak");
    std::vector<std::string> order;
    for (int32_t i = 0; i < reader.Count(); ++i)
        order.emplace_back(reader.EntryPath(i));
    EXPECT_EQ(order,
              (std::vector<std::string>{"karten/eins.txt", "karten/zwei.bin", "karten/neu.txt",
                                        "karten/vier.txt", "ganz/neu/da.txt", "leer.txt"}));
}

TEST_F(ArchiveBuilder, CreateGivesTheFolderBackWithZlibStreamsOnlyWhereTheySave) {
    const TTree tree{{"a/b/text.txt", TextOf(1, 20000)},
                     {"a/rauschen.bin", std::string("\x93\x11\xfe\x07\x42", 5)},
                     {"bild.png", TextOf(2, 5000)},
                     {"gr\xC3\xBC\xC3\x9F"
                      "e.txt",
                      "Gr\xC3\xBC\xC3\x9F"
                      "e"},
                     {"leer", ""}};
    const std::string folder = Folder(tree);
    fs::create_directories(folder + "/leerer/ordner");
    pakbuild::TOptions options;
    options.Store = {"*.png"};
    pakbuild::CreateArchive(FDir / "neu.pak", folder, options);

    TPakReader reader;
    reader.Open(FDir / "neu.pak");
    std::map<std::string, bool> compressed;
    for (int32_t i = 0; i < reader.Count(); ++i)
        compressed[std::string(reader.EntryPath(i))] = reader.EntryIsCompressed(i);
    EXPECT_EQ(compressed, (std::map<std::string, bool>{{"a/b/text.txt", true},
                                                       {"a/rauschen.bin", false},
                                                       {"bild.png", false},
                                                       {"gr\xFC\xDF"
                                                        "e.txt",
                                                        false},
                                                       {"leer", false}}));
    ExtractAll(FDir / "neu.pak", FDir / "zurueck");
    TTree back = ReadTree(FDir / "zurueck");
    EXPECT_EQ(back.size(), tree.size());
    EXPECT_EQ(back.at("gr\xFC\xDF"
                      "e.txt"),
              "Gr\xC3\xBC\xC3\x9F"
              "e"); // name held as cp1252
    back.erase("gr\xFC\xDF"
               "e.txt");
    TTree expected = tree;
    expected.erase("gr\xC3\xBC\xC3\x9F"
                   "e.txt");
    EXPECT_EQ(back, expected);
    ContentOf(FDir / "neu.pak");
}

TEST_F(ArchiveBuilder, OutputIsTheSameAtEveryThreadCountAndLevelChangesIt) {
    TTree tree;
    for (int i = 0; i < 40; ++i)
        tree["d" + std::to_string(i % 7) + "/f" + std::to_string(39 - i)] = TextOf(i, 500 * i + 1);
    const std::string folder = Folder(tree);
    std::string first;
    for (int threads : {1, 2, 8}) {
        pakbuild::TOptions options;
        options.Threads = threads;
        const std::string name = FDir / ("j" + std::to_string(threads) + ".pak");
        pakbuild::CreateArchive(name, folder, options);
        if (first.empty())
            first = ReadFileBytes(name);
        EXPECT_EQ(ReadFileBytes(name), first) << threads;
    }
    pakbuild::TOptions fast;
    fast.Level = 1;
    pakbuild::CreateArchive(FDir / "l1.pak", folder, fast);
    EXPECT_NE(ReadFileBytes(FDir / "l1.pak"), first);
    EXPECT_EQ(ContentOf(FDir / "l1.pak"), ContentOf(FDir / "j1.pak"));
    fast.Level = 0;
    pakbuild::CreateArchive(FDir / "l0.pak", folder, fast);
    EXPECT_EQ(ContentOf(FDir / "l0.pak"), ContentOf(FDir / "j1.pak"));
    EXPECT_GT(ReadFileBytes(FDir / "l0.pak").size(), first.size());
}

TEST_F(ArchiveBuilder, RefusalsAndCancelWriteNothingAndLeaveTheOldArchive) {
    const std::string old = GameArchive(FDir / "alt.pak");
    const std::string before = ReadFileBytes(old);
    const std::string folder =
        Folder({{"karten/eins.txt", "neu"}, {"Smiley \xE2\x98\xBA.txt", ":)"}});
    try {
        pakbuild::UpdateArchive(old, FDir / "neu.pak", folder, {});
        ADD_FAILURE() << "not refused";
    } catch (const pakbuild::ENamesRefused& e) {
        ASSERT_EQ(e.Messages().size(), 1u);
        EXPECT_NE(e.Messages()[0].find("Smiley \xE2\x98\xBA.txt"), std::string::npos);
        EXPECT_NE(e.Messages()[0].find("Windows-1252"), std::string::npos);
    }
    fs::remove(folder + "/Smiley \xE2\x98\xBA.txt");

    ::link(old.c_str(), (FDir / "verweis.pak").c_str());
    for (const std::string& same : {old, FDir / "verweis.pak"})
        EXPECT_THROW(pakbuild::UpdateArchive(old, same, folder, {}), Exception) << same;

    std::atomic<bool> cancel{true};
    pakbuild::TOptions options;
    options.Cancel = &cancel;
    EXPECT_THROW(pakbuild::UpdateArchive(old, FDir / "neu.pak", folder, options), EAborted);
    EXPECT_THROW(pakbuild::UpdateArchive(old, FDir / "fehlt/neu.pak", folder, {}), EFCreateError);
    EXPECT_EQ(ReadFileBytes(old), before);
    EXPECT_TRUE(OnlyFiles({"alt.pak", "verweis.pak"}));
}

TEST_F(ArchiveBuilder, LinksAreTakenOnlyToFilesInsideTheFolder) {
    const std::string folder = Folder({{"echt.txt", "echt"}, {"sub/x.txt", "x"}});
    WriteFileBytes(FDir / "draussen.txt", "geheim");
    fs::create_symlink(folder + "/echt.txt", folder + "/innen.txt");
    fs::create_symlink(FDir / "draussen.txt", folder + "/aussen.txt");
    fs::create_directory_symlink(folder + "/sub", folder + "/schleife");
    fs::create_directory_symlink(FDir.Path(), folder + "/hinaus");
    const pakbuild::TReport report = pakbuild::CreateArchive(FDir / "neu.pak", folder, {});
    EXPECT_EQ(ContentOf(FDir / "neu.pak"),
              (TTree{{"echt.txt", "echt"}, {"innen.txt", "echt"}, {"sub/x.txt", "x"}}));
    EXPECT_EQ(report.Skipped.size(), 3u);
}

} // namespace
