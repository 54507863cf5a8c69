// Writing a new archive from the open one and a folder, as a job of its own: what it reports,
// how far it says it has come, and that a refusal or a cancel leaves nothing behind.
#include "PakWriter.h"
#include "TestFiles.h"
#include "UpdateJob.h"
#include "uPakReader.h"

#include <QSignalSpy>
#include <QtTest>
#include <filesystem>

class TestUpdateJob : public QObject {
    Q_OBJECT

    static bool RunToEnd(TUpdateJob& job) {
        QSignalSpy finished(&job, &TJob::Finished);
        job.Start();
        return finished.wait(10000);
    }

    QString In(const char* name) const { return QString::fromStdString(*FDir / name); }

private slots:
    void init() {
        FDir = std::make_unique<TTempDir>();
        TPakWriter archive;
        archive.AddStored("karten/eins.txt", "eins");
        archive.AddCompressed("zwei.txt", std::string(300, 'z'));
        WriteFileBytes(*FDir / "alt.pak", archive.Finish());
        std::filesystem::create_directories(*FDir / "ordner/karten");
        WriteFileBytes(*FDir / "ordner/karten/eins.txt", "EINS, geändert");
        WriteFileBytes(*FDir / "ordner/drei.txt", "neu");
    }
    void cleanup() { FDir.reset(); }

    void writesTheNewArchiveWithReplacedAndAddedFiles() {
        TUpdateJob job(In("alt.pak"), In("ordner"), In("neu.pak"), 2);
        QVERIFY(RunToEnd(job));
        QVERIFY2(job.Errors().isEmpty(), qPrintable(job.Errors().join('\n')));
        QVERIFY(job.Report());
        QCOMPARE(job.Report()->Replaced, 1);
        QCOMPARE(job.Report()->Added, 1);
        QCOMPARE(job.Report()->Kept, 1);
        QVERIFY(job.Total() > 0);
        QCOMPARE(job.Done(), job.Total());
        TPakReader written;
        written.Open(*FDir / "neu.pak");
        QCOMPARE(written.Count(), 3);
    }

    void aRefusalOrACancelLeavesNothingBehind() {
        WriteFileBytes(*FDir / "ordner/\xE2\x82\xAC\xE2\x80\xA0\xE2\x84\xA2\xE2\x9C\x93.txt", "x");
        TUpdateJob refused(In("alt.pak"), In("ordner"), In("neu.pak"), 2);
        QVERIFY(RunToEnd(refused));
        QCOMPARE(refused.Errors().size(), 1);
        QVERIFY(!refused.Report());

        TUpdateJob same(In("alt.pak"), In("ordner"), In("alt.pak"), 2);
        QVERIFY(RunToEnd(same));
        QVERIFY(!same.Errors().isEmpty());

        std::filesystem::remove(*FDir /
                                "ordner/\xE2\x82\xAC\xE2\x80\xA0\xE2\x84\xA2\xE2\x9C\x93.txt");
        TUpdateJob cancelled(In("alt.pak"), In("ordner"), In("neu.pak"), 2);
        cancelled.Stop();
        QVERIFY(RunToEnd(cancelled));
        QVERIFY(cancelled.Cancelled());
        QVERIFY(cancelled.Errors().isEmpty());
        QVERIFY(!cancelled.Report());

        // Nothing but the old archive and the folder: no new archive, no temporary file.
        int files = 0;
        for (const auto& item : std::filesystem::directory_iterator(FDir->Path()))
            files += item.is_regular_file();
        QCOMPARE(files, 1);
        QCOMPARE(ReadFileBytes(*FDir / "alt.pak").empty(), false);
    }

private:
    std::unique_ptr<TTempDir> FDir;
};

QTEST_GUILESS_MAIN(TestUpdateJob)
#include "tst_update_job.moc"
