// The window never waits on its own work: loading and extraction run beside it, the panel stays
// current, cancel means stop, and nothing about an archive's shape can crash it.
#include "DirectoryTreeModel.h"
#include "PakWriter.h"
#include "TestFiles.h"
#include "WindowFixture.h"
#include "uPakReader.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <thread>

class TestResponsiveness : public QObject, TWindowFixture {
    Q_OBJECT

private slots:
    void init() { SetUpWindow(20); }
    void cleanup() { TearDownWindow(); }

    void cancelWithSeveralWorkersWritesNothingAfterTheFilesInProgress() {
        constexpr int kFiles = 64;
        constexpr size_t kSize = 2 << 20;
        TPakWriter writer;
        for (int i = 0; i < kFiles; ++i)
            writer.AddCompressed(QStringLiteral("f%1").arg(i, 2, 10, QChar('0')).toStdString(),
                                 std::string(kSize, static_cast<char>('a' + i % 26)));
        Open(writer);
        FWindow->SetWorkerCount(3);
        int begunAtCancel = -1;
        QObject scope;
        connect(FWindow.get(), &TfrmMain::ExtractProgress, &scope, [&](const QString&, int) {
            if (begunAtCancel >= 0)
                return;
            begunAtCancel = FWindow->Runs().Panel().pbProgress()->value();
            FWindow->Runs().Panel().btCancel()->click();
        });
        FPrompts.FolderAnswers.push_back(Destination());
        FWindow->ExtractAllFilesCommand();
        WaitIdle();

        QVERIFY(begunAtCancel >= 0);
        // Files are handed out in order: what is on disk is the beginning of the archive, every
        // file complete, and no more than what was handed out when the cancel came.
        const QStringList files = QDir(Destination()).entryList(QDir::Files, QDir::Name);
        QVERIFY(files.size() < kFiles);
        QVERIFY(files.size() <= begunAtCancel);
        for (int i = 0; i < files.size(); ++i) {
            QCOMPARE(files[i], QStringLiteral("f%1").arg(i, 2, 10, QChar('0')));
            QCOMPARE(QFileInfo(Destination() + "/" + files[i]).size(), qint64(kSize));
        }
        QVERIFY(FWindow->Runs().Panel().isHidden());
    }

    // The disk takes a tenth of a second for every chunk, so the file takes seconds.
    void aSingleBigFileShowsThePanelStaysLiveAndIsRemovedWhenCancelled() {
        constexpr size_t kSize = 32 << 20;
        TPakWriter writer;
        writer.AddCompressed("gross.bin", std::string(kSize, 'g'));
        Open(writer);
        const QString target = FDir->filePath("gross.bin");
        TWriteFile::FaultHook = [](const std::string&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            return 0;
        };
        const auto unhook = qScopeGuard([] { TWriteFile::FaultHook = nullptr; });

        QList<int> positions;
        QObject scope;
        connect(FWindow.get(), &TfrmMain::ExtractProgress, &scope,
                [&](const QString&, int position) { positions << position; });
        FPrompts.SaveAnswers.push_back(target);
        FWindow->Files().lvFiles()->setCurrentIndex(
            FWindow->Files().lvFiles()->model()->index(0, 0));
        FWindow->ExtractSelectedFileCommand();
        QVERIFY(FWindow->Busy()); // the command returned while the file is being written
        QCOMPARE(FWindow->StatusText(), QStringLiteral("Entpacke gross.bin..."));
        QVERIFY(FWindow->Runs().Panel().isHidden());
        QTRY_VERIFY_WITH_TIMEOUT(!FWindow->Runs().Panel().isHidden(), 5000);
        QCOMPARE(FWindow->Runs().Panel().lbExtract()->text(), QStringLiteral("gross.bin"));
        // The bar moves with the bytes while the one file is written.
        QTRY_VERIFY_WITH_TIMEOUT(positions.size() >= 3 && positions.last() > positions.first(),
                                 5000);
        FWindow->Runs().Panel().btCancel()->click();
        WaitIdle();
        QVERIFY(!QFileInfo::exists(target));
        QVERIFY(FWindow->Runs().Panel().isHidden());
        QVERIFY(FPrompts.Messages.empty());
    }

    void refusalsComeBeforeAnyDialogAndAMessageBoxDoesNotPauseTheWork() {
        constexpr int kFiles = 400;
        TPakWriter writer;
        for (int i = 0; i < kFiles; ++i)
            writer.AddCompressed(QStringLiteral("f%1").arg(i).toStdString(),
                                 std::string(256 << 10, static_cast<char>('a' + i % 26)));
        Open(writer);
        FPrompts.OpenFilters.clear();
        bool asked = false;
        QObject scope;
        connect(FWindow.get(), &TfrmMain::ExtractProgress, &scope, [&](const QString&, int) {
            if (asked)
                return;
            asked = true;
            FWindow->OpenCommand();
            FWindow->ExtractAllFilesCommand();
            // While the About box is open, the extraction runs to its end.
            FPrompts.OnMessage = [&](const TFakePrompts::TMessage& message) {
                if (message.Icon == TPrompts::TIcon::Information && message.Text.contains("1.0"))
                    QTRY_VERIFY_WITH_TIMEOUT(!FWindow->Busy(), 10000);
            };
            FWindow->AboutCommand();
        });
        FPrompts.FolderAnswers.push_back(Destination());
        FWindow->ExtractAllFilesCommand();
        WaitIdle();
        QVERIFY(asked);
        QVERIFY(FPrompts.OpenFilters.isEmpty()); // no open dialog was shown
        QVERIFY(FPrompts.FolderAnswers.empty());
        QCOMPARE(FPrompts.Messages.size(), size_t{3});
        QVERIFY(FPrompts.Messages[0].Text.startsWith("Es wird gerade entpackt."));
        QVERIFY(FPrompts.Messages[1].Text.startsWith("Es wird gerade entpackt."));
        QCOMPARE(QDir(Destination()).entryList(QDir::Files).size(), kFiles);
    }

    void aPathOfAHundredThousandComponentsOpensShowsAndExtracts() {
        std::string path;
        for (int i = 0; i < 100000; ++i)
            path += "a/";
        TPakWriter writer;
        writer.AddRaw(writer.Root(), path + "tief.txt", "tief", 4);
        writer.AddStored("flach.txt", "flach");
        Open(writer);
        QCOMPARE(FWindow->StatusText(), QStringLiteral("2 Dateien"));
        const TDirNode* node = FWindow->DirectoryModel().Root();
        int depth = 0;
        while (!node->Children.empty()) {
            node = node->Children.front().get();
            ++depth;
        }
        QCOMPARE(depth, 100000);
        QVERIFY(node->Files && node->Files->Count() == 1);

        TTempDir out; // removes trees deeper than the system's path limit
        FPrompts.FolderAnswers.push_back(QString::fromStdString(out.Path()));
        FWindow->ExtractAllFilesCommand();
        // 100,000 folders, one inside the other: ext4 creates each one slowly after many
        // deletions (it looks at recently freed inodes), which is no fault of the window's.
        WaitIdle(100000);
        QVERIFY(FPrompts.Messages.empty());
        QCOMPARE(ReadFileBytes(out / "flach.txt"), std::string("flach"));
        QVERIFY(QFileInfo(QString::fromStdString(out / "a/a/a/a")).isDir());
        FWindow.reset(); // and the deep tree goes without a crash
    }
};

QTEST_MAIN(TestResponsiveness)
#include "tst_responsiveness.moc"
