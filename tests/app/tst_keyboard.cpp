// The window by keyboard alone: F10 into the menu bar, the context menus by Shift+F10 and the
// Menu key, accelerator letters that do not clash, and word in the status line where a command
// finds no file.
#include "PreviewDialog.h"
#include "WindowFixture.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QSignalSpy>

namespace {

// The accelerator letter of a menu item, or a null character.
QChar Mnemonic(const QString& text) {
    const qsizetype at = text.indexOf(QChar('&'));
    return at >= 0 && at + 1 < text.size() ? text[at + 1].toLower() : QChar();
}

std::vector<QAction*> All(const QMenu* menu) {
    const QList<QAction*> actions = menu->actions();
    return {actions.begin(), actions.end()};
}

} // namespace

class TestKeyboard : public QObject, TWindowFixture {
    Q_OBJECT

    void OpenShown() {
        TPakWriter writer;
        writer.AddStored("a/eins.txt", "1");
        writer.AddStored("a/zwei.txt", "2");
        writer.AddStored("a/drei.txt", "3");
        Open(writer);
        FWindow->show();
        FWindow->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FWindow.get()));
    }

private slots:
    void init() { SetUpWindow(0); }
    void cleanup() { TearDownWindow(); }

    void f10OpensTheMenuBar() {
        OpenShown();
        QTest::keyClick(FWindow.get(), Qt::Key_F10);
        QTRY_VERIFY(FWindow->Controls().mnFile->isVisible());
        QCOMPARE(FWindow->menuBar()->activeAction(), FWindow->Controls().mnFile->menuAction());
        FWindow->Controls().mnFile->close();
    }

    void shiftF10AndTheMenuKeyOpenTheFocusedViewsMenuAtItsCurrentItem() {
        OpenShown();
        SelectDirectory("a");
        QTreeView* list = FWindow->Files().lvFiles();
        list->setFocus();
        QTRY_VERIFY(list->hasFocus());
        const QModelIndex third = list->model()->index(2, 0);
        list->setCurrentIndex(third);
        QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(FWindow->Files().PopupFiles()->isVisible());
        const QRect item(list->viewport()->mapToGlobal(list->visualRect(third).topLeft()),
                         list->visualRect(third).size());
        QVERIFY(item.contains(FWindow->Files().PopupFiles()->pos()));
        FWindow->Files().PopupFiles()->close();

        FWindow->Folders().tvDirectories()->setFocus();
        QTRY_VERIFY(FWindow->Folders().tvDirectories()->hasFocus());
        QTest::keyClick(FWindow->Folders().tvDirectories(), Qt::Key_Menu);
        QTRY_VERIFY(FWindow->Folders().PopupMenu1()->isVisible());
        FWindow->Folders().PopupMenu1()->close();
    }

    // Within one menu no two items share a letter, and the items beyond the menus' first ones
    // all have one.
    void acceleratorsDoNotClash() {
        const std::vector<std::pair<QMenu*, std::vector<QAction*>>> menus = {
            {FWindow->Controls().mnFile, {FWindow->Controls().acOpen, FWindow->Controls().acExit}},
            {FWindow->Controls().mnExtract,
             {FWindow->Controls().acPreview, FWindow->Controls().acCheck}},
            {FWindow->Controls().mnView, All(FWindow->Controls().mnView)},
            {FWindow->Files().PopupFiles(), All(FWindow->Files().PopupFiles())},
        };
        for (const auto& [menu, needing] : menus) {
            QSet<QChar> letters;
            for (QAction* action : menu->actions()) {
                const QChar letter = Mnemonic(action->text());
                if (!letter.isNull()) {
                    QVERIFY2(!letters.contains(letter), qPrintable(action->text()));
                    letters << letter;
                }
            }
            for (QAction* action : needing)
                QVERIFY2(action->isSeparator() || !Mnemonic(action->text()).isNull(),
                         qPrintable(action->text()));
        }
        QStringList bar;
        for (QAction* menu : FWindow->menuBar()->actions())
            bar << Mnemonic(menu->text());
        QCOMPARE(bar, (QStringList{"d", "e", "a", "h"}));
    }

    void commandsWithoutASelectedFileSaySoInTheStatusLine() {
        OpenShown();
        SelectDirectory("a");
        FWindow->Files().lvFiles()->selectionModel()->clear();
        const QString said = "Keine Datei gewählt: bitte zuerst eine Datei in der Liste wählen.";
        QSignalSpy status(FWindow.get(), &TfrmMain::StatusTextChanged);
        FWindow->ExtractSelectedFileCommand();
        FWindow->PreviewCommand();
        QCOMPARE(status.size(), 2);
        for (const QList<QVariant>& text : status)
            QCOMPARE(text.at(0).toString(), said);
        QVERIFY(FPrompts.SavePresets.isEmpty());
        QVERIFY(!FWindow->Preview().isVisible());
    }
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
