// Browsing beyond the folders: find, several files selected, sorting, long lists, optional
// columns and dragging files out, headless through the window's own commands.
#include "DirectoryTreeModel.h"
#include "MemoryRegistryStore.h"
#include "TestFiles.h"
#include "WindowFixture.h"

#include <QAction>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTreeView>

namespace {

QStringList Column(const QAbstractItemModel* model, int column = 0) {
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    return texts;
}

QStringList Headers(const QAbstractItemModel* model) {
    QStringList texts;
    for (int section = 0; section < model->columnCount(); ++section)
        texts << model->headerData(section, Qt::Horizontal, Qt::DisplayRole).toString();
    return texts;
}

} // namespace

class TestBrowse : public QObject, TWindowFixture {
    Q_OBJECT

    void OpenGameData() {
        TPakWriter writer;
        writer.AddStored("liesmich.txt", "hallo");
        writer.AddStored("bild.dds", "dds-wurzel");
        writer.AddCompressed("daten/texte/\xDC"
                             "bersicht.txt",
                             std::string(4000, 'u'));
        writer.AddStored("daten/karten/karte_01.png", "eins");
        writer.AddStored("daten/karten/karte_1.png", "kurz");
        writer.AddStored("modelle/bild.DDS", "dds-modell");
        writer.AddStored("daten/../hinaus.txt", "nein");
        Open(writer);
    }

    void Find(const QString& text) {
        QSignalSpy found(FWindow.get(), &TfrmMain::FindFinished);
        FWindow->SetFindText(text);
        QVERIFY(found.wait(5000));
    }

    void SelectRows(std::initializer_list<int> rows) {
        QItemSelectionModel* selection = FWindow->Files().lvFiles()->selectionModel();
        selection->clearSelection();
        for (const int row : rows)
            selection->select(FWindow->Files().lvFiles()->model()->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selection->setCurrentIndex(FWindow->Files().lvFiles()->model()->index(*rows.begin(), 0),
                                   QItemSelectionModel::NoUpdate);
    }

private slots:
    void init() { SetUpWindow(0); }
    void cleanup() {
        TearDownWindow();
        qunsetenv("TMPDIR");
    }

    void findFiltersNamesOfTheWholeArchiveUntilEscape() {
        OpenGameData();
        FWindow->FindCommand();
        QVERIFY(FWindow->FindOpen());
        QVERIFY(FWindow->Files().pnFind()->isVisibleTo(FWindow.get()));

        // Case and umlauts do not matter; the hits say where they are.
        Find("ÜBERSICHT");
        QCOMPARE(Column(FWindow->Files().lvFiles()->model()), QStringList{"Übersicht.txt"});
        QCOMPARE(Headers(FWindow->Files().lvFiles()->model()),
                 (QStringList{"Dateiname", "Größe", "Ordner"}));
        QCOMPARE(Column(FWindow->Files().lvFiles()->model(), 2), QStringList{"daten/texte"});
        QCOMPARE(FWindow->StatusText(), QStringLiteral("1 Treffer"));

        // A pattern matches whole names, in the tree's order.
        Find("*.dds");
        QCOMPARE(Column(FWindow->Files().lvFiles()->model()),
                 (QStringList{"bild.dds", "bild.DDS"}));
        Find("karte_??.png");
        QCOMPARE(Column(FWindow->Files().lvFiles()->model()), QStringList{"karte_01.png"});
        Find("gibt es nicht");
        QCOMPARE(FWindow->Files().lvFiles()->model()->rowCount(), 0);

        QTest::keyClick(FWindow->Files().edFind(), Qt::Key_Escape);
        QVERIFY(!FWindow->FindOpen());
        QCOMPARE(Column(FWindow->Files().lvFiles()->model()),
                 (QStringList{"bild.dds", "liesmich.txt"}));
        QCOMPARE(FWindow->StatusText(), QStringLiteral("7 Dateien"));
    }

    void aHitIsExtractedLikeADoubleClickAndShownInItsFolder() {
        OpenGameData();
        FWindow->FindCommand();
        Find("bersicht");
        SelectRows({0});
        const QString target = Destination("übersicht.txt");
        FPrompts.SaveAnswers.push_back(target);
        QTest::keyClick(FWindow->Files().lvFiles(), Qt::Key_Return);
        WaitIdle();
        QCOMPARE(FPrompts.SavePresets, QStringList{"Übersicht.txt"});
        QCOMPARE(ReadFileBytes(target.toStdString()), std::string(4000, 'u'));

        FWindow->Files().acShowInFolder()->trigger();
        QVERIFY(!FWindow->FindOpen());
        QCOMPARE(FWindow->Folders().tvDirectories()->currentIndex().data().toString(),
                 QStringLiteral("texte"));
        QCOMPARE(FWindow->Files().lvFiles()->currentIndex().data().toString(),
                 QStringLiteral("Übersicht.txt"));
    }

    void severalSelectedFilesGoSideBySideIntoAChosenFolder() {
        OpenGameData();
        SelectDirectory("daten/karten");
        SelectRows({0, 1});
        FPrompts.FolderAnswers.push_back(Destination());
        FWindow->ExtractSelectedFileCommand();
        WaitIdle();
        QVERIFY(FPrompts.SavePresets.isEmpty());
        QCOMPARE(ReadFileBytes(Destination("ziel/karte_01.png").toStdString()), "eins");
        QCOMPARE(ReadFileBytes(Destination("ziel/karte_1.png").toStdString()), "kurz");

        // Hits of a find may share names: they keep their folders.
        FWindow->FindCommand();
        Find("*.dds");
        SelectRows({0, 1});
        FPrompts.FolderAnswers.push_back(Destination("treffer"));
        FWindow->ExtractSelectedFileCommand();
        WaitIdle();
        QCOMPARE(ReadFileBytes(Destination("treffer/bild.dds").toStdString()), "dds-wurzel");
        QCOMPARE(ReadFileBytes(Destination("treffer/modelle/bild.DDS").toStdString()),
                 "dds-modell");
        QVERIFY(FPrompts.Messages.empty());
    }

    void aClickOnAHeaderSortsAndASecondReversesWithTheSelectionKept() {
        TPakWriter writer;
        writer.AddStored("a/mittel.txt", "12345");
        writer.AddStored("a/klein.txt", "1");
        writer.AddStored("a/gro\xDF.txt", "1234567890");
        writer.AddStored("b/zwei.txt", "22");
        writer.AddStored("b/eins.txt", "1");
        Open(writer);
        SelectDirectory("a");
        QCOMPARE(Column(FWindow->Files().lvFiles()->model()),
                 (QStringList{"groß.txt", "klein.txt", "mittel.txt"}));
        SelectRows({2}); // mittel.txt

        FWindow->SortCommand(1);
        QCOMPARE(Column(FWindow->Files().lvFiles()->model(), 1), (QStringList{"1", "5", "10"}));
        FWindow->SortCommand(1);
        QCOMPARE(Column(FWindow->Files().lvFiles()->model(), 1), (QStringList{"10", "5", "1"}));
        QCOMPARE(FWindow->Files().lvFiles()->currentIndex().data().toString(),
                 QStringLiteral("mittel.txt"));
        QCOMPARE(FWindow->Files().lvFiles()->header()->sortIndicatorOrder(), Qt::DescendingOrder);

        // The order chosen holds for the next folder too.
        SelectDirectory("b");
        QCOMPARE(Column(FWindow->Files().lvFiles()->model()),
                 (QStringList{"zwei.txt", "eins.txt"}));
        FWindow->SortCommand(0);
        QCOMPARE(Column(FWindow->Files().lvFiles()->model()),
                 (QStringList{"eins.txt", "zwei.txt"}));
        FWindow->SortCommand(0);
        QCOMPARE(Column(FWindow->Files().lvFiles()->model()),
                 (QStringList{"zwei.txt", "eins.txt"}));

        // Hits from several folders are sorted by their names, not by their folders.
        FWindow->FindCommand();
        Find("*.txt");
        FWindow->SortCommand(0);
        QCOMPARE(Column(FWindow->Files().lvFiles()->model()),
                 (QStringList{"eins.txt", "groß.txt", "klein.txt", "mittel.txt", "zwei.txt"}));
    }

    void hitsComeInTheChosenOrderByNameAcrossFolders() {
        TPakWriter writer;
        writer.AddStored("a/zebra.txt", "1");
        writer.AddStored("a/\xD6l.txt", "22");
        writer.AddStored("b/\xC4pfel.txt", "333");
        writer.AddStored("b/birne.txt", "4444");
        writer.AddStored("c/birne.txt", "55555");
        writer.AddStored("c/ameise.txt", "666666");
        writer.AddStored("c/Birne.txt", "7777777");
        Open(writer);
        SelectDirectory("a");
        FWindow->SortCommand(0); // "Dateiname", remembered for the hits
        FWindow->FindCommand();
        // German order (umlauts with their letters, lower case first), equal names in the tree's.
        Find("*.txt");
        const QStringList byName{"ameise.txt", "Äpfel.txt", "birne.txt", "birne.txt",
                                 "Birne.txt",  "Öl.txt",    "zebra.txt"};
        QCOMPARE(Column(FWindow->Files().lvFiles()->model()), byName);
        QCOMPARE(Column(FWindow->Files().lvFiles()->model(), 2),
                 (QStringList{"c", "b", "b", "c", "c", "a", "a"}));
        QCOMPARE(FWindow->Files().lvFiles()->header()->sortIndicatorOrder(), Qt::AscendingOrder);

        FWindow->SortCommand(0);
        QStringList reversed = byName;
        std::reverse(reversed.begin(), reversed.end());
        QCOMPARE(Column(FWindow->Files().lvFiles()->model()), reversed);
        // The next text is found in the order chosen; so it is by size.
        Find("e");
        QCOMPARE(Column(FWindow->Files().lvFiles()->model()),
                 (QStringList{"zebra.txt", "Birne.txt", "birne.txt", "birne.txt", "Äpfel.txt",
                              "ameise.txt"}));
        FWindow->SortCommand(1);
        Find("i");
        QCOMPARE(Column(FWindow->Files().lvFiles()->model(), 1), (QStringList{"4", "5", "6", "7"}));
    }

    void endReachesTheLastOfManyRows() {
        TPakWriter writer;
        constexpr int kCount = 50000;
        char path[32];
        for (int i = 0; i < kCount; ++i) {
            std::snprintf(path, sizeof path, "viele/datei_%05d.txt", i);
            writer.AddStored(path, "x");
        }
        Open(writer);
        SelectDirectory("viele");
        FWindow->resize(800, 600);
        FWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(FWindow.get()));
        QTreeView* list = FWindow->Files().lvFiles();
        list->setFocus();
        QCOMPARE(list->model()->rowCount(), kCount);
        QTest::keyClick(list, Qt::Key_End);
        QCOMPARE(list->currentIndex().row(), kCount - 1);
        QCOMPARE(list->currentIndex().data().toString(), QStringLiteral("datei_49999.txt"));
        // The scroll bar stands for the whole list: at its end when the last row is.
        QVERIFY(list->verticalScrollBar()->maximum() > 0);
        QCOMPARE(list->verticalScrollBar()->value(), list->verticalScrollBar()->maximum());

        FWindow->FindCommand();
        Find("datei_");
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Home);
        QCOMPARE(list->currentIndex().row(), 0);
        QTest::keyClick(list, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(list->currentIndex().row(), kCount - 1);
        QCOMPARE(list->verticalScrollBar()->value(), list->verticalScrollBar()->maximum());
    }

    void optionalColumnsAreOffAtFirstAndRemembered() {
        auto store = std::make_shared<MemoryRegistryStore>();
        FWindow = std::make_unique<TfrmMain>(FPrompts, store);
        FWindow->SetEventInterval(0);
        TPakWriter writer;
        writer.AddStored("roh.bin", "abcd");
        writer.AddCompressed("gepackt.txt", std::string(1000, 'x'));
        Open(writer);
        QCOMPARE(Headers(FWindow->Files().lvFiles()->model()), (QStringList{"Dateiname", "Größe"}));

        FWindow->Files().ColumnAction(TListColumn::Kind)->trigger();
        FWindow->Files().ColumnAction(TListColumn::Unpacked)->trigger();
        QCOMPARE(Headers(FWindow->Files().lvFiles()->model()),
                 (QStringList{"Dateiname", "Größe", "Entpackt", "Art"}));
        QCOMPARE(Column(FWindow->Files().lvFiles()->model(), 2), (QStringList{"1000", "4"}));
        QCOMPARE(Column(FWindow->Files().lvFiles()->model(), 3),
                 (QStringList{"gepackt", "ungepackt"}));

        FWindow = std::make_unique<TfrmMain>(FPrompts, store);
        QVERIFY(FWindow->Files().ColumnAction(TListColumn::Kind)->isChecked() &&
                FWindow->Files().ColumnAction(TListColumn::Unpacked)->isChecked());
        QVERIFY(!FWindow->Files().ColumnAction(TListColumn::Ratio)->isChecked());
        FWindow->Files().ColumnAction(TListColumn::Kind)->trigger();
        FWindow = std::make_unique<TfrmMain>(FPrompts, store);
        QVERIFY(!FWindow->Files().ColumnAction(TListColumn::Kind)->isChecked() &&
                FWindow->Files().ColumnAction(TListColumn::Unpacked)->isChecked());
    }

    // Drags write below the temporary folder the environment names: one of the test's own.
    QStringList UseTemporaryFolder() {
        const QString folder = Destination("temp");
        QDir().mkpath(folder);
        qputenv("TMPDIR", QFile::encodeName(folder));
        return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }
    QStringList LeftInTemporaryFolder() const {
        return QDir(Destination("temp"))
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    void aDragWritesOnlyWhenADropAsksAndTheCopyGoesOnceTheDropIsHandled() {
        QCOMPARE(UseTemporaryFolder(), QStringList());
        OpenGameData();
        SelectDirectory("daten/karten");
        const TFileListModel* list =
            qobject_cast<const TFileListModel*>(FWindow->Files().lvFiles()->model());
        const std::vector<int32_t> both{list->EntryAt(0), list->EntryAt(1)};
        // The views start a drag only from items that say they may be dragged.
        QVERIFY(list->flags(list->index(0, 0)) & Qt::ItemIsDragEnabled);

        // Cancelled: nobody asked for the files, so none were written.
        std::unique_ptr<QMimeData> files(FWindow->Drag().CreateDragData(both, nullptr));
        QVERIFY(files && files->hasUrls());
        QVERIFY(!FWindow->Busy());
        files.reset();
        QCOMPARE(LeftInTemporaryFolder(), QStringList());

        // Dropped: the target's asking writes them; once the drop is handled they go.
        files.reset(FWindow->Drag().CreateDragData(both, nullptr));
        const QList<QUrl> urls = files->urls();
        QCOMPARE(urls.size(), 2);
        QCOMPARE(ReadFileBytes(urls[0].toLocalFile().toStdString()), "eins");
        QCOMPARE(QFileInfo(urls[1].toLocalFile()).fileName(), QStringLiteral("karte_1.png"));
        QCOMPARE(LeftInTemporaryFolder().size(), 1);
        files.reset();
        QCOMPARE(LeftInTemporaryFolder(), QStringList());

        // A folder comes with everything below it. The next drag removes a copy still held.
        const TDirNode* daten = FWindow->DirectoryModel().Root()->FindCaptionPath("daten");
        QVERIFY(FWindow->DirectoryModel().flags(FWindow->DirectoryModel().IndexOf(daten)) &
                Qt::ItemIsDragEnabled);
        std::unique_ptr<QMimeData> folder(FWindow->Drag().CreateDragData({}, daten));
        const QString dropped = folder->urls().value(0).toLocalFile();
        QCOMPARE(QFileInfo(dropped).fileName(), QStringLiteral("daten"));
        QCOMPARE(ReadFileBytes((dropped + "/texte/Übersicht.txt").toStdString()),
                 std::string(4000, 'u'));
        std::unique_ptr<QMimeData> next(FWindow->Drag().CreateDragData({}, daten));
        QVERIFY(!QFileInfo::exists(dropped));
        QVERIFY(folder->urls().isEmpty());
        QCOMPARE(LeftInTemporaryFolder(), QStringList());
        // ... and the program's end the last one.
        const QString last = next->urls().value(0).toLocalFile();
        QVERIFY(QFileInfo::exists(last + "/texte/Übersicht.txt"));
        FWindow.reset();
        QVERIFY(!QFileInfo::exists(last));
        QCOMPARE(LeftInTemporaryFolder(), QStringList());

        // A folder named ".." would hand the receiver the folder above the drag's own.
        SetUpWindow(0);
        UseTemporaryFolder();
        OpenGameData();
        const TDirNode* up = FWindow->DirectoryModel().Root()->FindCaptionPath("daten/..");
        QVERIFY(up);
        QCOMPARE(FWindow->Drag().CreateDragData({}, up), nullptr);
    }

    void aDragThatWouldNotFitIntoTheTemporaryFolderIsRefused() {
        UseTemporaryFolder();
        TPakWriter writer;
        writer.AddStored("klein.txt", "klein");
        writer.AddCompressed("riesig.bin", std::string(1000, 'r')).UnpackedSize = uint64_t(1) << 55;
        Open(writer);
        const TFileListModel* list =
            qobject_cast<const TFileListModel*>(FWindow->Files().lvFiles()->model());
        QCOMPARE(FWindow->Drag().CreateDragData({list->EntryAt(0), list->EntryAt(1)}, nullptr),
                 nullptr);
        QCOMPARE(FPrompts.Messages.size(), size_t(1));
        QVERIFY(FPrompts.Messages[0].Text.startsWith(
            QStringLiteral("Zum Ziehen müssten 36.028.797,0 GB in den temporären Ordner")));
        QCOMPARE(LeftInTemporaryFolder(), QStringList());
        // What fits is offered.
        std::unique_ptr<QMimeData> fits(
            FWindow->Drag().CreateDragData({list->EntryAt(0)}, nullptr));
        QVERIFY(fits && fits->hasUrls());
    }
};

QTEST_MAIN(TestBrowse)
#include "tst_browse.moc"
