// Sizes as the list and the status bar show them: "Größen lesbar" on and off (remembered, the
// order still the numbers'), and the status bar's second field for a selection and for none.
#include "SelectionStatus.h"
#include "SizeText.h"
#include "WindowFixture.h"

#include <QAction>
#include <QHeaderView>

class TestSizes : public QObject, TWindowFixture {
    Q_OBJECT

    QString Cell(int row, int column) const {
        const QAbstractItemModel* list = FWindow->Files().lvFiles()->model();
        return list->index(row, column).data().toString();
    }
    QString SelectionText() const {
        FWindow->SelectionStatus().Refresh();
        return FWindow->SelectionStatus().text();
    }

private slots:
    void init() {
        SetUpWindow(0);
        TPakWriter writer;
        writer.AddStored("daten/gross.bin", std::string(1500, 'g'));
        writer.AddStored("daten/klein.bin", std::string(999, 'k'));
        writer.AddCompressed("daten/packt.txt", std::string(40000, 'p'));
        Open(writer);
        SelectDirectory("daten");
    }
    void cleanup() { TearDownWindow(); }

    void readableSizes_data() {
        QTest::addColumn<qulonglong>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing") << 0ULL << "0 B";
        QTest::newRow("below a KB") << 999ULL << "999 B";
        QTest::newRow("a KB") << 1000ULL << "1,0 KB";
        QTest::newRow("rounds into MB") << 999950ULL << "1,0 MB";
        QTest::newRow("MB") << 12345678ULL << "12,3 MB";
        QTest::newRow("GB beyond a thousand") << 1234567890123ULL << "1.234,6 GB";
    }
    void readableSizes() {
        QFETCH(qulonglong, bytes);
        QFETCH(QString, text);
        QCOMPARE(ReadableSize(bytes), text);
    }

    void sizesReadableOnAndOffRememberedSortedByNumber() {
        QAction* readable = FWindow->Files().acReadableSizes();
        QVERIFY(!readable->isChecked());
        QCOMPARE(Cell(0, 1), QString("1500"));
        FWindow->ShowColumnCommand(TListColumn::Unpacked, true);
        readable->setChecked(true);
        QCOMPARE(Cell(0, 1), QString("1,5 KB"));
        QCOMPARE(Cell(1, 1), QString("999 B"));
        QCOMPARE(Cell(2, 2), QString("40,0 KB")); // "Entpackt"
        FWindow->SortCommand(1);
        QCOMPARE(Cell(0, 0), QString("packt.txt"));
        QCOMPARE(Cell(1, 1), QString("999 B"));
        QCOMPARE(Cell(2, 1), QString("1,5 KB"));

        // The next window starts as this one was left; off again, the plain number.
        FWindow.reset();
        FWindow = std::make_unique<TfrmMain>(FPrompts, FStore);
        QVERIFY(FWindow->Files().acReadableSizes()->isChecked());
        FWindow->OpenArchiveCommand(FDir->filePath("archiv.pak"));
        WaitIdle();
        SelectDirectory("daten");
        QCOMPARE(Cell(0, 1), QString("1,5 KB"));
        FWindow->Files().acReadableSizes()->setChecked(false);
        QCOMPARE(Cell(0, 1), QString("1500"));
    }

    void selectionFieldCountsTheSelectionOrTheFolder() {
        // Stored sizes: 1,500 + 999 + the zlib stream of 40,000 equal bytes (well below 1 KB).
        const QString packed = SelectionText();
        QVERIFY2(packed.startsWith("3 Dateien · 2,") && packed.endsWith("(entpackt 42,5 KB)"),
                 qPrintable(packed));
        QTreeView* list = FWindow->Files().lvFiles();
        list->setCurrentIndex(list->model()->index(0, 0));
        QCOMPARE(SelectionText(), QString("1 Datei ausgewählt · 1,5 KB (entpackt 1,5 KB)"));
        list->selectionModel()->select(list->model()->index(1, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(SelectionText(), QString("2 Dateien ausgewählt · 2,5 KB (entpackt 2,5 KB)"));
        // The first field keeps the window's own text.
        QCOMPARE(FWindow->StatusText(), QString("3 Dateien"));
        // It follows by itself.
        list->clearSelection();
        QTRY_VERIFY(FWindow->SelectionStatus().text().startsWith("3 Dateien · "));
        SelectDirectory("");
        QTRY_COMPARE(FWindow->SelectionStatus().text(), QString("Keine Dateien"));
    }
};

QTEST_MAIN(TestSizes)
#include "tst_sizes.moc"
