// What the window tells about a run over many files: figures in the status line while it goes,
// a summary with the destination to open when it ends, and damaged entries without a box each.
#include "PakWriter.h"
#include "PreviewDialog.h"
#include "Prompts.h"
#include "RunStatus.h"
#include "WindowFixture.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>
#include <QUrl>

// Stands in for the desktop's file manager.
class TUrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Urls;
    Q_INVOKABLE void Open(const QUrl& url) { Urls << url; }
};

class TestRuns : public QObject, TWindowFixture {
    Q_OBJECT

    void ExtractAll() {
        FPrompts.FolderAnswers.push_back(Destination());
        FWindow->ExtractAllFilesCommand();
        WaitIdle();
    }
    static bool Matches(const QString& text, const QString& pattern) {
        return QRegularExpression(pattern).match(text).hasMatch();
    }

private slots:
    void init() { SetUpWindow(0); }
    void cleanup() { TearDownWindow(); }

    void theStatusLineCountsWhileExtractingAndSumsUpAfter() {
        FWindow->SetWorkerCount(1);
        TPakWriter writer;
        for (const char* name : {"a.bin", "b.bin", "c.bin", "d.bin"})
            writer.AddCompressed(name, std::string(1000, name[0]));
        Open(writer);
        QStringList seen;
        QObject scope;
        connect(FWindow.get(), &TfrmMain::ExtractProgress, &scope,
                [&](const QString&, int) { seen << FWindow->StatusText(); });
        ExtractAll();
        QCOMPARE(seen.size(), 4);
        // The four files are alike: after k of them, k quarters of the stored bytes are read.
        const QRegularExpression line(
            QStringLiteral("^Entpacken: (\\d) von 4 Dateien · (\\d+) von (\\d+) Byte gelesen"));
        for (int k = 0; k < 4; ++k) {
            const QRegularExpressionMatch match = line.match(seen[k]);
            QVERIFY2(match.hasMatch() && match.captured(1).toInt() == k &&
                         match.captured(2).toInt() * 4 == match.captured(3).toInt() * k,
                     qPrintable(seen[k]));
        }
        QVERIFY2(Matches(FWindow->StatusText(), "^4 Dateien entpackt \\(4,0 KB\\) in [0-9,]+ s · "
                                                "0 beschädigt · 0 abgelehnt$"),
                 qPrintable(FWindow->StatusText()));

        TUrlCatcher catcher;
        QDesktopServices::setUrlHandler("file", &catcher, "Open");
        QVERIFY(!FWindow->Runs().btOpenFolder()->isHidden());
        FWindow->Runs().btOpenFolder()->click();
        QDesktopServices::unsetUrlHandler("file");
        QCOMPARE(catcher.Urls, QList<QUrl>{QUrl::fromLocalFile(Destination())});
        // The offer goes with the summary.
        FWindow->CheckArchiveCommand();
        QVERIFY(FWindow->Runs().btOpenFolder()->isHidden());
        WaitIdle();
    }

    void escapeCancelsLikeAbbrechen() {
        FWindow->SetWorkerCount(1);
        TPakWriter writer;
        for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
            writer.AddStored(name, name);
        Open(writer);
        FWindow->show();
        FWindow->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FWindow.get()));
        QObject scope;
        connect(FWindow.get(), &TfrmMain::ExtractProgress, &scope, [&](const QString& name, int) {
            if (name != "c.txt")
                return;
            QTest::keyClick(FWindow.get(), Qt::Key_Escape);
            QTRY_VERIFY(FWindow->CancelRequested()); // the button's click comes a moment later
        });
        ExtractAll();
        QCOMPARE(QDir(Destination()).entryList(QDir::Files), (QStringList{"a.txt", "b.txt"}));
        QVERIFY2(Matches(FWindow->StatusText(), "^Abgebrochen: 2 von 4 Dateien entpackt "),
                 qPrintable(FWindow->StatusText()));
    }

    // The first damaged entry has its box, and so does each next one until the user asks for
    // the summary instead; the summary then lists them all, with what else went wrong.
    void manyDamagedEntriesTakeTwoClicksAndAreAllListed() {
        FWindow->SetWorkerCount(3);
        TPakWriter writer;
        QStringList damaged;
        for (int i = 0; i < 300; ++i) {
            const std::string name = QStringLiteral("f%1").arg(i, 3, 10, QChar('0')).toStdString();
            if (i % 10 == 0) {
                writer.AddStored(name, "gut");
            } else {
                writer.AddRaw(writer.Root(), name, "kein zlib", 100);
                damaged << QString::fromStdString(name);
            }
        }
        writer.AddRaw(writer.Root(), "../ausbruch.txt", "1", 1);
        Open(writer);
        FPrompts.ChoiceAnswers = {0, 1}; // "OK", then "Weitere nur in der Zusammenfassung ..."
        ExtractAll();

        QCOMPARE(FPrompts.ChoiceButtons,
                 QStringList(2, "OK|Weitere nur in der Zusammenfassung melden"));
        QCOMPARE(FPrompts.MessageTexts(), (QStringList{"Fehler beim Entpacken von f001!",
                                                       "Fehler beim Entpacken von f002!"}));
        QCOMPARE(FPrompts.Lists.size(), size_t{1});
        QCOMPARE(FPrompts.Lists[0].Text,
                 QStringLiteral("Eine Datei mit unsicherem Pfad wurde nicht entpackt: "
                                "„../ausbruch.txt“.\n\n270 beschädigte Dateien konnten nicht "
                                "entpackt werden:"));
        QCOMPARE(FPrompts.Lists[0].Items, damaged);
        QVERIFY2(FWindow->StatusText().startsWith("30 Dateien entpackt (90 Byte) in ") &&
                     FWindow->StatusText().endsWith(" · 270 beschädigt · 1 abgelehnt"),
                 qPrintable(FWindow->StatusText()));
    }

    // Halfway through the stored bytes in 10 seconds: as fast again for the rest.
    void theTimeLeftFollowsThePaceSoFar() {
        const TRunStatus status(TRunStatus::TKind::Extract, 10, 2'000'000'000, 1'000'000'000);
        QCOMPARE(status.Line(5, 1'000'000'000, 500'000'000, 10'000),
                 QStringLiteral("Entpacken: 5 von 10 Dateien · 0,5 von 1,0 GB gelesen · "
                                "100,0 MB/s · noch 10 s"));
        QCOMPARE(status.Line(9, 1'990'000'000, 995'000'000, 600'000).section(" · ", 3),
                 QStringLiteral("noch 3 s"));
        QCOMPARE(status.Line(1, 20'000'000, 10'000'000, 100'000).section(" · ", 3),
                 QStringLiteral("noch 2:45:00 h"));
        // Not before the run has shown its pace.
        QCOMPARE(status.Line(1, 1'000'000, 500'000, 500).count(" · "), 2);
        // A declaration of 2^40 bytes does not stretch the time left: the stored bytes tell it.
        const TRunStatus liar(TRunStatus::TKind::Extract, 18, 1ull << 41, 60'000'000);
        QCOMPARE(liar.Line(9, 25'000'000, 30'000'000, 2'000).section(" · ", 1),
                 QStringLiteral("30,0 von 60,0 MB gelesen · 12,5 MB/s · noch 2 s"));
    }

    // An entry that declares 2^40 bytes and holds 4: the summary counts what was written, and
    // the preview and "Eigenschaften" show the real size once it is known.
    void declaredSizesDoNotInflateTheTotals() {
        TPakWriter writer;
        writer.AddCompressed("echt.txt", std::string(5000, 'e'));
        writer.AddCompressed("luege.txt", "vier").UnpackedSize = 1ull << 40;
        Open(writer);
        ExtractAll();
        QVERIFY2(FWindow->StatusText().startsWith("2 Dateien entpackt (5,0 KB) in "),
                 qPrintable(FWindow->StatusText()));
        QCOMPARE(ReadFileBytes(QDir(Destination()).filePath("luege.txt").toStdString()),
                 std::string("vier"));
        const QString told = "4 Bytes (angegeben: 1.099.511.627.776 Bytes, mehr als die Datei "
                             "enthält)";
        FWindow->Files().lvFiles()->setCurrentIndex(
            FWindow->Files().lvFiles()->model()->index(1, 0));
        FWindow->PropertiesCommand();
        QVERIFY2(FPrompts.Messages.back().Text.contains("Entpackt: " + told),
                 qPrintable(FPrompts.Messages.back().Text));
    }

    void thePreviewShowsTheRealSizeOnceRead() {
        TPakWriter writer;
        writer.AddCompressed("luege.txt", "vier").UnpackedSize = 1ull << 40;
        Open(writer);
        QSignalSpy updated(&FWindow->Preview(), &TPreviewDialog::Updated);
        FWindow->Files().lvFiles()->setCurrentIndex(
            FWindow->Files().lvFiles()->model()->index(0, 0));
        FWindow->PreviewCommand();
        QVERIFY(updated.wait(5000));
        QCOMPARE(FWindow->Preview().lbInfo->text().section(" · ", 1, 1),
                 "4 Byte (angegeben: 1.099,5 GB, mehr als die Datei enthält)");
        FWindow->PropertiesCommand();
        QVERIFY(FPrompts.Messages.back().Text.contains("Entpackt: 4 Bytes (angegeben: "));
    }

    // What a message with a 3,000-character name shows: the real box, as narrow as the screen.
    void ShownByTheRealBox(const QString& text, const QString& name) {
        TQtPrompts prompts;
        QRect shown;
        QString label;
        QString detail;
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown = box->frameGeometry();
                label = box->text();
                detail = box->detailedText();
                box->accept();
            }
        });
        prompts.ShowMessage(FWindow.get(), text, TPrompts::TIcon::Warning);
        const int screen = FWindow->screen()->availableGeometry().width();
        QVERIFY2(shown.width() > 0 && shown.width() <= std::min(screen, 1280),
                 qPrintable(QString::number(shown.width())));
        const qsizetype cut = label.indexOf(QChar(0x2026));
        QVERIFY2(cut > 0 && label.mid(cut - 20, 20) == name.left(20) &&
                     label.mid(cut + 1).contains(name.right(20)) && label.size() < 300,
                 qPrintable(label));
        QCOMPARE(detail, text);
    }

    void aLongNameIsShortenedInTheMiddleAndWhollyInTheDetail() {
        const QString name = QString(1500, 'a') + QString(1500, 'z') + ".txt";
        TPakWriter writer;
        writer.AddStored("ok.txt", "gut");
        writer.AddStored(name.toStdString(), "zu lang");
        Open(writer);
        ExtractAll();
        QCOMPARE(FPrompts.Messages.size(), size_t{1});
        QVERIFY(FPrompts.Messages[0].Text.contains(name));
        ShownByTheRealBox(FPrompts.Messages[0].Text, name);

        FWindow->Files().lvFiles()->setCurrentIndex(
            FWindow->Files().lvFiles()->model()->index(0, 0));
        FWindow->PropertiesCommand();
        QVERIFY(FPrompts.Messages.back().Text.contains(name));
        ShownByTheRealBox(FPrompts.Messages.back().Text, name);

        // The list's dialog alike.
        TQtPrompts prompts;
        int width = 0;
        QTimer::singleShot(0, [&] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                width = dialog->frameGeometry().width();
                static_cast<QDialog*>(dialog)->accept();
            }
        });
        prompts.ShowList(FWindow.get(), QStringLiteral("„%1“:").arg(name), {name},
                         TPrompts::TIcon::Warning);
        QVERIFY(width > 0 && width <= FWindow->screen()->availableGeometry().width());
    }
};

QTEST_MAIN(TestRuns)
#include "tst_runs.moc"
