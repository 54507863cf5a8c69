// "Archiv mit Ordner aktualisieren..." end to end: the folder, the new name (never the open
// archive's), the run, the offer to open what was written.
#include "UpdateCommand.h"
#include "WindowFixture.h"
#include "uPakReader.h"

#include <QtTest>
#include <filesystem>

class TestUpdateCommand : public QObject, TWindowFixture {
    Q_OBJECT

private slots:
    void init() {
        SetUpWindow(100);
        TPakWriter writer;
        writer.AddStored("karten/eins.txt", "eins");
        writer.AddCompressed("zwei.txt", std::string(300, 'z'));
        Open(writer);
        FFolder = FDir->filePath("ordner");
        std::filesystem::create_directories((FFolder + "/karten").toStdString());
        WriteFileBytes((FFolder + "/karten/eins.txt").toStdString(), "EINS, geändert");
        WriteFileBytes((FFolder + "/drei.txt").toStdString(), "neu");
    }
    void cleanup() { TearDownWindow(); }

    void writesTheNewArchiveAndOpensItWhenAsked() {
        const QString archive = FDir->filePath("archiv.pak");
        const QString target = FDir->filePath("neu.pak");
        FPrompts.FolderAnswers.push_back(FFolder);
        // The open archive's own name is refused, and the dialog asked again.
        FPrompts.SaveAnswers = {archive, target};
        FPrompts.ChoiceAnswers = {0}; // "Öffnen"
        FWindow->UpdateArchiveCommand();
        QTRY_VERIFY_WITH_TIMEOUT(FWindow->Reader().FileName() == target.toStdString(), 10000);
        WaitIdle();

        QCOMPARE(FPrompts.SavePresets.front(), QStringLiteral("archiv-neu.pak"));
        QVERIFY2(FPrompts.MessageTexts().join('\n').contains("ist das geöffnete Archiv"),
                 qPrintable(FPrompts.MessageTexts().join('\n')));
        QVERIFY(FPrompts.MessageTexts().last().contains("Jetzt öffnen?"));
        QCOMPARE(FWindow->Reader().Count(), 3);
        TPakReader old;
        old.Open(archive.toStdString());
        QCOMPARE(old.Count(), 2); // untouched
    }

    void aRefusedNameIsToldAndNothingIsWritten() {
        WriteFileBytes((FFolder + "/\xE2\x9C\x93.txt").toStdString(), "x");
        FPrompts.FolderAnswers.push_back(FFolder);
        FPrompts.SaveAnswers = {FDir->filePath("neu.pak")};
        FWindow->UpdateArchiveCommand();
        WaitIdle();
        QTRY_VERIFY(!FPrompts.Messages.empty());
        QVERIFY2(FPrompts.MessageTexts().last().contains("nicht geschrieben"),
                 qPrintable(FPrompts.MessageTexts().last()));
        QVERIFY(!QFileInfo::exists(FDir->filePath("neu.pak")));
        QCOMPARE(FWindow->StatusText(), QStringLiteral("Kein neues Archiv geschrieben"));
    }

private:
    QString FFolder;
};

QTEST_MAIN(TestUpdateCommand)
#include "tst_update_command.moc"
