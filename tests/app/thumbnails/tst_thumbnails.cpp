// The thumbnail grid, headless: it is the list's other view, decodes only what is on show and
// just around it, and keeps what it decoded within its limit however many pictures a folder has.
#include "PreviewContent.h"
#include "TgaWriter.h"
#include "ThumbnailJob.h"
#include "ThumbnailView.h"
#include "Thumbnails.h"
#include "WindowFixture.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>

namespace {

// A run-length encoded TGA of side × side pixels of one colour: small in the archive, a whole
// thumbnail once decoded.
std::string FlatTga(int side, char shade) {
    std::string packets;
    for (int left = side * side; left > 0; left -= 128)
        packets +=
            std::string{static_cast<char>(0x80 | (std::min(left, 128) - 1)), shade, shade, shade};
    return Tga(10, side, side, 24, 0x20, packets);
}

} // namespace

class TestThumbnails : public QObject, TWindowFixture {
    Q_OBJECT

    TThumbnails& Grid() { return FWindow->Thumbnails(); }
    TThumbnailView* View() { return Grid().lvThumbnails(); }
    int32_t EntryOfRow(int row) { return TFilePane::EntryOfItem(View()->model()->index(row, 0)); }
    bool Cached(int row) { return Grid().Cache().Contains(EntryOfRow(row)); }

    // Waits until every picture on show has its thumbnail and nothing more is decoded.
    bool WaitForShown() {
        return QTest::qWaitFor(
            [&] {
                if (View()->FirstPainted() < 0 || Grid().Busy())
                    return false;
                QApplication::processEvents(); // what the job reported last
                for (int row = View()->FirstPainted(); row <= View()->LastPainted(); ++row)
                    if (TThumbnails::IsPictureName(FWindow->Reader().EntryName(EntryOfRow(row))) &&
                        !Cached(row))
                        return false;
                return !Grid().Busy();
            },
            20000);
    }

    void OpenPictures(int count) {
        TPakWriter writer;
        writer.AddStored("aaa_liesmich.txt", "keine Bild");
        char name[32];
        const std::string picture = FlatTga(TThumbnailJob::kSide, '\x60');
        for (int i = 0; i < count; ++i) {
            std::snprintf(name, sizeof name, "bild_%06d.tga", i);
            writer.AddStored(name, picture);
        }
        Open(writer);
        FWindow->resize(700, 500);
        FWindow->show();
        FWindow->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FWindow.get()));
        FWindow->Files().lvFiles()->setFocus();
    }

private slots:
    void init() { SetUpWindow(0); }
    void cleanup() { TearDownWindow(); }

    // The grid takes the list's place on the same rows and selection: the keys move the current
    // file the list knows, and the list comes back with it. The choice is remembered.
    void theGridIsTheListsOtherView() {
        OpenPictures(30);
        QTreeView* list = FWindow->Files().lvFiles();
        list->setCurrentIndex(list->model()->index(3, 0));
        QVERIFY(FWindow->Controls().mnView->actions().contains(Grid().acThumbnails()));
        Grid().acThumbnails()->trigger();
        QVERIFY(list->isHidden());
        QVERIFY(View()->isVisible());
        QVERIFY(View()->hasFocus());
        QCOMPARE(View()->currentIndex().row(), 3);
        QTest::keyClick(View(), Qt::Key_Right);
        QCOMPARE(FWindow->Files().CurrentEntry(), EntryOfRow(4));
        // Space previews the grid's current file; the keyboard stays in the grid.
        QSignalSpy updated(&FWindow->Preview(), &TPreviewDialog::Updated);
        QTest::keyClick(View(), Qt::Key_Space);
        QVERIFY(updated.wait());
        QCOMPARE(FWindow->Preview().Shown()->Index, EntryOfRow(4));
        QVERIFY(View()->hasFocus());
        QVERIFY(WaitForShown());
        // The text file shows a file icon: it is never read for a thumbnail.
        QVERIFY(!Cached(0));
        QVERIFY(Cached(1));

        // A find's hits take the folder's place in the grid as in the list.
        QSignalSpy found(FWindow.get(), &TfrmMain::FindFinished);
        FWindow->FindCommand();
        FWindow->SetFindText("bild_000012");
        QVERIFY(found.wait());
        QCOMPARE(View()->model(), list->model());
        QCOMPARE(View()->model()->rowCount(), 1);
        FWindow->CloseFindCommand();
        QCOMPARE(View()->model()->rowCount(), 31);
        View()->setCurrentIndex(View()->model()->index(4, 0));

        Grid().acThumbnails()->trigger();
        QVERIFY(View()->isHidden());
        QVERIFY(list->isVisible());
        QVERIFY(list->hasFocus());
        QCOMPARE(list->currentIndex().row(), 4);

        Grid().Show(true);
        TfrmMain second(FPrompts, FStore);
        QVERIFY(second.Thumbnails().Shown());
    }

    // Only the thumbnails on show and a screen's worth above and below them are decoded;
    // scrolling decodes the ones that come into view.
    void decodesOnlyWhatIsShownAndAroundIt() {
        constexpr int kCount = 2000;
        OpenPictures(kCount);
        Grid().Show(true);
        QVERIFY(WaitForShown());
        const int first = View()->FirstPainted();
        const int last = View()->LastPainted();
        const int shown = last - first + 1;
        QVERIFY2(shown > 4 && shown < 200, qPrintable(QString::number(shown)));
        for (int row = 0; row <= kCount; ++row)
            if (Cached(row))
                QVERIFY2(row >= first - shown && row <= last + shown,
                         qPrintable(QStringLiteral("%1 of %2..%3").arg(row).arg(first).arg(last)));
        QVERIFY(Cached(last + 1)); // the margin below is decoded too
        QVERIFY(Grid().DecodedCount() <= 2 * shown + shown);

        View()->scrollToBottom();
        QVERIFY(WaitForShown());
        QCOMPARE(View()->LastPainted(), kCount);
        QVERIFY(Cached(kCount));
        QVERIFY(Grid().DecodedCount() < kCount / 4);
    }

    // 100,000 pictures in one folder, visited at a dozen places: what is kept never passes the
    // limit, the oldest go, and what is on show is there.
    void theLimitHoldsWith100000Pictures() {
        constexpr int kCount = 100000;
        OpenPictures(kCount);
        const int64_t limit =
            80 * TThumbnailCache::Cost(
                     QImage(TThumbnailJob::kSide, TThumbnailJob::kSide, QImage::Format_RGB32));
        Grid().SetCacheLimit(limit);
        Grid().Show(true);
        QVERIFY(WaitForShown());
        const int32_t firstShown = EntryOfRow(View()->FirstPainted() + 1);
        int64_t most = 0;
        connect(&Grid(), &TThumbnails::Decoded, this,
                [&] { most = std::max(most, Grid().Cache().Bytes()); });
        for (int place = 1; place <= 12; ++place) {
            View()->scrollTo(View()->model()->index(kCount / 12 * place, 0));
            QVERIFY(WaitForShown());
        }
        QVERIFY2(most <= limit, qPrintable(QStringLiteral("%1 > %2").arg(most).arg(limit)));
        QVERIFY(Grid().Cache().Count() <= 80);
        QVERIFY(Grid().DecodedCount() > 3 * 80);
        QVERIFY(!Grid().Cache().Contains(firstShown));
    }
};

QTEST_MAIN(TestThumbnails)
#include "tst_thumbnails.moc"
