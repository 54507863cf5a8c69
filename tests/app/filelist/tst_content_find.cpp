// The find in the files' content ("im Inhalt", Ctrl+Umschalt+F): the files that hold the text,
// stored or compressed, UTF-8 or Windows-1252, with their first matching line; each keystroke
// supersedes the search before; Escape ends it.
#include "FindBar.h"
#include "LineView.h"
#include "WindowFixture.h"

#include <QCheckBox>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

class TestContentFind : public QObject, TWindowFixture {
    Q_OBJECT

    QStringList Hits() const {
        auto* list = qobject_cast<TFileListModel*>(FWindow->Files().lvFiles()->model());
        QStringList rows;
        for (int row = 0; row < list->rowCount(); ++row)
            rows << list->index(row, list->ColumnOf(TListColumn::Name)).data().toString() + ": " +
                        list->index(row, list->ColumnOf(TListColumn::Line)).data().toString();
        return rows;
    }

    void FindAndWait(const QString& text) {
        QSignalSpy finished(FWindow.get(), &TfrmMain::FindFinished);
        FWindow->SetFindText(text);
        QVERIFY(finished.wait(10000));
    }

private slots:
    void init() {
        SetUpWindow(100);
        TPakWriter writer;
        writer.AddCompressed("texte/sage.txt", "Es war einmal.\nDer DRACHE schläft.\nEnde\n");
        writer.AddStored("texte/alt.txt", "Zeile\n\xDC"
                                          "ber den Drachen\n"); // Windows-1252
        writer.AddStored("daten/bild.bin", std::string("\0\1Drache\2", 10));
        writer.AddStored("daten/leer.txt", "nichts hier");
        Open(writer);
    }
    void cleanup() { TearDownWindow(); }

    void listsTheFilesThatHoldTheTextWithTheirFirstLine() {
        FWindow->FindInContentCommand();
        QVERIFY(FWindow->Files().pnFind()->cbContent()->isChecked());
        FindAndWait(QStringLiteral("drache"));
        QStringList hits = Hits();
        hits.sort();
        QCOMPARE(hits, (QStringList{"alt.txt: Über den Drachen", "bild.bin: (Binärdatei)",
                                    "sage.txt: Der DRACHE schläft."}));
        QCOMPARE(FWindow->StatusText(), QStringLiteral("3 Treffer in 4 Dateien"));

        // A keystroke supersedes the search before; umlauts fold as well.
        FWindow->SetFindText(QStringLiteral("nicht"));
        FindAndWait(QStringLiteral("ÜBER"));
        QCOMPARE(Hits(), QStringList{"alt.txt: Über den Drachen"});

        // Without "im Inhalt" the same text is a name again; Escape ends the find.
        FWindow->Files().pnFind()->cbContent()->setChecked(false);
        QTRY_COMPARE(FWindow->StatusText(), QStringLiteral("0 Treffer"));
        FWindow->CloseFindCommand();
        QVERIFY(!FWindow->FindOpen());
    }

    void thePreviewOfAHitShowsItsLineHighlighted() {
        // The hit on the content's line 600, after a first line so long that it is shown as
        // three: the preview counts the lines as the find does.
        std::string text(2500, 'x');
        for (int line = 2; line <= 1000; ++line)
            text += "\nZeile " + std::to_string(line) + (line == 600 ? " mit dem Schatz" : "");
        TPakWriter writer;
        writer.AddCompressed("lang.txt", text);
        const QString path = FDir->filePath("lang.pak");
        WriteFileBytes(path.toStdString(), writer.Finish());
        FPrompts.OpenAnswers.push_back(path);
        FWindow->OpenCommand();
        WaitIdle();
        FWindow->show(); // the preview pane gets its height: "in sight" means something

        FWindow->FindInContentCommand();
        FindAndWait(QStringLiteral("schatz"));
        QTreeView* list = FWindow->Files().lvFiles();
        list->setCurrentIndex(list->model()->index(0, 0));
        QSignalSpy updated(&FWindow->Preview(), &TPreviewDialog::Updated);
        FWindow->PreviewCommand();
        QVERIFY(updated.wait(10000));
        TLineView* lines = FWindow->Preview().pvLines;
        QCOMPARE(lines->Highlight(), qsizetype(601));
        QCOMPARE(lines->Line(601), QStringLiteral("Zeile 600 mit dem Schatz"));
        QVERIFY(lines->FirstVisibleLine() <= 601 &&
                601 < lines->FirstVisibleLine() + lines->VisibleLineCount());

        // The same file in its folder is no hit: nothing is highlighted.
        FWindow->ShowInFolderCommand();
        QTRY_COMPARE(lines->Highlight(), qsizetype(-1));
    }
};

QTEST_MAIN(TestContentFind)
#include "tst_content_find.moc"
