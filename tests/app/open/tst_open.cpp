// "Öffnen" and "Öffnen mit...": the file written to a private temporary folder and handed to
// the desktop (here a stand-in that records it), and gone with the window.
#include "OpenCommand.h"
#include "WindowFixture.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QUrl>

class TestOpen : public QObject, TWindowFixture {
    Q_OBJECT

    QList<QUrl> FDefault;
    QList<QUrl> FChosen;
    bool FTaken = true;

    void SelectRow(int row) {
        QTreeView* list = FWindow->Files().lvFiles();
        // Whatever modifiers the keys before left pressed.
        list->selectionModel()->setCurrentIndex(list->model()->index(row, 0),
                                                QItemSelectionModel::ClearAndSelect |
                                                    QItemSelectionModel::Rows);
    }

private slots:
    void init() {
        SetUpWindow(0);
        FDefault.clear();
        FChosen.clear();
        FTaken = true;
        FWindow->Opener().SetOpeners({
            [this](const QUrl& url) { return FDefault << url, FTaken; },
            [this](const QUrl& url) { return FChosen << url, FTaken; },
        });
        TPakWriter writer;
        writer.AddCompressed("bilder/karte.txt", "Inhalt der Karte");
        writer.AddStored("bilder/logo.txt", "Logo");
        Open(writer);
        SelectDirectory("bilder");
    }
    void cleanup() { TearDownWindow(); }

    void openWritesAPrivateReadOnlyCopyThatGoesWithTheWindow() {
        // Ctrl+Enter in the list, as the context menu's first item.
        QCOMPARE(FWindow->Files().PopupFiles()->actions().value(0), FWindow->Opener().acOpen());
        FWindow->show();
        FWindow->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FWindow.get()));
        QTreeView* list = FWindow->Files().lvFiles();
        list->setFocus();
        QTRY_VERIFY(list->hasFocus());
        SelectRow(0);
        QTest::keyClick(list, Qt::Key_Return, Qt::ControlModifier);
        QTRY_COMPARE(FDefault.size(), 1);
        QVERIFY(FPrompts.SavePresets.isEmpty()); // no save dialog: that is Enter's

        const QString file = FDefault[0].toLocalFile();
        QCOMPARE(QFileInfo(file).fileName(), QString("karte.txt"));
        QFile copy(file);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), QByteArray("Inhalt der Karte"));
        QCOMPARE(QFile::permissions(file) &
                     (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther),
                 QFile::Permissions());
        const QString folder = QFileInfo(file).path();
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFile::permissions(folder) & others, QFile::Permissions());

        // "Öffnen mit..." asks the chooser, with a copy of its own.
        SelectRow(1);
        FWindow->Opener().acOpenWith()->trigger();
        QTRY_COMPARE(FChosen.size(), 1);
        QCOMPARE(QFileInfo(FChosen[0].toLocalFile()).fileName(), QString("logo.txt"));
        QVERIFY(QFileInfo(FChosen[0].toLocalFile()).path() != folder);
        QCOMPARE(FWindow->Opener().Folders().size(), 2);

        // Closing the archive leaves them to the programs; the window's end takes them.
        FWindow->OpenArchiveCommand(FDir->filePath("fehlt.pak"));
        WaitIdle();
        QVERIFY(QFileInfo::exists(file));
        FWindow.reset();
        QVERIFY(!QFileInfo::exists(file));
        QVERIFY(!QFileInfo::exists(folder));
    }

    void aFileNoProgramTakesIsTold() {
        FTaken = false;
        SelectRow(1);
        FWindow->OpenFileCommand(false);
        QTRY_COMPARE(FDefault.size(), 1);
        QTRY_COMPARE(FPrompts.MessageTexts(),
                     QStringList{"Für „bilder/logo.txt“ ist kein Programm zum Öffnen "
                                 "eingerichtet."});
        // Nothing chosen: nothing written, nothing asked.
        FWindow->Files().lvFiles()->clearSelection();
        FWindow->OpenFileCommand(false);
        QCOMPARE(FWindow->Opener().Folders().size(), 1);
    }
};

QTEST_MAIN(TestOpen)
#include "tst_open.moc"
