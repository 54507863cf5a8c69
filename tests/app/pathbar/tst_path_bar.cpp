// The path bar above the list: its buttons for the path of the folder shown, going back, ahead
// and up by key, button and mouse, and a path typed into it.
#include "PathBar.h"
#include "WindowFixture.h"

#include <QAction>
#include <QCompleter>
#include <QLineEdit>
#include <QToolButton>

class TestPathBar : public QObject, TWindowFixture {
    Q_OBJECT

    TPathBar& Bar() const { return FWindow->PathBar(); }
    QStringList CrumbTexts() const {
        QStringList texts;
        for (const QToolButton* crumb : Bar().Crumbs())
            texts << crumb->text();
        return texts;
    }
    const TDirNode* Node(const QString& path) const {
        return FWindow->DirectoryModel().Root()->FindCaptionPath(path);
    }
    const TDirNode* Shown() const { return FWindow->Folders().SelectedNode(); }

private slots:
    void init() {
        SetUpWindow(0);
        TPakWriter writer;
        writer.AddStored("wurzel.txt", "w");
        writer.AddStored("a/b/c/tief.txt", "t");
        writer.AddStored("a/d/e.txt", "e");
        writer.AddStored("z/y.txt", "y");
        Open(writer);
        FWindow->show();
        FWindow->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FWindow.get()));
    }
    void cleanup() { TearDownWindow(); }

    void crumbsFollowTheFolderAndAClickGoesThere() {
        QCOMPARE(CrumbTexts(), QStringList{"archiv.pak"});
        QVERIFY(!Bar().acBack()->isEnabled());
        QVERIFY(!Bar().acUp()->isEnabled());
        SelectDirectory("a/b/c");
        QCOMPARE(CrumbTexts(), (QStringList{"archiv.pak", "a", "b", "c"}));
        QTest::mouseClick(Bar().Crumbs()[1], Qt::LeftButton);
        QCOMPARE(Shown(), Node("a"));
        QCOMPARE(CrumbTexts(), (QStringList{"archiv.pak", "a"}));
        QCOMPARE(FWindow->Files().lvFiles()->model()->rowCount(), 0); // a holds folders only
        QTest::mouseClick(Bar().Crumbs()[0], Qt::LeftButton);
        QCOMPARE(Shown(), Node(""));
    }

    void backForwardAndUpByKeyButtonAndMouse() {
        SelectDirectory("a/b/c");
        SelectDirectory("z");
        QTreeView* list = FWindow->Files().lvFiles();
        list->setFocus();
        QTRY_VERIFY(list->hasFocus());

        QTest::keyClick(list, Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(Shown(), Node("a/b/c"));
        QVERIFY(Bar().acForward()->isEnabled());
        QTest::keyClick(list, Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(Shown(), Node("z"));
        QVERIFY(!Bar().acForward()->isEnabled());

        QTest::mouseClick(list->viewport(), Qt::BackButton);
        QCOMPARE(Shown(), Node("a/b/c"));
        QTest::mouseClick(list->viewport(), Qt::ForwardButton);
        QCOMPARE(Shown(), Node("z"));

        // Up is a step of its own: back returns to where it started.
        FWindow->PathBar().acBack()->trigger();
        QTest::keyClick(list, Qt::Key_Backspace);
        QCOMPARE(Shown(), Node("a/b"));
        QTest::keyClick(list, Qt::Key_Up, Qt::AltModifier);
        QCOMPARE(Shown(), Node("a"));
        QTest::keyClick(list, Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(Shown(), Node("a/b"));
        // A new step forgets the steps ahead.
        SelectDirectory("z");
        QVERIFY(!Bar().acForward()->isEnabled());

        // Backspace in a text field is the field's.
        FWindow->FindCommand();
        FWindow->Files().edFind()->setText("xy");
        QTest::keyClick(FWindow->Files().edFind(), Qt::Key_Backspace);
        QCOMPARE(FWindow->Files().edFind()->text(), QString("x"));
        QCOMPARE(Shown(), Node("z"));
    }

    void typedPathGoesThereWithCompletion() {
        QTreeView* list = FWindow->Files().lvFiles();
        list->setFocus();
        QTRY_VERIFY(list->hasFocus());
        QTest::keyClick(list, Qt::Key_F6);
        QVERIFY(Bar().Editing());
        QTRY_VERIFY(Bar().edPath()->hasFocus());
        QCOMPARE(Bar().edPath()->text(), QString()); // the root
        QTest::keyClicks(Bar().edPath(), "a/b");
        QTest::keyClick(Bar().edPath(), Qt::Key_Return);
        QCOMPARE(Shown(), Node("a/b"));
        QVERIFY(!Bar().Editing());

        // The folders of the level typed, whatever their case; the archive's name may lead.
        QCompleter* completer = Bar().edPath()->completer();
        completer->setCompletionPrefix("a/");
        QCOMPARE(completer->completionCount(), 2);
        completer->setCompletionPrefix("/A/D");
        QCOMPARE(completer->completionCount(), 1);
        QCOMPARE(completer->currentCompletion(), QString("a/d"));
        QVERIFY(Bar().GoToPath("archiv.pak/a/d/"));
        QCOMPARE(Shown(), Node("a/d"));

        // A click into the bar's empty part edits the path shown.
        QWidget* area = Bar().Crumbs().back()->parentWidget();
        QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(area->width() - 2, area->height() / 2));
        QVERIFY(Bar().Editing());
        QCOMPARE(Bar().edPath()->text(), QString("a/d"));
        QTest::keyClick(Bar().edPath(), Qt::Key_Escape);
        QVERIFY(!Bar().Editing());
    }

    void unknownPathIsToldAndNothingChanges() {
        SelectDirectory("z");
        Bar().StartEditing();
        Bar().edPath()->setText("a/nix");
        QTest::keyClick(Bar().edPath(), Qt::Key_Return);
        QCOMPARE(FPrompts.MessageTexts(),
                 QStringList{"Den Ordner „a/nix“ gibt es in diesem Archiv nicht."});
        QCOMPARE(Shown(), Node("z"));
        QVERIFY(Bar().Editing()); // to correct the path
        QCOMPARE(Bar().edPath()->text(), QString("a/nix"));
        QVERIFY(!Bar().acForward()->isEnabled());
    }

    void closingTheArchiveForgetsThePath() {
        SelectDirectory("a/b");
        FPrompts.OpenAnswers.push_back(FDir->filePath("fehlt.pak"));
        FWindow->OpenCommand();
        WaitIdle();
        QVERIFY(CrumbTexts().isEmpty());
        QVERIFY(!Bar().acBack()->isEnabled());
        QVERIFY(!Bar().acEditPath()->isEnabled());
    }
};

QTEST_MAIN(TestPathBar)
#include "tst_path_bar.moc"
