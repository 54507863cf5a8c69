// "Archiv prüfen...", headless: every entry checked on several threads, nothing written, and
// one report at the end.
#include "PakWriter.h"
#include "WindowFixture.h"
#include "uPakReader.h"

#include <QDir>
#include <QFrame>
#include <QPushButton>
#include <QRegularExpression>

class TestCheck : public QObject, TWindowFixture {
    Q_OBJECT

    void Check() {
        FWindow->CheckArchiveCommand();
        WaitUntilDone();
    }
    void WaitUntilDone() {
        WaitIdle();
        QVERIFY(FWindow->Runs().Panel().isHidden());
        // Nothing is written anywhere.
        QCOMPARE(QDir(FDir->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{"archiv.pak"});
    }

private slots:
    void init() { SetUpWindow(20); }
    void cleanup() { TearDownWindow(); }

    void aSoundArchiveIsAllInOrder() {
        TPakWriter writer;
        writer.AddCompressed("a/eins.txt", std::string(5000, 'e'));
        writer.AddStored("zwei.txt", "zwei");
        writer.AddCompressed("drei.bin", std::string(3 << 20, 'd'));
        Open(writer);
        Check();
        QCOMPARE(FPrompts.MessageTexts(), QStringList{"Alle 3 Dateien sind in Ordnung."});
        QVERIFY(FPrompts.Lists.empty());
        QVERIFY2(QRegularExpression("^3 Dateien geprüft \\(3,2 MB\\) in [0-9,:]+ (s|min) · "
                                    "0 beschädigt$")
                     .match(FWindow->StatusText())
                     .hasMatch(),
                 qPrintable(FWindow->StatusText()));
        QVERIFY(FWindow->Runs().btOpenFolder()->isHidden()); // a check has no folder to open
    }

    void damagedEntriesAreListedInArchiveOrder() {
        FWindow->SetWorkerCount(3);
        TPakWriter writer;
        for (int i = 0; i < 60; ++i) {
            const std::string name = QStringLiteral("d%1/f%2").arg(i % 4).arg(i).toStdString();
            if (i % 3 == 0)
                writer.AddRaw(writer.Directory(name.substr(0, 2)), name, "kein zlib", 100);
            else
                writer.AddCompressed(name, std::string(20000 + i, 'a' + i % 26));
        }
        TPakWriter::TFile& lost = writer.AddStored("weg.txt", "abc");
        lost.StoredSize = lost.UnpackedSize = 1 << 30;
        Open(writer);
        QStringList expected;
        const TPakReader& reader = FWindow->Reader();
        for (int32_t i = 0; i < reader.Count(); ++i) {
            const QString path = QString::fromLatin1(reader.EntryPath(i));
            if (path == "weg.txt")
                expected << "weg.txt (die Daten liegen hinter dem Dateiende)";
            else if (path.mid(path.indexOf("/f") + 2).toInt() % 3 == 0)
                expected << path;
        }
        QCOMPARE(expected.size(), 21);

        Check();
        QVERIFY(FPrompts.Messages.empty()); // no box per entry
        QCOMPARE(FPrompts.Lists.size(), size_t{1});
        QCOMPARE(FPrompts.Lists[0].Text, QStringLiteral("21 von 61 Dateien sind beschädigt:"));
        QCOMPARE(FPrompts.Lists[0].Items, expected);
        QVERIFY(FWindow->StatusText().endsWith(" · 21 beschädigt"));
    }

    void cancelEndsTheCheckAndOtherCommandsWaitMeanwhile() {
        TPakWriter writer;
        for (int i = 0; i < 40; ++i)
            writer.AddCompressed(QStringLiteral("f%1").arg(i).toStdString(),
                                 std::string(1 << 20, 'a' + i % 26));
        Open(writer);
        FWindow->CheckArchiveCommand();
        FPrompts.FolderAnswers.push_back(Destination());
        FWindow->ExtractAllFilesCommand();
        FWindow->CheckArchiveCommand();
        QCOMPARE(FPrompts.MessageTexts(),
                 QStringList(2, "Das Archiv wird gerade geprüft. Bitte warten, bis die Prüfung "
                                "beendet ist, oder „Abbrechen“ wählen."));
        QCOMPARE(FPrompts.FolderAnswers.size(), size_t{1}); // refused before the chooser
        FWindow->Runs().Panel().btCancel()->click();
        WaitUntilDone();
        QVERIFY(FWindow->StatusText().startsWith("Abgebrochen: "));
        QCOMPARE(FPrompts.Messages.size(), size_t{2}); // no verdict on what was not checked
        QVERIFY(FPrompts.Lists.empty());
    }

    // The panel names the file being checked, as it does the file being extracted.
    void thePanelNamesTheFileBeingChecked() {
        FWindow->SetWorkerCount(1);
        TPakWriter writer;
        QStringList names;
        for (int i = 0; i < 6; ++i) {
            names << QStringLiteral("gross%1.bin").arg(i);
            writer.AddCompressed(names.back().toStdString(), std::string(24 << 20, 'a' + i));
        }
        Open(writer);
        QStringList shown;
        QObject scope;
        connect(FWindow.get(), &TfrmMain::ExtractProgress, &scope,
                [&](const QString& name, int) { shown << name; });
        Check();
        shown.removeAll(QString());
        QVERIFY2(!shown.isEmpty(), "the label stayed empty");
        for (const QString& name : shown)
            QVERIFY2(names.contains(name), qPrintable(name));
    }
};

QTEST_MAIN(TestCheck)
#include "tst_check.moc"
