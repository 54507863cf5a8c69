// The preview, headless: what it shows for text, pictures and other bytes, stored, compressed,
// cut or damaged, and how it follows the file list.
#include "LineView.h"
#include "PakWriter.h"
#include "PreviewContent.h"
#include "PreviewDialog.h"
#include "PreviewJob.h"
#include "TgaWriter.h"
#include "WindowFixture.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QTreeView>

namespace {

std::string PngBytes(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

// An uncompressed 2 × 2 true-colour TGA, a format without a signature at its start (Qt reads
// those with the footer of version 2.0 only).
std::string TgaBytes() {
    const std::string header("\0\0\x02\0\0\0\0\0\0\0\0\0\x02\0\x02\0\x18\x20", 18);
    const std::string footer("\0\0\0\0\0\0\0\0TRUEVISION-XFILE.\0", 26);
    return header + std::string(12, '\x40') + footer;
}

} // namespace

Q_DECLARE_METATYPE(TPreview::TKind)

class TestPreview : public QObject, TWindowFixture {
    Q_OBJECT

    // Opens the preview of the root list's file at row and waits until it is on show.
    const TPreview& PreviewRow(int row) {
        QSignalSpy updated(&FWindow->Preview(), &TPreviewDialog::Updated);
        FWindow->Files().lvFiles()->setCurrentIndex(
            FWindow->Files().lvFiles()->model()->index(row, 0));
        FWindow->Controls().acPreview->trigger();
        [&] { QVERIFY(updated.wait(10000)); }();
        return *FWindow->Preview().Shown();
    }

private slots:
    void init() { SetUpWindow(0); }
    void cleanup() { TearDownWindow(); }

    void showsEachKindOfContent_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("storage"); // "stored", "compressed", or "raw" with declared
        QTest::addColumn<qulonglong>("declared");
        QTest::addColumn<TPreview::TKind>("kind");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("firstLine"); // of the text, or the message shown

        using K = TPreview::TKind;
        const QByteArray utf8 = QStringLiteral("\tGrüße aus Varnholm\nZeile 2").toUtf8();
        const QByteArray binary("\x00\x01\x02"
                                "ABC",
                                6);
        const QString hexLine = QStringLiteral("00000000  00 01 02 41 42 43").leftJustified(60) +
                                QStringLiteral("...ABC");
        QTest::newRow("UTF-8, compressed")
            << QByteArray("gr\xFC\xDF"
                          "e.txt")
            << utf8 << "compressed" << 0ull << K::Text << "Text (UTF-8)"
            << "    Grüße aus Varnholm";
        QTest::newRow("Windows-1252, stored")
            << QByteArray("alt.ini")
            << QByteArray("Gr\xFC\xDF"
                          "e\r\nx")
            << "stored" << 0ull << K::Text << "Text (Windows-1252)"
            << "Grüße";
        QTest::newRow("empty") << QByteArray("leer.txt") << QByteArray() << "stored" << 0ull
                               << K::Text << "Leere Datei"
                               << "";
        QTest::newRow("PNG by its content, compressed")
            << QByteArray("bild.dat") << QByteArray::fromStdString(PngBytes(32, 16)) << "compressed"
            << 0ull << K::Picture << "Bild (PNG), 32 × 16 Pixel"
            << "";
        QTest::newRow("TGA by its name")
            << QByteArray("textur.tga") << QByteArray::fromStdString(TgaBytes()) << "stored" << 0ull
            << K::Picture << "Bild (TGA), 2 × 2 Pixel"
            << "";
        QTest::newRow("TGA without the footer, run-length encoded")
            << QByteArray("karte.tga")
            << QByteArray::fromStdString(Tga(10, 3, 2, 24, 0x20, "\x85\x10\x20\x30")) << "stored"
            << 0ull << K::Picture << "Bild (TGA), 3 × 2 Pixel"
            << "";
        QTest::newRow("TGA bytes under another name")
            << QByteArray("textur.bin") << QByteArray::fromStdString(TgaBytes()) << "stored" << 0ull
            << K::Hex << "Binärdaten, hexadezimal"
            << "00000000  00 00 02 00 00 00 00 00  00 00 00 00 02 00 02 00  ................";
        QTest::newRow("other bytes") << QByteArray("x.bin") << binary << "compressed" << 0ull
                                     << K::Hex << "Binärdaten, hexadezimal" << hexLine;
        QTest::newRow("garbage for zlib")
            << QByteArray("kaputt.txt") << QByteArray("kein zlib") << "raw" << 100ull
            << K::Unreadable << ""
            << "Die Datei ist beschädigt: Ihr Inhalt lässt sich nicht entpacken.";
        QTest::newRow("declared far larger than it is")
            << QByteArray("klein.txt") << QByteArray::fromStdString(ZlibCompress("klein")) << "raw"
            << (1ull << 62) << K::Text << "Text (ASCII)"
            << "klein";
        QTest::newRow("data past the end")
            << QByteArray("weg.txt") << QByteArray("abc") << "past the end" << 0ull << K::Unreadable
            << ""
            << "Die Daten dieser Datei liegen hinter dem Ende des Archivs.";
    }

    void showsEachKindOfContent() {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, storage);
        QFETCH(qulonglong, declared);
        TPakWriter writer;
        const std::string path = name.toStdString();
        const std::string bytes = content.toStdString();
        if (storage == "compressed")
            writer.AddCompressed(path, bytes);
        else if (storage == "raw")
            writer.AddRaw(writer.Root(), path, bytes, declared);
        else if (storage == "stored")
            writer.AddStored(path, bytes);
        else {
            TPakWriter::TFile& file = writer.AddStored(path, bytes);
            file.StoredSize = file.UnpackedSize = 1 << 30;
        }
        Open(writer);

        const TPreview& shown = PreviewRow(0);
        QTEST(shown.Kind, "kind");
        QTEST(shown.Description, "description");
        QCOMPARE(shown.Cut, false);
        QVERIFY(FWindow->Preview().lbNotice->isHidden());
        switch (shown.Kind) {
        case TPreview::TKind::Text:
        case TPreview::TKind::Hex:
            QTEST(FWindow->Preview().pvLines->Line(0), "firstLine");
            break;
        case TPreview::TKind::Picture:
            QVERIFY(!shown.Picture.isNull());
            break;
        case TPreview::TKind::Unreadable:
            QTEST(FWindow->Preview().lbMessage->text(), "firstLine");
            break;
        }
    }

    // Only the beginning is read; a character split by the cut does not make UTF-8 look like
    // another encoding.
    void aLongEntryIsCutAndSaysSo() {
        std::string content;
        while (content.size() < TPreviewJob::kLimit + (1 << 20))
            content += "x\xC3\xA4"; // "xä"
        TPakWriter writer;
        writer.AddCompressed("lang.txt", content);
        Open(writer);
        const TPreview& shown = PreviewRow(0);
        QCOMPARE(shown.Kind, TPreview::TKind::Text);
        QCOMPARE(shown.Description, QStringLiteral("Text (UTF-8)"));
        QVERIFY(shown.Cut);
        QVERIFY(!FWindow->Preview().lbNotice->isHidden());
        QVERIFY(FWindow->Preview().lbNotice->text().contains("nur der Anfang"));
        // Every whole "xä" of the first kLimit bytes, and the "x" before the split "ä".
        QCOMPARE(shown.Text.size(), qsizetype(TPreviewJob::kLimit / 3 * 2 + 1));
        QVERIFY(shown.Text.endsWith(QStringLiteral("äx")));
    }

    void followsTheListAndClosesWithTheArchive() {
        TPakWriter writer;
        writer.AddStored("a.txt", "erste");
        writer.AddCompressed("b.txt", "zweite");
        writer.AddStored("c.txt", "dritte");
        Open(writer);
        FWindow->show();
        FWindow->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FWindow.get()));
        TPreviewDialog* preview = &FWindow->Preview();
        QSignalSpy updated(preview, &TPreviewDialog::Updated);

        // Space in the list opens it; the keyboard stays with the list.
        QTreeView* list = FWindow->Files().lvFiles();
        list->setFocus();
        list->setCurrentIndex(list->model()->index(0, 0));
        QTest::keyClick(list, Qt::Key_Space);
        QVERIFY(updated.wait());
        QCOMPARE(preview->Shown()->Path, QStringLiteral("a.txt"));
        QVERIFY(list->hasFocus());
        // A pane of the window, at its right.
        QVERIFY(!preview->isFloating());
        QCOMPARE(FWindow->dockWidgetArea(preview), Qt::RightDockWidgetArea);
        QVERIFY(preview->geometry().left() > list->mapTo(FWindow.get(), QPoint()).x());

        QTest::keyClick(list, Qt::Key_Down);
        QVERIFY(updated.wait());
        QCOMPARE(preview->Shown()->Path, QStringLiteral("b.txt"));
        QCOMPARE(preview->pvLines->Line(0), QStringLiteral("zweite"));
        QVERIFY(list->hasFocus());

        // Closing the archive (here: opening it again) closes the preview first.
        FWindow->OpenArchiveCommand(FDir->filePath("archiv.pak"));
        QVERIFY(preview->isHidden());
        QVERIFY(!preview->Shown());
        WaitIdle();
        QTest::keyClick(list, Qt::Key_Down); // a closed preview stays closed
        QTest::qWait(50);
        QVERIFY(preview->isHidden());
    }

    // The notice reads well on the default palette and on one whose hint colours do not.
    void theNoticeIsReadableOnEveryPalette() {
        TPreviewDialog* preview = &FWindow->Preview();
        const auto contrast = [&] {
            const QLabel* notice = preview->lbNotice;
            return ContrastRatio(notice->palette().color(notice->foregroundRole()),
                                 notice->palette().color(notice->backgroundRole()));
        };
        QVERIFY2(contrast() >= 4.5, qPrintable(QString::number(contrast())));
        QPalette hostile = preview->palette();
        hostile.setColor(QPalette::ToolTipBase, QColor(255, 255, 220));
        hostile.setColor(QPalette::ToolTipText, Qt::white);
        hostile.setColor(QPalette::BrightText, Qt::white);
        preview->setPalette(hostile);
        QVERIFY2(contrast() >= 4.5, qPrintable(QString::number(contrast())));
        QCOMPARE(ContrastRatio(Qt::black, Qt::white), 21.0);
    }

    // Docked on the right at first; where the user leaves it, docked on another side or
    // floating, it is again at the next start.
    void isWhereItWasLeft() {
        TPakWriter writer;
        writer.AddStored("a.txt", "erste");
        Open(writer);
        FWindow->show();
        FWindow->Preview().ShowEntry(0);
        QVERIFY(FWindow->Preview().isVisible());
        QCOMPARE(FWindow->dockWidgetArea(&FWindow->Preview()), Qt::RightDockWidgetArea);

        auto store = std::make_shared<MemoryRegistryStore>();
        const QRect screen = FWindow->screen()->availableGeometry();
        const QRect floated(screen.topLeft() + QPoint(13, 17), QSize(300, 200));
        const auto previewIn = [&](TfrmMain& window) {
            window.OpenArchiveCommand(FDir->filePath("archiv.pak"));
            QTRY_VERIFY2(window.ArchiveOpen(), qPrintable(FPrompts.MessageTexts().join('|')));
            window.show();
            QVERIFY(window.Preview().isHidden()); // until there is something to show
            window.Preview().ShowEntry(0);
            QVERIFY(window.Preview().isVisible());
        };
        {
            TfrmMain first(FPrompts, store);
            previewIn(first);
            first.addDockWidget(Qt::LeftDockWidgetArea, &first.Preview());
        }
        {
            TfrmMain second(FPrompts, store);
            previewIn(second);
            QCOMPARE(second.dockWidgetArea(&second.Preview()), Qt::LeftDockWidgetArea);
            QVERIFY(!second.Preview().isFloating());
            second.Preview().setFloating(true);
            second.Preview().setGeometry(floated);
        }
        TfrmMain third(FPrompts, store);
        previewIn(third);
        QVERIFY(third.Preview().isFloating());
        // (Restoring a geometry may be a pixel off where the platform guesses the frame.)
        QVERIFY((third.Preview().geometry().topLeft() - floated.topLeft()).manhattanLength() <= 2);
    }
};

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
