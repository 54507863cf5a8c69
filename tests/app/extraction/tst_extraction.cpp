// The window's extraction commands, headless, with the save dialog and the folder chooser
// answered by a script.
#include "DirectoryTreeModel.h"
#include "FileIO.h"
#include "PakWriter.h"
#include "Prompts.h"
#include "TestFiles.h"
#include "WindowFixture.h"
#include "uPakReader.h"

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList Files(const QString& folder) {
    QStringList files;
    for (const std::string& file : ListFiles(folder.toStdString()))
        files << QString::fromStdString(file);
    return files;
}

} // namespace

class TestExtraction : public QObject, TWindowFixture {
    Q_OBJECT

    // Extracts everything; the folder chooser answers with folder.
    void ExtractAll(const QString& folder) {
        FPrompts.FolderAnswers.push_back(folder);
        FWindow->ExtractAllFilesCommand();
        WaitIdle();
    }

private slots:
    void init() { SetUpWindow(0); }
    void cleanup() { TearDownWindow(); }

    void allFilesRecreateTheArchiveBelowTheChosenFolder() {
        TPakWriter writer;
        writer.AddStored("liesmich.txt", "hallo");
        writer.AddCompressed("daten/texte/gr\xFC\xDF"
                             "e.txt",
                             std::string(3000, 'g'));
        writer.AddStored("daten/leer.bin", "");
        Open(writer);
        int steps = 0;
        bool panelShown = false;
        QObject scope;
        connect(FWindow.get(), &TfrmMain::ExtractProgress, &scope, [&](const QString&, int) {
            ++steps;
            panelShown = panelShown || !FWindow->Runs().Panel().isHidden();
        });

        ExtractAll(Destination());
        QCOMPARE(Files(Destination()),
                 (QStringList{"daten/leer.bin", "daten/texte/grüße.txt", "liesmich.txt"}));
        QCOMPARE(ReadFileBytes(Destination("ziel/daten/texte/grüße.txt").toStdString()),
                 std::string(3000, 'g'));
        QCOMPARE(steps, 3);
        QVERIFY(panelShown);
        QVERIFY(FWindow->Runs().Panel().isHidden());
        QCOMPARE(FWindow->Runs().Panel().pbProgress()->maximum(), 3);
        QCOMPARE(FWindow->Runs().Panel().pbProgress()->value(), 3);
        QVERIFY(FPrompts.Messages.empty());
    }

    void anEmptyArchiveShowsAnEmptyRangeAndWritesNothing() {
        TPakWriter writer;
        Open(writer);
        ExtractAll(Destination());
        QCOMPARE(FWindow->Runs().Panel().pbProgress()->maximum(), 0);
        QVERIFY(FWindow->Runs().Panel().isHidden());
        QVERIFY(!QFileInfo::exists(Destination()));
    }

    void aCancelledFolderChooserDoesNothing() {
        TPakWriter writer;
        writer.AddStored("a", "a");
        Open(writer);
        FWindow->ExtractAllFilesCommand(); // no answer: "Abbrechen"
        QVERIFY(FPrompts.Messages.empty());
        // Confirmed without a folder ("Computer"): said, and the chooser is there again, until
        // it is cancelled.
        FPrompts.FolderAnswers = {QString(), QString()};
        FWindow->ExtractAllFilesCommand();
        QVERIFY(FWindow->Runs().Panel().isHidden());
        QCOMPARE(FPrompts.FolderPresets.size(), 4);
        QCOMPARE(FPrompts.Messages.size(), size_t{2}); // not a silent end
        QVERIFY(FPrompts.Messages[0].Text.contains("kein Ordner auf einem Datenträger"));
        // ...or a folder is picked.
        FPrompts.FolderAnswers = {QString(), Destination()};
        FWindow->ExtractAllFilesCommand();
        WaitIdle();
        QCOMPARE(Files(Destination()), QStringList{"a"});
    }

    // A remembered folder that is gone: the chooser opens at the nearest folder that is left.
    void aDeletedFolderOpensTheChooserAtItsParent() {
        TPakWriter writer;
        writer.AddStored("a", "a");
        Open(writer);
        const QString gone = Destination("eins/zwei/drei");
        ExtractAll(gone);
        QVERIFY(QDir(Destination("eins/zwei")).removeRecursively());
        FWindow->ExtractAllFilesCommand(); // cancelled
        QCOMPARE(FPrompts.FolderPresets.last(), Destination("eins"));
    }

    void cancelStopsBeforeTheFileShownOnThePanel() {
        FWindow->SetWorkerCount(1);
        TPakWriter writer;
        for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
            writer.AddStored(name, name);
        Open(writer);
        auto scope = std::make_unique<QObject>();
        connect(FWindow.get(), &TfrmMain::ExtractProgress, scope.get(),
                [&](const QString& name, int) {
                    // The click arrives while the window handles events with c.txt on show.
                    if (name == "c.txt")
                        QMetaObject::invokeMethod(FWindow->Runs().Panel().btCancel(), "click",
                                                  Qt::QueuedConnection);
                });
        ExtractAll(Destination());
        scope.reset();
        QVERIFY(FWindow->CancelRequested());
        QCOMPARE(FWindow->Runs().Panel().lbExtract()->text(), QStringLiteral("c.txt"));
        QCOMPARE(Files(Destination()), (QStringList{"a.txt", "b.txt"}));
        QVERIFY(FWindow->Runs().Panel().isHidden());

        // The next command starts afresh.
        ExtractAll(Destination("zweites"));
        QCOMPARE(Files(Destination("zweites")).size(), 4);
    }

    void theChooserAndTheSaveDialogOpenWhereTheyWereLeft() {
        TPakWriter writer;
        writer.AddStored("a.txt", "a");
        Open(writer);
        ExtractAll(Destination());
        QCOMPARE(FPrompts.FolderPresets, QStringList{QString()}); // the first time: nothing
        FWindow->ExtractAllFilesCommand();                        // cancelled
        QCOMPARE(FPrompts.FolderPresets.last(), Destination());

        FPrompts.SaveAnswers.push_back(FDir->filePath("kopie.txt"));
        FWindow->Files().lvFiles()->setCurrentIndex(
            FWindow->Files().lvFiles()->model()->index(0, 0));
        FWindow->ExtractSelectedFileCommand();
        WaitIdle();
        FWindow->ExtractSelectedFileCommand(); // cancelled
        QCOMPARE(FPrompts.SaveFolders.last(), FDir->path());
    }

    void aDirectoryLandsInTheChosenFolderWithoutItsOwnPath() {
        TPakWriter writer;
        writer.AddStored("a/b/c/x", "x");
        writer.AddStored("a/b/y", "y");
        writer.AddStored("a/z", "z");
        writer.AddStored("w", "w");
        Open(writer);
        SelectDirectory("a/b");
        FPrompts.FolderAnswers.push_back(Destination());
        FWindow->ExtractDirectoryCommand();
        WaitIdle();
        QCOMPARE(Files(Destination()), (QStringList{"c/x", "y"}));
        QCOMPARE(FWindow->Runs().Panel().pbProgress()->maximum(), 2);

        // The root recreates the whole archive, as "Alle Dateien..." does.
        SelectDirectory("");
        FPrompts.FolderAnswers.push_back(Destination("alles"));
        FWindow->ExtractDirectoryCommand();
        WaitIdle();
        QCOMPARE(Files(Destination("alles")), (QStringList{"a/b/c/x", "a/b/y", "a/z", "w"}));
    }

    void aDirectoryWithOnlySubdirectoriesExtractsThemIntoSubfolders() {
        TPakWriter writer;
        writer.AddStored("nur/eins/a.txt", "1");
        writer.AddStored("nur/zwei/b.txt", "2");
        Open(writer);
        SelectDirectory("nur");
        FPrompts.FolderAnswers.push_back(Destination() + "/"); // a folder ending in a separator
        FWindow->ExtractDirectoryCommand();
        WaitIdle();
        QCOMPARE(Files(Destination()), (QStringList{"eins/a.txt", "zwei/b.txt"}));
    }

    void afterACancelEveryRemainingListTakesOneStep() {
        TPakWriter writer;
        for (const char* path : {"d/1", "d/2", "d/3", "d/e/4", "d/e/5", "d/f/6", "d/f/7"})
            writer.AddStored(path, path);
        Open(writer);
        SelectDirectory("d");
        QObject scope;
        connect(FWindow.get(), &TfrmMain::ExtractProgress, &scope, [&](const QString& name, int) {
            if (name == "2")
                FWindow->Runs().Panel().btCancel()->click();
        });
        FPrompts.FolderAnswers.push_back(Destination());
        FWindow->ExtractDirectoryCommand();
        WaitIdle();
        QCOMPARE(Files(Destination()), QStringList{"1"});
        // "1", "2" in the first list, then one step for each of the lists of e and f.
        QCOMPARE(FWindow->Runs().Panel().pbProgress()->maximum(), 7);
    }

    void aDamagedEntryIsReportedAndTheOthersAreExtracted() {
        TPakWriter writer;
        writer.AddRaw(writer.Root(), "kaputt.bin", "kein zlib", 100);
        writer.AddStored("gut.txt", "gut");
        Open(writer);
        ExtractAll(Destination());
        QCOMPARE(FPrompts.MessageTexts(), QStringList{"Fehler beim Entpacken von kaputt.bin!"});
        QCOMPARE(ReadFileBytes(Destination("ziel/kaputt.bin").toStdString()), std::string());
        QCOMPARE(ReadFileBytes(Destination("ziel/gut.txt").toStdString()), std::string("gut"));
    }

    void aFileThatCannotBeCreatedIsToldAtTheEndAndTheRestIsWritten() {
        TPakWriter writer;
        writer.AddStored("sub/x.txt", "x");
        writer.AddStored("vorher.txt", "v");
        writer.AddStored("zuletzt/y.txt", "y");
        writer.AddRaw(writer.Root(), "../ausbruch.txt", "1", 1);
        Open(writer);
        QDir().mkpath(Destination());
        WriteFileBytes(Destination("ziel/zuletzt").toStdString(), "a file, not a folder");
        ExtractAll(Destination());
        QCOMPARE(FPrompts.MessageTexts(),
                 QStringList{"Eine Datei mit unsicherem Pfad wurde nicht entpackt: "
                             "„../ausbruch.txt“.\n\nEine Datei konnte nicht erstellt werden: "
                             "„zuletzt/y.txt“ (Ein Ordner auf dem Weg ist eine Datei)."});
        QCOMPARE(Files(Destination()), (QStringList{"sub/x.txt", "vorher.txt", "zuletzt"}));
        QVERIFY(FWindow->Runs().Panel().isHidden());
    }

    void aReadErrorEndsTheCommandKeepingEarlierFiles() {
        TPakWriter writer;
        writer.AddStored("a.txt", "a");
        writer.AddStored("b.txt", std::string(1000, 'b'));
        writer.AddStored("c.txt", "c");
        Open(writer);
        // The archive shrinks while it is open: b.txt can no longer be read.
        const auto cut = static_cast<qint64>(FWindow->Reader().Entry(1).Offset + 10);
        QVERIFY(QFile::resize(FDir->filePath("archiv.pak"), cut));
        ExtractAll(Destination());
        QCOMPARE(FPrompts.Messages.size(), size_t{1});
        QCOMPARE(FPrompts.Messages[0].Icon, TPrompts::TIcon::Error);
        QCOMPARE(FPrompts.Messages[0].Text, QStringLiteral("Stream-Lesefehler."));
        QCOMPARE(ReadFileBytes(Destination("ziel/a.txt").toStdString()), std::string("a"));
        QVERIFY(FWindow->Runs().Panel().isHidden());
    }

    void linksAndPipesInTheDestinationAreReplacedAndAChosenPipeIsNotWritten() {
        TPakWriter writer;
        writer.AddStored("verknuepft.txt", "new");
        writer.AddStored("pipe", "new too");
        Open(writer);
        const std::string out = Destination().toStdString();
        const std::string outside = Destination("draussen.txt").toStdString();
        QVERIFY(QDir().mkpath(Destination()));
        WriteFileBytes(outside, "outside");
        QCOMPARE(::link(outside.c_str(), (out + "/verknuepft.txt").c_str()), 0);
        QCOMPARE(::mkfifo((out + "/pipe").c_str(), 0600), 0);
        ExtractAll(Destination());
        QVERIFY(FPrompts.Messages.empty());
        QCOMPARE(ReadFileBytes(outside), std::string("outside"));
        QCOMPARE(ReadFileBytes(out + "/verknuepft.txt"), std::string("new"));
        QCOMPARE(ReadFileBytes(out + "/pipe"), std::string("new too"));

        // A pipe the user picks in the save dialog is left alone, at once.
        const QString pipe = Destination("gewaehlt");
        QCOMPARE(::mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
        FPrompts.SaveAnswers.push_back(pipe);
        FWindow->Files().lvFiles()->setCurrentIndex(
            FWindow->Files().lvFiles()->model()->index(0, 0));
        FWindow->ExtractSelectedFileCommand();
        WaitIdle();
        QCOMPARE(FPrompts.MessageTexts(),
                 QStringList{QStringLiteral("Datei %1 kann nicht erstellt werden: Dort steht eine "
                                            "Pipe, keine Datei.")
                                 .arg(pipe)});
    }

    void aFullDiskNamesTheFileAndTheSummaryCountsWhatWasRemoved() {
        TPakWriter writer;
        for (const char* name : {"a", "b", "c", "d"})
            writer.AddStored(name, std::string(1000, name[0]));
        Open(writer);
        // The disk is full from c on; d, which a worker may begin beside c, is removed too.
        TWriteFile::FaultHook = [](const std::string& name) {
            return name == "c" || name == "d" ? ENOSPC : 0;
        };
        const auto unhook = qScopeGuard([] { TWriteFile::FaultHook = nullptr; });
        ExtractAll(Destination());
        QCOMPARE(FPrompts.MessageTexts(),
                 QStringList{QStringLiteral("Datei %1/c kann nicht geschrieben werden: Der "
                                            "Datenträger ist voll.")
                                 .arg(Destination())});
        QCOMPARE(Files(Destination()), (QStringList{"a", "b"}));
        QVERIFY2(FWindow->StatusText().contains(QStringLiteral(" unvollständig entfernt")),
                 qPrintable(FWindow->StatusText()));
    }

    void aDestinationThatIsADanglingLinkIsToldSo() {
        TPakWriter writer;
        writer.AddStored("a", "a");
        Open(writer);
        QCOMPARE(::symlink(Destination("nirgends").toLocal8Bit().constData(),
                           Destination().toLocal8Bit().constData()),
                 0);
        ExtractAll(Destination());
        QCOMPARE(FPrompts.MessageTexts(),
                 QStringList{QStringLiteral("Zielordner %1 kann nicht erstellt werden: Dort steht "
                                            "ein symbolischer Verweis, dessen Ziel fehlt.")
                                 .arg(Destination())});
    }

    void unsafeEntriesAreRefusedWithOneMessage() {
        TPakWriter writer;
        writer.AddRaw(writer.Root(), "../ausbruch.txt", "1", 1);
        writer.AddRaw(writer.Root(), "a/../../auch.txt", "2", 1);
        writer.AddRaw(writer.Root(), "/tmp/absolut.txt", "3", 1);
        writer.AddStored("gut.txt", "gut");
        Open(writer);
        ExtractAll(Destination());
        QCOMPARE(FPrompts.MessageTexts(),
                 QStringList{"3 Dateien mit unsicherem Pfad wurden nicht entpackt, zum "
                             "Beispiel „../ausbruch.txt“."});
        QCOMPARE(Files(FDir->path()), (QStringList{"archiv.pak", "ziel/gut.txt"}));
    }

    // A name with markup must show as the characters it has, not as what they would render.
    void archiveNamesAreShownAsPlainText() {
        const QString name = QStringLiteral("<font size=7>G</font>.txt");
        TPakWriter writer;
        writer.AddStored(name.toStdString(), "x");
        Open(writer);
        FPrompts.SaveAnswers.push_back(Destination("g.txt"));
        FWindow->Files().lvFiles()->setCurrentIndex(
            FWindow->Files().lvFiles()->model()->index(0, 0));
        FWindow->ExtractSelectedFileCommand();
        WaitIdle();
        QLabel literal(QStringLiteral("Entpacke %1...").arg(name));
        literal.setTextFormat(Qt::PlainText);
        for (QLabel* label :
             {FWindow->statusBar()->findChild<QLabel*>(), FWindow->Runs().Panel().lbExtract()}) {
            label->setText(literal.text());
            QCOMPARE(label->sizeHint(), literal.sizeHint());
        }

        TQtPrompts prompts;
        Qt::TextFormat shown = Qt::RichText;
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown = box->textFormat();
                box->accept();
            }
        });
        prompts.ShowMessage(FWindow.get(), name, TPrompts::TIcon::None);
        QCOMPARE(shown, Qt::PlainText);
    }

    void aFileIsExtractedThroughTheSaveDialogWithItsNamePreset() {
        TPakWriter writer;
        writer.AddStored("a/b\xE4r.txt", "inhalt");
        writer.AddStored("a/x.txt", "x");
        Open(writer);
        FWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(FWindow.get()));
        SelectDirectory("a");
        QStringList statuses;
        QObject scope;
        connect(FWindow.get(), &TfrmMain::StatusTextChanged, &scope,
                [&](const QString& text) { statuses << text; });

        FWindow->ExtractSelectedFileCommand(); // nothing selected: the status line says so
        QVERIFY(FPrompts.SavePresets.isEmpty());
        QCOMPARE(statuses.takeFirst(),
                 "Keine Datei gewählt: bitte zuerst eine Datei in der Liste wählen.");

        const QString target = Destination("gespeichert.txt");
        FPrompts.SaveAnswers.push_back(target);
        QTreeView* list = FWindow->Files().lvFiles();
        const QRect row = list->visualRect(list->model()->index(0, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());
        WaitIdle();
        QCOMPARE(FPrompts.SavePresets, QStringList{"bär.txt"});
        QCOMPARE(ReadFileBytes(target.toStdString()), std::string("inhalt"));
        QCOMPARE(statuses, (QStringList{"Entpacke a/bär.txt...", "2 Dateien"}));

        FWindow->ExtractSelectedFileCommand(); // the save dialog is cancelled
        WaitIdle();
        QCOMPARE(FPrompts.SavePresets.size(), 2);
        QCOMPARE(statuses.size(), 2);
    }

    void duringAnExtractionOpeningAndExtractingAreRefused() {
        TPakWriter writer;
        for (int i = 0; i < 20; ++i)
            writer.AddStored(QStringLiteral("f%1").arg(i, 2, 10, QChar('0')).toStdString(), "x");
        Open(writer);
        const QString other = FDir->filePath("archiv.pak");
        bool tried = false;
        QObject scope;
        connect(FWindow.get(), &TfrmMain::ExtractProgress, &scope, [&](const QString& name, int) {
            if (name != "f05" || tried)
                return;
            tried = true;
            FWindow->OpenArchiveCommand(other);
            FWindow->ExtractAllFilesCommand();
            FWindow->ExtractDirectoryCommand();
        });
        ExtractAll(Destination());
        QVERIFY(tried);
        QCOMPARE(FPrompts.Messages.size(), size_t{3});
        for (const auto& message : FPrompts.Messages)
            QVERIFY(message.Text.startsWith("Es wird gerade entpackt."));
        QCOMPARE(Files(Destination()).size(), 20);
        QVERIFY(FWindow->ArchiveOpen());
    }

    // Closing asks first: "Weiter entpacken" keeps the window and the run, "Beenden" cancels
    // the run and closes once it has ended.
    void closingDuringAnExtractionAsksFirst() {
        TPakWriter writer;
        for (int i = 0; i < 10; ++i)
            writer.AddStored(QStringLiteral("f%1").arg(i).toStdString(), "x");
        Open(writer);
        FWindow->show();
        FPrompts.ChoiceAnswers = {1, 0};
        QObject scope;
        connect(FWindow.get(), &TfrmMain::ExtractProgress, &scope, [&](const QString& name, int) {
            if (name == "f3" || name == "f6")
                QMetaObject::invokeMethod(FWindow.get(), "close", Qt::QueuedConnection);
        });
        ExtractAll(Destination());
        QCOMPARE(FPrompts.MessageTexts(),
                 QStringList(2, "Das Entpacken läuft noch. Abbrechen und beenden?"));
        QCOMPARE(FPrompts.ChoiceButtons, QStringList(2, "Beenden|Weiter entpacken"));
        QCOMPARE(Files(Destination()), (QStringList{"f0", "f1", "f2", "f3", "f4", "f5"}));
        QTRY_VERIFY(!FWindow->isVisible());
    }

    void closingDuringACheckAsksAndKeepsCheckingOnWeiter() {
        TPakWriter writer;
        for (int i = 0; i < 200; ++i)
            writer.AddCompressed(QStringLiteral("f%1").arg(i).toStdString(),
                                 std::string(20000, 'a' + i % 26));
        Open(writer);
        FWindow->SetEventInterval(20);
        FWindow->show();
        FPrompts.ChoiceAnswers = {1};
        FWindow->CheckArchiveCommand();
        FWindow->close();
        WaitIdle();
        QCOMPARE(FPrompts.ChoiceButtons, QStringList{"Beenden|Weiter prüfen"});
        QVERIFY(FWindow->isVisible());
        QVERIFY(FPrompts.MessageTexts().contains("Alle 200 Dateien sind in Ordnung."));
    }
};

QTEST_MAIN(TestExtraction)
#include "tst_extraction.moc"
