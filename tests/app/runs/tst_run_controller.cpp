// The run controller without a window: a fake job that runs until the test lets it end.
#include "FakePrompts.h"
#include "PakWriter.h"
#include "ProgressPanel.h"
#include "RunController.h"
#include "StatusLine.h"
#include "TestFiles.h"
#include "uPakReader.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <condition_variable>
#include <mutex>

namespace {

// Runs until End or a stop; says what a test tells it to.
class TFakeRunJob : public TRunJob {
public:
    ~TFakeRunJob() override { StopAndJoin(); }

    TJobProgress Progress() const override {
        std::lock_guard lock(FMutex);
        return FProgress;
    }
    int32_t Cancel() override {
        FCancelled = true;
        return NextEntry;
    }
    bool Cancelled() const override { return FCancelled; }
    TRunStatus::TOutcome Outcome() const override { return Result; }
    const QString& Error() const override { return FError; }
    void Continue() override { ++Continued; }

    void Step(int32_t current, int done) {
        std::lock_guard lock(FMutex);
        FProgress.Current = current;
        FProgress.Position = done;
        FProgress.Done = done;
    }
    void End() {
        std::lock_guard lock(FMutex);
        FEnd = true;
        FWake.notify_all();
    }
    void SayDamaged(int32_t index) { emit Damaged(index); }

    int32_t NextEntry = -1;
    TRunStatus::TOutcome Result;
    std::atomic<int> Continued{0};

private:
    void Work() override {
        std::unique_lock lock(FMutex);
        FWake.wait(lock, [&] { return FEnd || Stopping(); });
    }
    void StopRequested() override { End(); }

    mutable std::mutex FMutex;
    std::condition_variable FWake;
    bool FEnd = false;
    TJobProgress FProgress;
    std::atomic<bool> FCancelled{false};
    QString FError;
};

} // namespace

class TestRunController : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    TPakReader FReader;
    TFakePrompts FPrompts;
    std::unique_ptr<QWidget> FWindow;
    TStatusLine* FStatus = nullptr;
    std::unique_ptr<TRunController> FRuns;

    // A run over the archive's three files, writing to folder; the job is the controller's.
    TFakeRunJob* StartFiles(const QString& folder) {
        auto job = std::make_unique<TFakeRunJob>();
        TFakeRunJob* started = job.get();
        FRuns->Start({TRunController::TKind::Files, 3,
                      TRunStatus(TRunStatus::TKind::Extract, 3, 30, 30), folder, nullptr,
                      QString()},
                     std::move(job));
        return started;
    }

private slots:
    void initTestCase() {
        TPakWriter writer;
        for (const char* path : {"a/eins.txt", "a/zwei.txt", "drei.txt"})
            writer.AddStored(path, "0123456789");
        const QString path = FDir.filePath("archiv.pak");
        WriteFileBytes(path.toStdString(), writer.Finish());
        QVERIFY(FReader.Open(path.toStdString()));
    }

    void init() {
        FPrompts = TFakePrompts();
        FWindow = std::make_unique<QWidget>();
        FWindow->resize(744, 541);
        FStatus = new TStatusLine(FWindow.get());
        FRuns = std::make_unique<TRunController>(FReader, FPrompts, *FStatus, FWindow.get());
        FRuns->SetEventInterval(10);
    }

    void cleanup() {
        FRuns.reset();
        FWindow.reset();
    }

    void runShowsPanelAndFiguresAndEndsWithSummary() {
        TFakeRunJob* job = StartFiles(FDir.path());
        TProgressPanel& panel = FRuns->Panel();
        QVERIFY(FRuns->Running());
        QVERIFY(!panel.isHidden());
        QCOMPARE(panel.pos(),
                 QPoint((744 - panel.width()) / 2, (541 - panel.height()) / 2)); // centred
        QCOMPARE(panel.pbProgress()->maximum(), 3);
        QVERIFY(FStatus->text().startsWith("Entpacken: 0 von 3 Dateien"));

        job->Step(1, 2);
        QTRY_COMPARE(panel.pbProgress()->value(), 2);
        QCOMPARE(panel.lbExtract()->text(), QString::fromLatin1(FReader.EntryName(1)));
        QVERIFY(FStatus->text().startsWith("Entpacken: 2 von 3 Dateien"));

        QSignalSpy ended(FRuns.get(), &TRunController::Ended);
        job->Result = {3, 30};
        job->End();
        QVERIFY(ended.wait());
        QVERIFY(!FRuns->Running());
        QVERIFY(panel.isHidden());
        QVERIFY(FRuns->btOpenFolder()->isVisibleTo(FWindow.get()));
        // The button goes with its summary.
        FStatus->Set("Weiter");
        QVERIFY(!FRuns->btOpenFolder()->isVisibleTo(FWindow.get()));
    }

    void cancelNamesTheEntryNotExtracted() {
        TFakeRunJob* job = StartFiles(FDir.path());
        job->NextEntry = 2;
        FRuns->Panel().btCancel()->click();
        QVERIFY(job->Cancelled());
        QVERIFY(FRuns->CancelRequested());
        QCOMPARE(FRuns->Panel().lbExtract()->text(), QString::fromLatin1(FReader.EntryName(2)));
        // The name stays while the job winds down.
        job->Step(1, 2);
        QTest::qWait(50);
        QCOMPARE(FRuns->Panel().lbExtract()->text(), QString::fromLatin1(FReader.EntryName(2)));
        QSignalSpy ended(FRuns.get(), &TRunController::Ended);
        job->End();
        QVERIFY(ended.wait());
    }

    void damagedEntriesAskUntilTheUserWantsThemInTheSummary() {
        TFakeRunJob* job = StartFiles(FDir.path());
        FPrompts.ChoiceAnswers = {1}; // "Weitere nur in der Zusammenfassung melden"
        job->SayDamaged(0);
        job->SayDamaged(2);
        QTRY_COMPARE(job->Continued.load(), 2);
        QCOMPARE(FPrompts.ChoiceButtons.size(), 1);
        QSignalSpy ended(FRuns.get(), &TRunController::Ended);
        job->End();
        QVERIFY(ended.wait());
    }

    void secondRunIsRefusedAndAClosingAsksFirst() {
        TFakeRunJob* job = StartFiles(FDir.path());
        QVERIFY(FRuns->RefuseWhileRunning());
        QCOMPARE(FPrompts.Messages.size(), size_t{1});
        QVERIFY(FPrompts.Messages[0].Text.startsWith("Es wird gerade entpackt."));
        FPrompts.ChoiceAnswers = {1}; // "Weiter entpacken"
        QVERIFY(!FRuns->ConfirmStop());
        QSignalSpy ended(FRuns.get(), &TRunController::Ended);
        job->End();
        QVERIFY(ended.wait());
        QVERIFY(!FRuns->RefuseWhileRunning());
        QVERIFY(FRuns->ConfirmStop());
    }
};

QTEST_MAIN(TestRunController)
#include "tst_run_controller.moc"
