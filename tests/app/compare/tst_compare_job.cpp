// The comparison with an older version, as a job of its own: what it finds, how far it says it
// has come, and how it ends when cancelled or given no archive.
#include "CompareJob.h"
#include "PakWriter.h"
#include "TestFiles.h"
#include "uPakReader.h"

#include <QSignalSpy>
#include <QtTest>

class TestCompareJob : public QObject {
    Q_OBJECT

    // Runs a comparison of the current archive with older to its end.
    static bool RunToEnd(TCompareJob& job) {
        QSignalSpy finished(&job, &TJob::Finished);
        job.Start();
        return finished.wait(10000);
    }

private slots:
    void init() {
        FDir = std::make_unique<TTempDir>();
        TPakWriter older;
        older.AddStored("gleich.txt", "bleibt");
        older.AddCompressed("karten/alt.txt", std::string(500, 'a'));
        older.AddStored("weg.txt", "fort");
        TPakWriter newer;
        newer.AddCompressed("gleich.txt", "bleibt", 9); // other form, same content
        newer.AddCompressed("karten/alt.txt", std::string(499, 'a') + "b");
        newer.AddStored("neu.txt", "dazu");
        FOlderFile = *FDir / "alt.pak";
        WriteFileBytes(FOlderFile, older.Finish());
        WriteFileBytes(*FDir / "neu.pak", newer.Finish());
        FCurrent.Open(*FDir / "neu.pak");
    }
    void cleanup() {
        FCurrent.Close();
        FDir.reset();
    }

    void findsTheChangesAndHandsOverTheOlderArchive() {
        TCompareJob job(FCurrent, QString::fromStdString(FOlderFile), 2);
        QVERIFY(RunToEnd(job));
        QVERIFY(job.Error().isEmpty());
        QCOMPARE(job.Done(), job.Total());
        QCOMPARE(job.Total(), 2); // the two paths both archives hold
        std::unique_ptr<TPakReader> older = job.TakeOlder();
        QVERIFY(older);
        QStringList found;
        for (const TChange& change : job.Changes())
            found << QString::fromLatin1(change.Kind == TChangeKind::Removed
                                             ? older->EntryPath(change.Old)
                                             : FCurrent.EntryPath(change.New));
        found.sort();
        QCOMPARE(found, (QStringList{"karten/alt.txt", "neu.txt", "weg.txt"}));
    }

    void cancelledOrWithoutAnArchiveItEndsWithNothing() {
        TCompareJob cancelled(FCurrent, QString::fromStdString(FOlderFile), 2);
        cancelled.Stop();
        QVERIFY(RunToEnd(cancelled));
        QVERIFY(cancelled.Cancelled());
        QVERIFY(cancelled.Changes().empty());
        QVERIFY(!cancelled.TakeOlder());

        TCompareJob missing(FCurrent, QString::fromStdString(*FDir / "fehlt.pak"), 2);
        QVERIFY(RunToEnd(missing));
        QVERIFY2(missing.Error().contains("fehlt.pak"), qPrintable(missing.Error()));
        QVERIFY(!missing.TakeOlder());
    }

private:
    std::unique_ptr<TTempDir> FDir;
    std::string FOlderFile;
    TPakReader FCurrent;
};

QTEST_GUILESS_MAIN(TestCompareJob)
#include "tst_compare_job.moc"
