// What assistive technology reads of the window: a German name and description for every
// control that takes the keyboard, and the content of the preview's own views (its lines as one
// text with a hit's line as the selection, its picture's size).
#include "FindBar.h"
#include "LineView.h"
#include "PathBar.h"
#include "PictureView.h"
#include "WindowFixture.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

class TestAccessibility : public QObject, TWindowFixture {
    Q_OBJECT

    static QString Read(QObject* object, QAccessible::Text kind) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
        return face ? face->text(kind) : QString();
    }

    void PreviewFile(const QString& name) {
        const QAbstractItemModel* list = FWindow->Files().lvFiles()->model();
        const QModelIndexList found =
            list->match(list->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        QSignalSpy updated(&FWindow->Preview(), &TPreviewDialog::Updated);
        FWindow->Files().lvFiles()->setCurrentIndex(found.first());
        FWindow->PreviewCommand();
        QVERIFY(updated.wait(10000));
    }

private slots:
    void init() {
        SetUpWindow(100);
        TPakWriter writer;
        writer.AddStored("liesmich.txt", "Erste Zeile\nZweite Zeile\nDritte");
        writer.AddStored("bild.ppm", "P6\n3 2\n255\n" + std::string(18, '\x7f'));
        Open(writer);
    }
    void cleanup() { TearDownWindow(); }

    void everyControlHasAGermanNameAndDescription() {
        PreviewFile("liesmich.txt");
        FWindow->FindCommand(); // the find bar, shown
        QList<QWidget*> controls = FWindow->findChildren<QWidget*>();
        controls += FWindow->Preview().findChildren<QWidget*>();
        int checked = 0;
        for (QWidget* control : controls) {
            // Scroll bars and the parts of composite controls are announced with their owner.
            if (control->focusPolicy() == Qt::NoFocus || control->focusProxy() ||
                qobject_cast<QScrollBar*>(control) || qobject_cast<QMenu*>(control))
                continue;
            const QString what = QString::fromLatin1(control->metaObject()->className());
            QVERIFY2(!Read(control, QAccessible::Name).isEmpty(), qPrintable(what));
            QVERIFY2(!Read(control, QAccessible::Description).isEmpty(), qPrintable(what));
            ++checked;
        }
        QVERIFY(checked >= 8);
        QCOMPARE(Read(FWindow->Folders().tvDirectories(), QAccessible::Name),
                 QStringLiteral("Verzeichnisse"));
        QCOMPARE(Read(FWindow->Files().lvFiles(), QAccessible::Name), QStringLiteral("Dateien"));
        QCOMPARE(Read(FWindow->Files().edFind(), QAccessible::Name), QStringLiteral("Suchen"));
        QCOMPARE(Read(FWindow->Preview().pvLines, QAccessible::Name),
                 QStringLiteral("Inhalt der Datei"));
        // The path bar's buttons take no focus, but are read by name all the same.
        const std::vector<QToolButton*> crumbs = FWindow->PathBar().Crumbs();
        QVERIFY(!crumbs.empty());
        QCOMPARE(Read(crumbs.front(), QAccessible::Name),
                 FWindow->DirectoryModel().Root()->Caption);
        for (QToolButton* button : FWindow->PathBar().findChildren<QToolButton*>()) {
            if (qobject_cast<QLineEdit*>(button->parentWidget()))
                continue; // the field's clear button, announced with the field
            QVERIFY2(!Read(button, QAccessible::Name).isEmpty(), qPrintable(button->toolTip()));
        }
    }

    void theLineViewReadsAsOneText() {
        PreviewFile("liesmich.txt");
        TLineView* lines = FWindow->Preview().pvLines;
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(lines);
        QVERIFY(face);
        QCOMPARE(face->role(), QAccessible::EditableText);
        QVERIFY(face->state().readOnly);
        QAccessibleTextInterface* text = face->textInterface();
        QVERIFY(text);
        const QString all = QStringLiteral("Erste Zeile\nZweite Zeile\nDritte");
        QCOMPARE(text->characterCount(), all.size());
        QCOMPARE(text->text(0, text->characterCount()), all);
        QCOMPARE(face->text(QAccessible::Value), all);
        QCOMPARE(text->text(6, 18), QStringLiteral("Zeile\nZweite"));
        int start = -1;
        int end = -1;
        QCOMPARE(text->textAtOffset(14, QAccessible::LineBoundary, &start, &end),
                 QStringLiteral("Zweite Zeile\n"));
        QCOMPARE(std::pair(start, end), std::pair(12, 25));

        // A highlighted line is the text's selection, with the caret at its beginning.
        QCOMPARE(text->selectionCount(), 0);
        lines->SetHighlight(2);
        QCOMPARE(text->selectionCount(), 1);
        text->selection(0, &start, &end);
        QCOMPARE(text->text(start, end), QStringLiteral("Dritte"));
        QCOMPARE(text->cursorPosition(), 25);
        // Where a character is drawn and which one is drawn at a point agree.
        QCOMPARE(text->offsetAtPoint(text->characterRect(15).center()), 15);
    }

    void thePictureViewTellsItsPicture() {
        PreviewFile("bild.ppm");
        QAccessibleInterface* face =
            QAccessible::queryAccessibleInterface(FWindow->Preview().pvPicture);
        QVERIFY(face);
        QCOMPARE(face->role(), QAccessible::Graphic);
        QCOMPARE(face->text(QAccessible::Name), QStringLiteral("Bild der Datei"));
        QCOMPARE(face->text(QAccessible::Value), QStringLiteral("Bild, 3 × 2 Pixel"));
        QVERIFY(face->imageInterface());
        QCOMPARE(face->imageInterface()->imageSize(), FWindow->Preview().pvPicture->ShownSize());
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
