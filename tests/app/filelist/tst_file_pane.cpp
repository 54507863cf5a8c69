// The file list pane with an archive session and no window around it: what the list shows of a
// folder, how it sorts, its optional columns and the find whose hits take the folder's place.
#include "ArchiveSession.h"
#include "DirectoryTreeModel.h"
#include "FakePrompts.h"
#include "FilePane.h"
#include "FindBar.h"
#include "MemoryRegistryStore.h"
#include "PakWriter.h"
#include "StatusLine.h"
#include "TestFiles.h"
#include "WindowState.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

class TestFilePane : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    TFakePrompts FPrompts;
    std::unique_ptr<QWidget> FWindow;
    std::unique_ptr<TWindowState> FState;
    TStatusLine* FStatus = nullptr;
    TArchiveSession* FSession = nullptr;
    TFilePane* FPane = nullptr;

    // The names the list shows, top to bottom.
    QStringList Names() const {
        const QAbstractItemModel* list = FPane->lvFiles()->model();
        QStringList names;
        for (int row = 0; row < list->rowCount(); ++row)
            names << list->index(row, 0).data().toString();
        return names;
    }

private slots:
    void init() {
        TPakWriter writer;
        writer.AddStored("b.txt", "123");
        writer.AddStored("a.txt", "12345");
        writer.AddStored("c.txt", "1");
        writer.AddStored("tief/a.dds", "12");
        const QString path = FDir.filePath("archiv.pak");
        WriteFileBytes(path.toStdString(), writer.Finish());

        FWindow = std::make_unique<QWidget>();
        FState = std::make_unique<TWindowState>(std::make_shared<MemoryRegistryStore>(), "Test");
        FStatus = new TStatusLine(FWindow.get());
        FSession = new TArchiveSession(FPrompts, *FStatus, *FState, FWindow.get());
        FPane = new TFilePane(*FSession, FPrompts, *FStatus, *FState, FWindow.get());
        connect(FSession, &TArchiveSession::Closing, FPane, &TFilePane::ForgetArchive);
        QSignalSpy installed(FSession, &TArchiveSession::Installed);
        FSession->OpenArchive(path);
        QVERIFY(installed.wait());
        QTRY_VERIFY(FSession->Open());
        // As the folder pane does when the root is chosen.
        FSession->Tree().SetSelectedNode(FSession->Tree().Root());
        FPane->ShowFolder(FSession->Tree().Root());
    }

    void cleanup() {
        FSession->Shutdown(); // the find reads the archive: it goes first
        FWindow.reset();
    }

    void folderListSortsByHeaderAndBack() {
        QAbstractItemModelTester tester(FPane->lvFiles()->model());
        QCOMPARE(Names(), (QStringList{"a.txt", "b.txt", "c.txt"}));
        FPane->Sort(1); // "Größe"
        QCOMPARE(Names(), (QStringList{"c.txt", "b.txt", "a.txt"}));
        QVERIFY(FPane->lvFiles()->header()->isSortIndicatorShown());
        FPane->Sort(1);
        QCOMPARE(Names(), (QStringList{"a.txt", "b.txt", "c.txt"}));
        QCOMPARE(FPane->lvFiles()->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    }

    void optionalColumnIsShownAndRemembered() {
        FPane->ShowColumn(TListColumn::Kind, true);
        QCOMPARE(FPane->lvFiles()->model()->columnCount(), 3);
        QCOMPARE(FState->Text(TWindowState::kColumns), QStringLiteral("Kind"));
        FPane->ShowColumn(TListColumn::Kind, false);
        QCOMPARE(FPane->lvFiles()->model()->columnCount(), 2);
    }

    void findShowsHitsWithTheirFoldersUntilClosed() {
        QSignalSpy found(FPane, &TFilePane::FindFinished);
        FPane->Find();
        QVERIFY(FPane->FindOpen());
        QVERIFY(!FPane->pnFind()->isHidden());
        FPane->edFind()->setText("a");
        QVERIFY(found.wait());
        QCOMPARE(found.last().at(0).toInt(), 2);
        QCOMPARE(Names(), (QStringList{"a.txt", "a.dds"}));
        QCOMPARE(FPane->lvFiles()->model()->columnCount(), 3); // "Ordner"
        QCOMPARE(FStatus->text(), QStringLiteral("2 Treffer"));

        QTest::keyClick(FPane->edFind(), Qt::Key_Escape);
        QVERIFY(!FPane->FindOpen());
        QCOMPARE(Names(), (QStringList{"a.txt", "b.txt", "c.txt"}));
        QCOMPARE(FStatus->text(), QStringLiteral("4 Dateien"));
    }

    void selectionComesInTheListsOrder() {
        QTreeView* view = FPane->lvFiles();
        view->selectionModel()->select(view->model()->index(2, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        view->selectionModel()->select(view->model()->index(0, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(FPane->SelectedRowCount(), 2);
        const std::vector<int32_t> entries = FPane->SelectedEntries();
        QCOMPARE(entries.size(), size_t{2});
        QCOMPARE(TFilePane::EntryOfItem(view->model()->index(0, 0)), entries[0]);
        QCOMPARE(TFilePane::EntryOfItem(view->model()->index(2, 0)), entries[1]);
    }
};

QTEST_MAIN(TestFilePane)
#include "tst_file_pane.moc"
