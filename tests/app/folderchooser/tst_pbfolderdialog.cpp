#include "FolderBrowser.h"
#include "FolderButtonGeometry.h"
#include "FolderCaptions.h"
#include "FolderPaths.h"
#include "FolderTreeModel.h"
#include "PBFolderDialog.h"
#include "SystemLanguage.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <deque>
#include <functional>
#include <memory>

namespace {

// Answers the modal dialogs a test opens, one step at a time, by polling the active modal
// widget, so that no test ever waits for a human. A step that finds no dialog of its kind in
// time, or a dialog left open when the steps are done, is reported, and from then on every
// dialog is rejected so that Execute returns.
class TModalScript : public QObject {
public:
    TModalScript() {
        connect(&FTimer, &QTimer::timeout, this, [this] { Tick(); });
        FTimer.start(10);
        FSince.start();
    }

    // The next step acts on the active modal widget of type T: a new one (not acted on before)
    // unless sameWidget is set.
    template <typename T>
    TModalScript& On(std::function<void(T*)> action, bool sameWidget = false) {
        FSteps.push_back({[sameWidget](QWidget* w) {
                              return qobject_cast<T*>(w) != nullptr &&
                                     (sameWidget || !w->property("scriptSeen").toBool());
                          },
                          [action](QWidget* w) { action(qobject_cast<T*>(w)); }});
        return *this;
    }

    QStringList Failures;

private:
    struct TStep {
        std::function<bool(QWidget*)> Matches;
        std::function<void(QWidget*)> Act;
    };

    void Tick() {
        QWidget* modal = QApplication::activeModalWidget();
        if (FAborted) {
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            return;
        }
        if (!FSteps.empty() && modal != nullptr && FSteps.front().Matches(modal)) {
            // Run from a posted call, not from the timer: a timer does not fire again while its
            // handler runs, and the action may open a dialog whose loop needs the next steps.
            TStep step = std::move(FSteps.front());
            FSteps.pop_front();
            modal->setProperty("scriptSeen", true);
            FSince.restart();
            QMetaObject::invokeMethod(
                this,
                [act = std::move(step.Act), target = QPointer<QWidget>(modal)] {
                    if (target)
                        act(target);
                },
                Qt::QueuedConnection);
            return;
        }
        const bool stuck =
            FSteps.empty() ? modal != nullptr && FSince.elapsed() > 3000 : FSince.elapsed() > 5000;
        if (stuck) {
            Failures << (FSteps.empty()
                             ? QStringLiteral("a dialog stayed open")
                             : QStringLiteral("%1 step(s) never ran").arg(FSteps.size()));
            FAborted = true;
        }
    }

    std::deque<TStep> FSteps;
    QTimer FTimer;
    QElapsedTimer FSince;
    bool FAborted = false;
};

QString CurrentPath(TFolderBrowser* browser) {
    const auto item = browser->CurrentItem();
    return item ? item->Path : QStringLiteral("<none>");
}

// Selects a folder in the tree as a click would.
void SelectInTree(TFolderBrowser* browser, const TFolderItem& item) {
    browser->Tree()->setCurrentIndex(browser->Model()->IndexOf(item));
}

QPushButton* ButtonWithText(QWidget* parent, const QString& text) {
    for (QPushButton* button : parent->findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

// Types a name into the new-folder prompt and confirms it.
void AnswerName(QInputDialog* box, const QString& name) {
    box->setTextValue(name);
    ButtonWithText(box, QStringLiteral("OK"))->click();
}

} // namespace

class TestPBFolderDialog : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> FTemp;

    QString Made(const QString& relative) {
        const QString path = FTemp->path() + u'/' + relative;
        QDir().mkpath(path);
        return path;
    }

private slots:
    void init() { FTemp = std::make_unique<QTemporaryDir>(); }
    void cleanup() { FTemp.reset(); }

    void shortenPath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("expected");
        const QChar bs = u'\\';
        QTest::newRow("drops folders after the drive")
            << "C:\\Dokumente und Einstellungen\\Benutzer\\Eigene Dateien\\Spiele\\Entpackt" << bs
            << "C:\\...\\Benutzer\\Eigene Dateien\\Spiele\\Entpackt";
        QTest::newRow("keeps the share of a network path")
            << "\\\\server\\freigabe\\Projekte\\Archive\\Daten\\Entpackt\\Texturen" << bs
            << "\\\\server\\...\\Archive\\Daten\\Entpackt\\Texturen";
        QTest::newRow("cuts a last part that does not fit")
            << "C:\\Ordner\\Ein ausgesprochen langer Ordnername mit vielen Buchstaben darin" << bs
            << "C:\\...\\Ein ausgesprochen langer Ordnername mit ...";
        QTest::newRow("one separator after the root keeps the head")
            << "D:\\Sehr langer Ordnername ohne weitere Unterordner in diesem Pfad x" << bs
            << "D:\\Sehr langer Ordnername ohne weitere Unterordner";
        const QString fifty = "C:\\" + QString(20, u'a') + "\\" + QString(26, u'b');
        QTest::newRow("exactly 50 characters") << fifty << bs << fifty;
        QTest::newRow("empty") << "" << bs << "";
        QTest::newRow("no separator") << QString(60, u'x') << bs << QString(50, u'x');
        QTest::newRow("slash root is not a share")
            << "/home/benutzer/Dokumente und Einstellungen/Spiele/Varnholm/Entpackt" << QChar(u'/')
            << "/.../Spiele/Varnholm/Entpackt";
        QTest::newRow("slash path drops several folders")
            << "/mnt/daten/eine ziemlich lange Sammlung/von Ordnern/mit Namen/Ziel" << QChar(u'/')
            << "/.../von Ordnern/mit Namen/Ziel";
        QTest::newRow("slash path cut at its end")
            << "/mnt/a/Ein ausgesprochen langer Ordnername mit vielen Buchstaben darin"
            << QChar(u'/') << "/.../Ein ausgesprochen langer Ordnername mit vi...";
    }
    void shortenPath() {
        QFETCH(QString, path);
        QFETCH(QChar, separator);
        QFETCH(QString, expected);
        const QString shortened = ShortenPath(path, 50, separator);
        QCOMPARE(shortened, expected);
        QVERIFY(shortened.size() <= 50);
    }

    void shortenPathWithTinyMaximumKeepsHead() {
        QCOMPARE(ShortenPath("C:\\a\\b\\c\\d", 5, u'\\'), QStringLiteral("C:\\a\\"));
        QCOMPARE(ShortenPath("C:\\a\\b\\c\\d", -1, u'\\'), QString());
    }

    void newFolderTarget_data() {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("expected");
        QTest::newRow("below a folder") << "C:\\Daten"
                                        << "Neu" << QChar(u'\\') << "C:\\Daten\\Neu";
        QTest::newRow("below a drive root") << "C:\\"
                                            << "Neu" << QChar(u'\\') << "C:\\Neu";
        QTest::newRow("name with separator") << "C:\\Daten"
                                             << "\\Neu" << QChar(u'\\') << "C:\\Daten\\Neu";
        QTest::newRow("below the root") << "/"
                                        << "a/b" << QChar(u'/') << "/a/b";
        QTest::newRow("below a slash folder") << "/srv"
                                              << "Neu" << QChar(u'/') << "/srv/Neu";
    }
    void newFolderTarget() {
        QFETCH(QString, selected);
        QFETCH(QString, name);
        QFETCH(QChar, separator);
        QFETCH(QString, expected);
        QCOMPARE(NewFolderTarget(selected, name, separator), expected);
    }

    void languageIdFollowsLocale_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("id");
        const std::pair<const char*, int> rows[] = {
            {"de_DE", 0x0407}, {"de_CH", 0x0807}, {"de_AT", 0x0C07}, {"de_LU", 0x1007},
            {"de_BE", 0x0407}, {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en_IE", 0x1809},
            {"fr_FR", 0x040C}, {"fr_CA", 0x0C0C}, {"it_IT", 0x0410}, {"it_CH", 0x0810},
            {"nl_NL", 0x0413}, {"pl_PL", 0x0415}, {"pt_BR", 0x0416}, {"da_DK", 0x0406},
            {"cs_CZ", 0x0405}, {"C", 0x0407},     {"sw_KE", 0x0409}};
        for (const auto& [name, id] : rows)
            QTest::newRow(name) << QString::fromLatin1(name) << id;
    }
    void languageIdFollowsLocale() {
        QFETCH(QString, locale);
        QFETCH(int, id);
        QCOMPARE(int(LanguageIdForLocale(QLocale(locale))), id);
    }

    void captionsFollowLanguage_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("button");
        QTest::newRow("German") << 0x0407 << "0407" << QString::fromUtf8("Ausgewählter Ordner:")
                                << "Neuer Ordner";
        QTest::newRow("Austrian") << 0x0C07 << "0C07" << QString::fromUtf8("Ausgewählter Ordner:")
                                  << "Neuer Ordner";
        QTest::newRow("Czech not listed") << 0x0405 << "0405"
                                          << "Current folder:"
                                          << "New folder";
        QTest::newRow("Polish kept byte for byte")
            << 0x0415 << "0415" << QString::fromUtf8("Bieżący folder") << "Nowy folder";
        QTest::newRow("French") << 0x040C << "040C"
                                << "Dossier Courant:"
                                << "Nouveau Dossier";
        QTest::newRow("neutral English") << 0x0009 << "0009"
                                         << "Current folder:"
                                         << "New folder";
    }
    void captionsFollowLanguage() {
        QFETCH(int, id);
        QFETCH(QString, key);
        QFETCH(QString, label);
        QFETCH(QString, button);
        TPBFolderDialog dialog(nullptr, static_cast<uint16_t>(id));
        QCOMPARE(dialog.LanguageKey(), key);
        QCOMPARE(dialog.LabelCaption(), label);
        QCOMPARE(dialog.NewFolderCaption(), button);
    }

    void defaultTablesShareTheirKeys() {
        const QStringList buttons = DefaultNewFolderCaptions();
        const QStringList labels = DefaultLabelCaptions();
        QCOMPARE(buttons.size(), 29);
        QCOMPARE(labels.size(), 29);
        QCOMPARE(buttons.first(), QStringLiteral("Default=New folder"));
        QCOMPARE(labels.last(), QStringLiteral("2C09=Current folder:"));
        for (qsizetype i = 0; i < buttons.size(); ++i)
            QCOMPARE(buttons[i].section(u'=', 0, 0), labels[i].section(u'=', 0, 0));
    }

    void pickCaption_data() {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QString>("caption");
        QTest::newRow("key ignores case") << QStringList{"Default=D", "0c07=Ö"} << "Ö";
        QTest::newRow("first of equal keys") << QStringList{"0C07=A", "0C07=B"} << "A";
        QTest::newRow("Default") << QStringList{"0409=E", "Default=D"} << "D";
        QTest::newRow("first entry without Default") << QStringList{"0409=E", "040C=F"} << "E";
        QTest::newRow("first entry without =") << QStringList{"Keins", "=Leer"} << "";
        QTest::newRow("empty list") << QStringList{} << "";
    }
    void pickCaption() {
        QFETCH(QStringList, list);
        QFETCH(QString, caption);
        QCOMPARE(PickCaption(list, QStringLiteral("0C07")), caption);
        TPBFolderDialog dialog(nullptr, 0x0C07);
        dialog.SetLabelCaptions(list);
        QCOMPARE(dialog.LabelCaption(), caption);
    }

    void assigningCaptionListsPicksOnlyOnChange() {
        TPBFolderDialog dialog(nullptr, 0x0407);
        QSignalSpy changed(&dialog, &TPBFolderDialog::newFolderCaptionsChanged);
        dialog.SetNewFolderCaptions(DefaultNewFolderCaptions());
        QCOMPARE(changed.count(), 0);
        dialog.SetNewFolderCaptions({"0407=Anlegen", "Default=Create"});
        QCOMPARE(changed.count(), 1);
        QCOMPARE(dialog.NewFolderCaption(), QStringLiteral("Anlegen"));
        QCOMPARE(dialog.NewFolderCaptions(), QStringList({"0407=Anlegen", "Default=Create"}));
    }

    void defaultsAndOptionBits() {
        TPBFolderDialog dialog(nullptr, 0x0407);
        QVERIFY(dialog.Flags() == TBrowseInfoFlagSet{TBrowseInfoFlags::ShowPath});
        QVERIFY(dialog.RootFolder() == TSHFolders::foDesktopExpanded);
        QVERIFY(dialog.NewFolderVisible() && dialog.NewFolderEnabled());
        QVERIFY(dialog.HasSelectedFolder());
        dialog.SetVersion(QStringLiteral("9"));
        QCOMPARE(dialog.Version(), QStringLiteral("3.00.00.00"));
        QCOMPARE(BrowseFlagBits({TBrowseInfoFlags::OnlyFileSystem, TBrowseInfoFlags::ShowPath}),
                 0x0005u);
        QCOMPARE(BrowseFlagBits({TBrowseInfoFlags::OnlyComputers, TBrowseInfoFlags::OnlyPrinters,
                                 TBrowseInfoFlags::OnlyDomains, TBrowseInfoFlags::OnlyAncestors}),
                 0x300Au);
        QCOMPARE(SpecialFolderId(TSHFolders::foDesktopFolder), 16);
        QCOMPARE(SpecialFolderId(TSHFolders::foTemplates), 21);
        QVERIFY(SpecialFolderLocation(CSIDL_DRIVES) == TFolderTreeModel::ComputerItem());
        QVERIFY(!SpecialFolderLocation(CSIDL_BITBUCKET));
    }

    void buttonRect_data() {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<QRect>("rect");
        QTest::newRow("72") << 72 << QRect(12, 300 - 36, 75, 23);
        QTest::newRow("96") << 96 << QRect(12, 300 - 36, 75, 23);
        QTest::newRow("120") << 120 << QRect(15, 300 - 45, 93, 28);
        QTest::newRow("144") << 144 << QRect(17, 300 - 56, 112, 35);
        QTest::newRow("192") << 192 << QRect(20, 300 - 66, 150, 41);
        QTest::newRow("100 scales") << 100 << QRect(12, 300 - 20 - 17, 78, 23);
        QTest::newRow("168 scales") << 168 << QRect(21, 300 - 20 - 17, 131, 40);
    }
    void buttonRect() {
        QFETCH(int, dpi);
        QFETCH(QRect, rect);
        QCOMPARE(NewFolderButtonRect(dpi, 300, 20), rect);
    }

    void buttonWidthFollowsCaption() {
        QCOMPARE(NewFolderButtonWidth(96, 50), 75);
        QCOMPARE(NewFolderButtonWidth(96, 80), 92);
        QCOMPARE(NewFolderButtonWidth(72, 20), 75);
        QCOMPARE(NewFolderButtonWidth(144, 50), 112);
        QCOMPARE(NewFolderButtonWidth(144, 150), 162);
    }

    void treeModelListsFoldersOnDemand() {
        Made("b/unten");
        Made("A");
        Made(".versteckt/x");
        TFolderTreeModel model(FolderItemForPath(FTemp->path()));
        const QModelIndex top = model.index(0, 0);
        QVERIFY(model.hasChildren(top));
        QCOMPARE(model.rowCount(top), 0);
        model.fetchMore(top);
        QAbstractItemModelTester tester(&model);
        // The tester would list folders from inside its own insertion checks; the test does it.
        tester.setUseFetchMore(false);
        QCOMPARE(model.rowCount(top), 2);
        QCOMPARE(model.ItemAt(model.index(0, 0, top)).DisplayName, QStringLiteral("A"));
        QVERIFY(!model.hasChildren(model.index(0, 0, top)));
        const QString hidden = FTemp->path() + "/.versteckt/x";
        QCOMPARE(model.ItemAt(model.IndexOf(*FolderItemForPath(hidden))).Path, hidden);
        QVERIFY(!model.IndexOf(*FolderItemForPath(QDir::rootPath())).isValid());
    }

    void dialogShowsCaptionsCentredWithButtonAtLowerLeft() {
        TPBFolderDialog dialog(nullptr, 0x0407);
        dialog.SetFolder(Made("Daten"));
        QString title;
        QRect button, expected;
        QPoint centreOffset;
        TModalScript script;
        script.On<TFolderBrowser>([&](TFolderBrowser* b) {
            title = b->TitleText();
            QPushButton* newFolder = dialog.NewFolderButton();
            button = newFolder->geometry();
            const int dpi = qRound(b->screen()->logicalDotsPerInch());
            expected = NewFolderButtonRect(dpi, b->height(),
                                           b->style()->pixelMetric(QStyle::PM_TitleBarHeight));
            expected.setWidth(NewFolderButtonWidth(
                dpi, QFontMetrics(QApplication::font()).horizontalAdvance("Neuer Ordner")));
            if (dpi == 96)
                QCOMPARE(button.topLeft(), QPoint(12, b->height() - 36));
            QCOMPARE(newFolder->text(), QStringLiteral("Neuer Ordner"));
            QCOMPARE(newFolder->property("controlId").toInt(), 255);
            QVERIFY(newFolder->isVisible() && newFolder->isEnabled());
            centreOffset =
                b->frameGeometry().center() - QGuiApplication::primaryScreen()->geometry().center();
            b->CancelButton()->click();
        });
        QVERIFY(!dialog.Execute());
        QVERIFY(script.Failures.isEmpty());
        QCOMPARE(title, QString::fromUtf8("Ausgewählter Ordner:"));
        QCOMPARE(button, expected);
        QVERIFY(qAbs(centreOffset.x()) <= 1 && qAbs(centreOffset.y()) <= 1);
        QVERIFY(dialog.NewFolderButton() == nullptr);
    }

    void confirmingPreselectedFolderReturnsItsPath() {
        TPBFolderDialog dialog(nullptr, 0x0407);
        dialog.SetFlags({TBrowseInfoFlags::OnlyFileSystem, TBrowseInfoFlags::ShowPath});
        const QString deep = Made("Ein langer Ordnername für Spiele/noch ein Ordnername/Ziel");
        dialog.SetFolder(deep);
        QString current, status;
        bool okEnabled = false;
        TModalScript script;
        script.On<TFolderBrowser>([&](TFolderBrowser* b) {
            current = CurrentPath(b);
            status = b->StatusText();
            okEnabled = b->OkButton()->isEnabled();
            b->OkButton()->click();
        });
        QVERIFY(dialog.Execute());
        QVERIFY(script.Failures.isEmpty());
        QCOMPARE(current, deep);
        QCOMPARE(status, ShortenPath(deep, 50));
        QVERIFY(status.startsWith("/...") && status.endsWith("/Ziel") && status.size() <= 50);
        QVERIFY(okEnabled);
        QCOMPARE(dialog.Folder(), deep);
        QCOMPARE(dialog.DisplayName(), QStringLiteral("Ziel"));
        QVERIFY(!dialog.LastSelectedItem());
    }

    void selectionChangesAreReportedAndTracked() {
        TPBFolderDialog dialog(nullptr, 0x0407);
        const QString start = Made("Start"), other = Made("Anderer");
        dialog.SetFolder(start);
        QStringList reported;
        QWidget* initializedWith = nullptr;
        dialog.OnInitialized = [&](TPBFolderDialog* sender, QWidget* handle) {
            QCOMPARE(sender, &dialog);
            initializedWith = handle;
        };
        dialog.OnSelectionChanged = [&](TPBFolderDialog*, QWidget* handle, const TFolderItem& item,
                                        const QString& folder) {
            QCOMPARE(handle, dialog.DialogHandle());
            reported << item.Path + "|" + folder;
        };
        std::optional<TFolderItem> tracked;
        TModalScript script;
        script.On<TFolderBrowser>([&](TFolderBrowser* b) {
            QCOMPARE(initializedWith, static_cast<QWidget*>(b));
            QVERIFY(!dialog.LastSelectedItem());
            SelectInTree(b, *FolderItemForPath(other));
            tracked = dialog.LastSelectedItem();
            b->OkButton()->click();
        });
        QVERIFY(dialog.Execute());
        QCOMPARE(reported, QStringList({start + "|" + start, other + "|" + other}));
        QVERIFY(tracked && tracked->Path == other);
        QCOMPARE(dialog.Folder(), other);
    }

    void newFolderIsCreatedAndDialogReopensOnIt_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("created");
        QTest::newRow("one level") << "Neu"
                                   << "Daten/Neu";
        QTest::newRow("nested levels") << "a/b"
                                       << "Daten/a/b";
        QTest::newRow("leading separator") << "/Neu"
                                           << "Daten/Neu";
    }
    void newFolderIsCreatedAndDialogReopensOnIt() {
        QFETCH(QString, name);
        QFETCH(QString, created);
        TPBFolderDialog dialog(nullptr, 0x0407);
        dialog.SetFolder(Made("Daten"));
        const QString target = FTemp->path() + u'/' + created;
        int opened = 0;
        dialog.OnInitialized = [&](TPBFolderDialog*, QWidget*) { ++opened; };
        QString reopenedAt;
        TModalScript script;
        script.On<TFolderBrowser>([&](TFolderBrowser*) { dialog.NewFolderButton()->click(); })
            .On<QInputDialog>([&](QInputDialog* box) { AnswerName(box, name); })
            .On<TFolderBrowser>([&](TFolderBrowser* b) {
                reopenedAt = CurrentPath(b);
                b->OkButton()->click();
            });
        QVERIFY(dialog.Execute());
        QVERIFY(script.Failures.isEmpty());
        QVERIFY(QFileInfo(target).isDir());
        QCOMPARE(opened, 2);
        QCOMPARE(reopenedAt, target);
        QCOMPARE(dialog.Folder(), target);
    }

    void promptCancelLeavesDialogOpenAndUnchanged() {
        TPBFolderDialog dialog(nullptr, 0x0407);
        const QString start = Made("Daten");
        dialog.SetFolder(start);
        QString title, label, text, afterPrompt;
        int maxLength = 0;
        bool bothButtons = false;
        QPointer<TFolderBrowser> first;
        bool sameDialog = false;
        TModalScript script;
        script
            .On<TFolderBrowser>([&](TFolderBrowser* b) {
                first = b;
                dialog.NewFolderButton()->click();
            })
            .On<QInputDialog>([&](QInputDialog* box) {
                title = box->windowTitle();
                label = box->labelText();
                text = box->textValue();
                maxLength = box->findChild<QLineEdit*>()->maxLength();
                bothButtons = ButtonWithText(box, "OK") && ButtonWithText(box, "Abbrechen");
                box->setTextValue(QStringLiteral("Neu"));
                ButtonWithText(box, "Abbrechen")->click();
            })
            .On<TFolderBrowser>(
                [&](TFolderBrowser* b) {
                    sameDialog = b == first;
                    afterPrompt = CurrentPath(b);
                    b->CancelButton()->click();
                },
                true);
        QVERIFY(!dialog.Execute());
        QVERIFY(script.Failures.isEmpty());
        QCOMPARE(title, QStringLiteral("Neuer Ordner"));
        QCOMPARE(label, QStringLiteral("Name des neuen Ordners:"));
        QVERIFY(text.isEmpty());
        QCOMPARE(maxLength, 255);
        QVERIFY(bothButtons);
        QVERIFY(sameDialog);
        QCOMPARE(afterPrompt, start);
        QVERIFY(!QFileInfo::exists(start + "/Neu"));
        QCOMPARE(dialog.Folder(), start);
    }

    void cancelAfterCreatingKeepsNewFolderForNextExecute() {
        TPBFolderDialog dialog(nullptr, 0x0407);
        dialog.SetFolder(Made("Daten"));
        const QString target = FTemp->path() + "/Daten/Neu";
        QString preselected;
        TModalScript script;
        script.On<TFolderBrowser>([&](TFolderBrowser*) { dialog.NewFolderButton()->click(); })
            .On<QInputDialog>([&](QInputDialog* box) { AnswerName(box, "Neu"); })
            .On<TFolderBrowser>([&](TFolderBrowser* b) { b->CancelButton()->click(); })
            .On<TFolderBrowser>([&](TFolderBrowser* b) {
                preselected = CurrentPath(b);
                b->reject();
            });
        QVERIFY(!dialog.Execute());
        QCOMPARE(dialog.Folder(), target);
        QVERIFY(!dialog.Execute());
        QVERIFY(script.Failures.isEmpty());
        QCOMPARE(preselected, target);
    }

    void failedCreationShowsErrorAndKeepsParent() {
        TPBFolderDialog dialog(nullptr, 0x0407);
        const QString parent = Made("Daten");
        QFile blocker(parent + "/Datei");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        dialog.SetFolder(parent);
        QString text, title, reopenedAt;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        TModalScript script;
        script.On<TFolderBrowser>([&](TFolderBrowser*) { dialog.NewFolderButton()->click(); })
            .On<QInputDialog>([&](QInputDialog* box) { AnswerName(box, "Datei/Neu"); })
            .On<QMessageBox>([&](QMessageBox* box) {
                text = box->text();
                title = box->windowTitle();
                icon = box->icon();
                box->button(QMessageBox::Ok)->click();
            })
            .On<TFolderBrowser>([&](TFolderBrowser* b) {
                reopenedAt = CurrentPath(b);
                b->OkButton()->click();
            });
        QVERIFY(dialog.Execute());
        QVERIFY(script.Failures.isEmpty());
        QCOMPARE(text,
                 QString::fromUtf8("Das Verzeichnis oder die Datei kann nicht erstellt werden."));
        QCOMPARE(title, QStringLiteral("Neuer Ordner"));
        QCOMPARE(icon, QMessageBox::Warning);
        QCOMPARE(reopenedAt, parent);
        QCOMPARE(dialog.Folder(), parent);
    }

    void virtualFolderState_data() {
        QTest::addColumn<bool>("onlyFileSystem");
        QTest::addColumn<bool>("showPath");
        QTest::addColumn<bool>("okEnabled");
        QTest::addColumn<QString>("selected");
        QTest::newRow("window's flags") << true << true << true << "Computer";
        QTest::newRow("no status line") << true << false << false << "";
        QTest::newRow("any item") << false << false << true << "";
    }
    void virtualFolderState() {
        QFETCH(bool, onlyFileSystem);
        QFETCH(bool, showPath);
        QFETCH(bool, okEnabled);
        QFETCH(QString, selected);
        TPBFolderDialog dialog(nullptr, 0x0407);
        TBrowseInfoFlagSet flags;
        if (onlyFileSystem)
            flags.Include(TBrowseInfoFlags::OnlyFileSystem);
        if (showPath)
            flags.Include(TBrowseInfoFlags::ShowPath);
        dialog.SetFlags(flags);
        bool ok = !okEnabled, newFolder = false, statusShown = !showPath;
        QString status, selectedFolder;
        TModalScript script;
        script.On<TFolderBrowser>([&](TFolderBrowser* b) {
            SelectInTree(b, TFolderTreeModel::ComputerItem());
            ok = b->OkButton()->isEnabled();
            newFolder = dialog.NewFolderButton()->isEnabled();
            statusShown = b->IsStatusLineShown();
            status = b->StatusText();
            selectedFolder = dialog.SelectedFolder();
            if (ok)
                b->OkButton()->click();
            else
                b->reject();
        });
        QCOMPARE(dialog.Execute(), okEnabled);
        QVERIFY(script.Failures.isEmpty());
        QCOMPARE(ok, okEnabled);
        QCOMPARE(statusShown, showPath);
        QCOMPARE(status, selected);
        QCOMPARE(selectedFolder, selected);
        QCOMPARE(newFolder, !selected.isEmpty());
        QVERIFY(dialog.Folder().isEmpty());
        if (okEnabled)
            QCOMPARE(dialog.DisplayName(), QStringLiteral("Computer"));
    }

    void newFolderBelowVirtualFolderIsRefused() {
        const auto restore = qScopeGuard([dir = QDir::currentPath()] { QDir::setCurrent(dir); });
        QVERIFY(QDir::setCurrent(FTemp->path()));
        TPBFolderDialog dialog(nullptr, 0x0407);
        dialog.SetFlags({TBrowseInfoFlags::OnlyFileSystem, TBrowseInfoFlags::ShowPath});
        bool errorShown = false;
        std::optional<TFolderItem> reopenedAt;
        TModalScript script;
        script
            .On<TFolderBrowser>([&](TFolderBrowser* b) {
                SelectInTree(b, TFolderTreeModel::ComputerItem());
                dialog.NewFolderButton()->click();
            })
            .On<QInputDialog>([&](QInputDialog* box) { AnswerName(box, "Neu"); })
            .On<QMessageBox>([&](QMessageBox* box) {
                errorShown = true;
                box->accept();
            })
            .On<TFolderBrowser>([&](TFolderBrowser* b) {
                reopenedAt = b->CurrentItem();
                b->reject();
            });
        QVERIFY(!dialog.Execute());
        QVERIFY(script.Failures.isEmpty());
        QVERIFY(errorShown);
        QVERIFY(QDir(FTemp->path()).isEmpty());
        QVERIFY(reopenedAt == TFolderTreeModel::ComputerItem());
    }

    void newFolderButtonFollowsEnabledAndVisibleWhileOpen() {
        TPBFolderDialog dialog(nullptr, 0x0407);
        dialog.SetFolder(Made("Daten"));
        dialog.SetNewFolderEnabled(false);
        dialog.SetNewFolderVisible(false);
        QList<bool> states;
        int widthBefore = 0, widthAfter = 0;
        QString captionAfter;
        TModalScript script;
        script.On<TFolderBrowser>([&](TFolderBrowser* b) {
            QPushButton* button = dialog.NewFolderButton();
            states << button->isEnabled() << button->isVisible();
            dialog.SetNewFolderEnabled(true);
            dialog.SetNewFolderVisible(true);
            states << button->isEnabled() << button->isVisible();
            dialog.SetNewFolderVisible(false);
            states << button->isVisible();
            widthBefore = button->width();
            dialog.SetNewFolderCaptions({"Default=Einen neuen Ordner hier anlegen"});
            captionAfter = button->text();
            widthAfter = button->width();
            b->reject();
        });
        QVERIFY(!dialog.Execute());
        QVERIFY(script.Failures.isEmpty());
        QCOMPARE(states, QList<bool>({false, false, true, true, false}));
        QCOMPARE(captionAfter, QStringLiteral("Einen neuen Ordner hier anlegen"));
        QCOMPARE(widthAfter, widthBefore);
    }

    void dialogIsModalToOwnerWindowAndKeepsButtonAtLowerEdge() {
        QWidget window;
        auto* inner = new QWidget(&window);
        window.show();
        TPBFolderDialog dialog(inner, 0x0407);
        dialog.SetFolder(Made("Daten"));
        QWidget* parentOfDialog = nullptr;
        Qt::WindowModality modality = Qt::NonModal;
        int distanceBefore = 0, distanceAfter = 0;
        TModalScript script;
        script.On<TFolderBrowser>([&](TFolderBrowser* b) {
            parentOfDialog = b->parentWidget();
            modality = b->windowModality();
            distanceBefore = b->height() - dialog.NewFolderButton()->y();
            const int height = b->height() + 60;
            b->resize(b->width() + 40, height);
            QTRY_COMPARE(b->height(), height);
            distanceAfter = b->height() - dialog.NewFolderButton()->y();
            b->reject();
        });
        QVERIFY(!dialog.Execute());
        QVERIFY(script.Failures.isEmpty());
        QCOMPARE(parentOfDialog, &window);
        QCOMPARE(modality, Qt::WindowModal);
        QCOMPARE(distanceAfter, distanceBefore);
    }

    void computerRootShowsOnlyComputer() {
        TPBFolderDialog dialog(nullptr, 0x0407);
        dialog.SetRootFolder(TSHFolders::foMyComputer);
        int topRows = 0;
        QString topName;
        TModalScript script;
        script.On<TFolderBrowser>([&](TFolderBrowser* b) {
            topRows = b->Model()->rowCount();
            topName = b->Model()->ItemAt(b->Model()->index(0, 0)).DisplayName;
            b->reject();
        });
        QVERIFY(!dialog.Execute());
        QVERIFY(script.Failures.isEmpty());
        QCOMPARE(topRows, 1);
        QCOMPARE(topName, QStringLiteral("Computer"));
    }
};

QTEST_MAIN(TestPBFolderDialog)
#include "tst_pbfolderdialog.moc"
