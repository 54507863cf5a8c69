// "Vergleichen mit..." end to end: the changes in the file list with their column, the marked
// folders, files that extract as usual, and Escape back to the folder.
#include "CompareCommand.h"
#include "PreviewContent.h"
#include "WindowFixture.h"

#include <QSignalSpy>
#include <QtTest>

class TestCompareCommand : public QObject, TWindowFixture {
    Q_OBJECT

    QString Cell(int row, TListColumn column) const {
        auto* list = qobject_cast<TFileListModel*>(FWindow->Files().lvFiles()->model());
        return list->index(row, list->ColumnOf(column)).data().toString();
    }

private slots:
    void init() {
        SetUpWindow(100);
        TPakWriter older;
        older.AddStored("karten/gleich.txt", "bleibt");
        older.AddStored("karten/alt.txt", "vorher");
        older.AddStored("weg/fort.txt", "fort");
        WriteFileBytes(FDir->filePath("alt.pak").toStdString(), older.Finish());
        TPakWriter current;
        current.AddCompressed("karten/gleich.txt", "bleibt", 9);
        current.AddStored("karten/alt.txt", "nachher");
        current.AddStored("neu.txt", "dazu");
        Open(current);
    }
    void cleanup() { TearDownWindow(); }

    void showsTheChangesAndMarksTheirFoldersUntilEscape() {
        FPrompts.OpenAnswers.push_back(FDir->filePath("alt.pak"));
        FWindow->CompareCommand();
        WaitIdle();
        QTreeView* list = FWindow->Files().lvFiles();
        QCOMPARE(list->model()->rowCount(), 3);
        QStringList rows;
        for (int row = 0; row < 3; ++row)
            rows << Cell(row, TListColumn::Change) + " " + Cell(row, TListColumn::Folder) + "/" +
                        Cell(row, TListColumn::Name);
        rows.sort();
        QCOMPARE(rows,
                 (QStringList{"entfernt weg/fort.txt", "geändert karten/alt.txt", "neu /neu.txt"}));
        QVERIFY(FWindow->StatusText().startsWith("3 Änderungen zu alt.pak"));
        TDirectoryTreeModel& tree = FWindow->DirectoryModel();
        QVERIFY(tree.Root()->FindCaptionPath("karten")->Changed);
        QVERIFY(tree.Root()->Changed); // the removed folder's nearest one, and the new file's

        // The changed file extracts as usual; the removed one is nothing to extract.
        for (int row = 0; row < 3; ++row)
            if (Cell(row, TListColumn::Change) == "geändert")
                list->setCurrentIndex(list->model()->index(row, 0));
        FPrompts.SaveAnswers.push_back(Destination("alt.txt"));
        FWindow->ExtractSelectedFileCommand();
        WaitIdle();
        QTRY_COMPARE(QString::fromStdString(ReadFileBytes(Destination("alt.txt").toStdString())),
                     QStringLiteral("nachher"));

        // The removed file is previewed from the older archive; it goes with the list.
        for (int row = 0; row < 3; ++row)
            if (Cell(row, TListColumn::Change) == "entfernt")
                list->setCurrentIndex(list->model()->index(row, 0));
        QSignalSpy updated(&FWindow->Preview(), &TPreviewDialog::Updated);
        FWindow->PreviewCommand();
        QVERIFY(updated.wait(10000));
        QCOMPARE(FWindow->Preview().Shown()->Path, QStringLiteral("weg/fort.txt"));
        QCOMPARE(FWindow->Preview().Shown()->Text, QStringLiteral("fort"));

        QTest::keyClick(list, Qt::Key_Escape);
        QVERIFY(!FWindow->Files().OtherListShown());
        QVERIFY(!FWindow->Preview().isVisible());
        QVERIFY(!tree.Root()->FindCaptionPath("karten")->Changed);
        QVERIFY(!tree.Root()->Changed);
    }

    void aMissingOlderArchiveIsToldAndTheListStays() {
        FPrompts.OpenAnswers.push_back(FDir->filePath("fehlt.pak"));
        FWindow->CompareCommand();
        WaitIdle();
        QTRY_VERIFY(!FPrompts.Messages.empty());
        QVERIFY(FPrompts.MessageTexts().last().contains("fehlt.pak"));
        QVERIFY(!FWindow->Files().OtherListShown());
    }
};

QTEST_MAIN(TestCompareCommand)
#include "tst_compare_command.moc"
