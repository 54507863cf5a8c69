#include "MemoryRegistryStore.h"
#include "RegistryStore.h"
#include "adpMRU.h"

#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

namespace {

const QString Key = QStringLiteral("Software\\Varnholm Archiv-Explorer");
const QString WindowPath = QStringLiteral("\\") + Key;

// Counts the items a menu gains and loses: a rebuild with n entries adds n.
class MenuWatcher : public QObject {
public:
    explicit MenuWatcher(QMenu& menu) { menu.installEventFilter(this); }
    int added = 0;
    int removed = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        added += event->type() == QEvent::ActionAdded;
        removed += event->type() == QEvent::ActionRemoved;
        return false;
    }
};

QList<TMRUMenuItem*> Entries(const QMenu& menu) {
    QList<TMRUMenuItem*> entries;
    for (QAction* action : menu.actions())
        if (auto* entry = qobject_cast<TMRUMenuItem*>(action))
            entries.append(entry);
    return entries;
}

QStringList Captions(const QMenu& menu) {
    QStringList captions;
    for (const TMRUMenuItem* entry : Entries(menu))
        captions.append(entry->text());
    return captions;
}

QString Message(const std::function<void()>& action) {
    try {
        action();
    } catch (const EadpMRUError& error) {
        return QString::fromStdString(error.what());
    }
    return QString();
}

} // namespace

Q_DECLARE_METATYPE(MemoryRegistryStore::Value)

class TestAdpMRU : public QObject {
    Q_OBJECT

    std::shared_ptr<MemoryRegistryStore> store;
    std::unique_ptr<QMenu> menu;
    QStringList clicked;

    // Sets the list up the way the main window does.
    std::unique_ptr<TadpMRU> MakeList() {
        auto list = std::make_unique<TadpMRU>(nullptr, store);
        list->SetMaxItems(5);
        list->SetRegistryPath(WindowPath);
        list->SetOnClick([this](QObject*, const QString& fileName) { clicked.append(fileName); });
        list->SetParentMenuItem(menu.get());
        list->FinishLoading();
        return list;
    }

    void Store(const QStringList& texts) {
        for (qsizetype i = 0; i < texts.size(); ++i)
            store->SetString(Key, QStringLiteral("MRU%1").arg(i + 1), texts.at(i));
    }

private slots:
    void init() {
        store = std::make_shared<MemoryRegistryStore>();
        menu = std::make_unique<QMenu>();
        clicked.clear();
    }

    void constructionHasDefaultsAndTouchesNoStore() {
        {
            TadpMRU list(nullptr, store);
            QCOMPARE(list.MaxItems(), 4u);
            QVERIFY(list.ShowFullPath());
            QVERIFY(list.RegistryPath().isEmpty());
            QCOMPARE(list.ParentMenuItem(), nullptr);
            list.AddFile(QStringLiteral("/a.pak"));
            list.FinishLoading();
        }
        // Without a registry path nothing is read or written.
        QVERIFY(store->asked.isEmpty());
        QVERIFY(store->written.isEmpty());
    }

    void startupShowsStoredListAfterOtherItems() {
        Store({"/spiele/neu.pak", "/spiele/alt.pak"});
        menu->addAction(QStringLiteral("Andere"));
        auto list = MakeList();
        QCOMPARE(list->FileList(), QStringList({"/spiele/neu.pak", "/spiele/alt.pak"}));
        QCOMPARE(menu->actions().first()->text(), QStringLiteral("Andere"));
        QCOMPARE(Captions(*menu), list->FileList());
        QCOMPARE(Entries(*menu).at(1)->data().toInt(), 1);
    }

    void firstRunHasNoEntriesAndStoresMRU1AtExit() {
        auto list = MakeList();
        QVERIFY(menu->actions().isEmpty());
        list->AddFile(QStringLiteral("/spiele/a.pak"));
        QCOMPARE(Captions(*menu), QStringList({"/spiele/a.pak"}));
        list.reset();
        QCOMPARE(store->Text(Key, "MRU1"), QStringLiteral("/spiele/a.pak"));
    }

    void addFileKeepsNewestFirstAndRebuildsOnce_data() {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("other case moves to top in new case")
            << QStringList{"C:\\b.pak", "C:\\Ärger.pak", "C:\\c.pak"} << "c:\\äRGER.PAK"
            << QStringList{"c:\\äRGER.PAK", "C:\\b.pak", "C:\\c.pak"};
        QTest::newRow("sixth drops oldest") << QStringList{"/5", "/4", "/3", "/2", "/1"} << "/6"
                                            << QStringList{"/6", "/5", "/4", "/3", "/2"};
        QTest::newRow("only first duplicate goes")
            << QStringList{"/x", "/a", "/A"} << "/a" << QStringList{"/a", "/x", "/A"};
        QTest::newRow("empty path") << QStringList{"/b", "/a"} << "" << QStringList{"/b", "/a"};
    }
    void addFileKeepsNewestFirstAndRebuildsOnce() {
        QFETCH(QStringList, stored);
        QFETCH(QString, path);
        QFETCH(QStringList, after);
        Store(stored);
        auto list = MakeList();
        QCOMPARE(list->FileList(), stored);
        MenuWatcher watcher(*menu);
        list->AddFile(path);
        QCOMPARE(list->FileList(), after);
        QCOMPARE(Captions(*menu), after);
        // One rebuild takes the old entries out and puts the new ones in; an empty path none.
        QCOMPARE(watcher.removed, path.isEmpty() ? 0 : stored.size());
        QCOMPARE(watcher.added, path.isEmpty() ? 0 : after.size());
    }

    void captionShowsPathOrNamePartClickDeliversFullPath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("fullPath");
        QTest::addColumn<QString>("caption");
        QTest::newRow("ampersands doubled")
            << "C:\\R&D\\a&&b.pak" << true << "C:\\R&&D\\a&&&&b.pak";
#ifdef Q_OS_WIN
        QTest::newRow("after backslash") << "C:\\R&D\\a&b.pak" << false << "a&&b.pak";
        QTest::newRow("after colon") << "C:a.pak" << false << "a.pak";
        QTest::newRow("separator last") << "C:\\Spiele\\" << false << "";
#else
        // Only "/" separates: ":" and "\\" belong to the name.
        QTest::newRow("colon in the name") << "/spiele/backup:v2.pak" << false << "backup:v2.pak";
        QTest::newRow("backslash in the name") << "/spiele/a\\b.pak" << false << "a\\b.pak";
        QTest::newRow("separator last") << "/spiele/" << false << "";
#endif
        QTest::newRow("after slash") << "/home/anna/x:y/z.pak" << false << "z.pak";
        QTest::newRow("no separator") << "z.pak" << false << "z.pak";
    }
    void captionShowsPathOrNamePartClickDeliversFullPath() {
        QFETCH(QString, path);
        QFETCH(bool, fullPath);
        QFETCH(QString, caption);
        auto list = MakeList();
        list->SetShowFullPath(fullPath);
        list->AddFile(path);
        QCOMPARE(Captions(*menu), QStringList({caption}));
        Entries(*menu).first()->trigger();
        QCOMPARE(clicked, QStringList({path}));
    }

    void showFullPathRebuildsOnlyWhenChanged() {
        Store({"/b", "/a"});
        auto list = MakeList();
        MenuWatcher watcher(*menu);
        list->SetShowFullPath(true);
        QCOMPARE(watcher.added, 0);
        list->SetShowFullPath(false);
        QCOMPARE(watcher.added, 2);
    }

    void readSkipsGapsAndNoStaleValueSurvivesTheWrite_data() {
        QTest::addColumn<QList<int>>("stored");
        QTest::addColumn<QStringList>("read");
        QTest::newRow("MRU1 and MRU3") << QList<int>{1, 3} << QStringList{"/1", "/3"};
        QTest::newRow("MRU1 to MRU6")
            << QList<int>{1, 2, 3, 4, 5, 6} << QStringList{"/1", "/2", "/3", "/4", "/5"};
        QTest::newRow("MRU6 after a gap")
            << QList<int>{1, 2, 3, 4, 6} << QStringList{"/1", "/2", "/3", "/4"};
    }
    void readSkipsGapsAndNoStaleValueSurvivesTheWrite() {
        QFETCH(QList<int>, stored);
        QFETCH(QStringList, read);
        for (int n : stored)
            store->SetString(Key, QStringLiteral("MRU%1").arg(n), QStringLiteral("/%1").arg(n));
        auto list = MakeList();
        QCOMPARE(list->FileList(), read);
        QVERIFY(!store->asked.contains("MRU6"));
        list.reset();
        // Read again, the list is the same: no value behind a gap came back as a duplicate.
        QCOMPARE(MakeList()->FileList(), read);
        for (int n = int(read.size()) + 1; n <= 6; ++n)
            QVERIFY2(!store->Has(Key, QStringLiteral("MRU%1").arg(n)),
                     qPrintable(QString::number(n)));
    }

    void onlyExactValueNamesAreRead() {
        for (const char* name : {"MRU01", "mru2", "MRU3x", "MRU4"})
            store->SetString(Key, name, QStringLiteral("/") + name);
        auto list = MakeList();
        QCOMPARE(list->FileList(), QStringList({"/MRU4"}));
    }

    void valueWithoutDataIsEmptyEntryAndTextEndsAtZero() {
        Store({"/x"});
        store->SetValue(Key, "MRU2", {RegistryValueType::Other, QString(), false});
        store->SetValue(Key, "MRU3",
                        {RegistryValueType::ExpandString, QString::fromUtf8("/d\0r", 4)});
        auto list = MakeList();
        QCOMPARE(list->FileList(), QStringList({"/x", "", "/d"}));
        Entries(*menu).at(1)->trigger();
        QCOMPARE(clicked, QStringList({""}));
    }

    void settingMaxItems_data() {
        QTest::addColumn<quint32>("value");
        QTest::addColumn<quint32>("stored");
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("rebuiltWith");
        QTest::newRow("same") << 5u << 5u << 5 << 0;
        QTest::newRow("lower") << 3u << 3u << 3 << 3;
        QTest::newRow("raise") << 8u << 8u << 5 << 5;
        QTest::newRow("zero") << 0u << 1u << 1 << 1;
        QTest::newRow("largest") << 2147483647u << 2147483647u << 5 << 5;
        QTest::newRow("one above") << 2147483648u << 2147483646u << 5 << 0;
        QTest::newRow("top") << 4294967295u << 2147483646u << 5 << 0;
    }
    void settingMaxItems() {
        QFETCH(quint32, value);
        QFETCH(quint32, stored);
        QFETCH(int, entries);
        QFETCH(int, rebuiltWith);
        Store({"/1", "/2", "/3", "/4", "/5"});
        auto list = MakeList();
        MenuWatcher watcher(*menu);
        list->SetMaxItems(value);
        QCOMPARE(list->MaxItems(), stored);
        QCOMPARE(list->FileList(), QStringList({"/1", "/2", "/3", "/4", "/5"}).first(entries));
        QCOMPARE(watcher.added, rebuiltWith);
        QCOMPARE(Captions(*menu), list->FileList());
    }

    void entriesFollowParentMenuItem() {
        Store({"/b", "/a"});
        auto list = MakeList();
        QMenu other;
        other.addAction(QStringLiteral("Andere"));
        list->SetParentMenuItem(&other);
        QVERIFY(menu->actions().isEmpty());
        QCOMPARE(other.actions().size(), 3);
        QCOMPARE(Captions(other), QStringList({"/b", "/a"}));
        list->SetParentMenuItem(nullptr);
        QCOMPARE(other.actions().size(), 1);
        list->AddFile(QStringLiteral("/c"));
        QVERIFY(menu->actions().isEmpty());
        QCOMPARE(other.actions().size(), 1);
    }

    void foreignEntryIsDetachedAtNextRebuildNotDestroyed() {
        auto list = MakeList();
        QPointer<TMRUMenuItem> foreign = new TMRUMenuItem(QStringLiteral("fremd"), menu.get());
        menu->addAction(foreign);
        list->AddFile(QStringLiteral("/a"));
        QVERIFY(foreign);
        QCOMPARE(menu->actions().size(), 1);
        QCOMPARE(Captions(*menu), QStringList({"/a"}));
    }

    void clickedItemSurvivesRebuildFromItsOwnHandler() {
        Store({"/b", "/a"});
        auto list = MakeList();
        list->SetOnClick([&](QObject* sender, const QString& fileName) {
            QCOMPARE(sender, list.get());
            list->AddFile(fileName);
            clicked.append(fileName);
        });
        QPointer<QAction> item = Entries(*menu).at(1);
        item->trigger();
        QVERIFY(item);
        QVERIFY(!menu->actions().contains(item.data()));
        QCOMPARE(clicked, QStringList({"/a"}));
        QCOMPARE(Captions(*menu), QStringList({"/a", "/b"}));
    }

    void clickWithoutHandlerOrOnStaleItemDoesNothing() {
        Store({"/a"});
        auto list = MakeList();
        TMRUMenuItem stale(QStringLiteral("alt"));
        stale.setData(1);
        list->MenuItemClick(&stale);
        QAction plain;
        list->MenuItemClick(&plain);
        QVERIFY(clicked.isEmpty());
        list->SetOnClick(nullptr);
        Entries(*menu).first()->trigger();
        QVERIFY(clicked.isEmpty());
    }

    void handlerErrorGoesToErrorReport() {
        Store({"/a"});
        auto list = MakeList();
        QStringList reports;
        list->SetErrorReport([&](const QString& text) { reports.append(text); });
        list->SetOnClick([](QObject*, const QString&) { throw EReadError(); });
        Entries(*menu).first()->trigger();
        QCOMPARE(reports, QStringList({"Stream-Lesefehler"}));
    }

    void readErrorRaisesAndKeepsEntriesReadBefore_data() {
        QTest::addColumn<MemoryRegistryStore::Value>("bad");
        QTest::addColumn<bool>("viaFinishLoading");
        QTest::addColumn<QString>("message");
        const MemoryRegistryStore::Value number{RegistryValueType::Other, "5"};
        const MemoryRegistryStore::Value unfetchable{RegistryValueType::String, "/b", true, true};
        const QString typeMessage = QStringLiteral("Ungültiger Datentyp für 'MRU2'");
        const QString fetchMessage = QStringLiteral("Fehler beim Holen der Daten für 'MRU2'");
        QTest::newRow("type, path") << number << false << typeMessage;
        QTest::newRow("type, finish") << number << true << typeMessage;
        QTest::newRow("fetch, path") << unfetchable << false << fetchMessage;
        QTest::newRow("fetch, finish") << unfetchable << true << fetchMessage;
    }
    void readErrorRaisesAndKeepsEntriesReadBefore() {
        QFETCH(MemoryRegistryStore::Value, bad);
        QFETCH(bool, viaFinishLoading);
        QFETCH(QString, message);
        TadpMRU list(nullptr, store);
        list.SetParentMenuItem(menu.get());
        // Set while the key is still missing, the path reads nothing yet.
        if (viaFinishLoading)
            QVERIFY(Message([&] { list.SetRegistryPath(WindowPath); }).isEmpty());
        Store({"/a", "/b", "/c"});
        store->SetValue(Key, "MRU2", bad);
        QCOMPARE(viaFinishLoading ? Message([&] { list.FinishLoading(); })
                                  : Message([&] { list.SetRegistryPath(WindowPath); }),
                 message);
        QCOMPARE(list.FileList(), QStringList({"/a"}));
        QCOMPARE(Captions(*menu), QStringList({"/a"}));
    }

    void writeFailureStopsWritingAndIsReported_data() {
        QTest::addColumn<bool>("withReport");
        QTest::newRow("to the report") << true;
        QTest::newRow("to qWarning") << false;
    }
    void writeFailureStopsWritingAndIsReported() {
        QFETCH(bool, withReport);
        Store({"/a", "/b", "/c"});
        store->FailWriting(Key, "MRU2");
        const QString message = QStringLiteral("Fehler beim Setzen der Daten für 'MRU2'");
        QStringList reports;
        auto list = MakeList();
        if (withReport)
            list->SetErrorReport([&](const QString& text) { reports.append(text); });
        else
            QTest::ignoreMessage(QtWarningMsg, qPrintable(message));
        list.reset();
        QCOMPARE(store->written, QStringList({"MRU1"}));
        QVERIFY(!store->Has(Key, "MRU3"));
        QCOMPARE(reports, withReport ? QStringList({message}) : QStringList());
    }

    void missingKeyKeepsListAndIsCreatedAtExit() {
        Store({"/a"});
        auto list = MakeList();
        list->SetRegistryPath(QStringLiteral("\\Software\\Neu"));
        QCOMPARE(list->FileList(), QStringList({"/a"}));
        list.reset();
        QCOMPARE(store->Text("Software\\Neu", "MRU1"), QStringLiteral("/a"));
    }

    void keyThatCannotBeCreatedStoresNothingSilently() {
        QStringList reports;
        auto list = MakeList();
        list->SetErrorReport([&](const QString& text) { reports.append(text); });
        store->FailCreating(true);
        list->AddFile(QStringLiteral("/a"));
        list.reset();
        QVERIFY(store->written.isEmpty());
        QVERIFY(reports.isEmpty());
    }

    // A program that is killed loses nothing: every change is stored at once.
    void everyChangeIsStoredAtOnce() {
        auto list = MakeList();
        list->AddFile(QStringLiteral("/a"));
        list->AddFile(QStringLiteral("/b"));
        QCOMPARE(store->Text(Key, "MRU1"), QStringLiteral("/b"));
        QCOMPARE(store->Text(Key, "MRU2"), QStringLiteral("/a"));
        list->RemoveFile(QStringLiteral("/A"));
        QCOMPARE(list->FileList(), QStringList({"/b"}));
        QCOMPARE(store->Text(Key, "MRU1"), QStringLiteral("/b"));
        QVERIFY(!store->Has(Key, "MRU2"));
    }

    void listOutlivesItsSubmenuAndStillWrites() {
        auto list = MakeList();
        list->AddFile(QStringLiteral("/a"));
        menu.reset();
        QCOMPARE(list->ParentMenuItem(), nullptr);
        list->AddFile(QStringLiteral("/b"));
        list.reset();
        QCOMPARE(store->Text(Key, "MRU1"), QStringLiteral("/b"));
        QCOMPARE(store->Text(Key, "MRU2"), QStringLiteral("/a"));
    }
};

// The user's own store: an INI file in the configuration folder named by XDG_CONFIG_HOME.
class TestSettingsRegistryStore : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> folder;

    QString IniFile() const { return folder->filePath(SettingsRegistryStore::IniFileName()); }

private slots:
    void init() {
        folder = std::make_unique<QTemporaryDir>();
        QVERIFY(folder->isValid());
        qputenv("XDG_CONFIG_HOME", folder->path().toUtf8());
    }

    void listSurvivesRestartNewestFirst() {
        const QStringList paths{"/spiele/a, b.pak", "@daten.pak", "C:\\R&D\\x;y=\"z\" #1.pak",
                                "  Ärger ß.pak"};
        {
            TadpMRU list(nullptr);
            list.SetMaxItems(5);
            list.SetRegistryPath(WindowPath);
            list.FinishLoading();
            for (const QString& path : paths)
                list.AddFile(path);
        }
        QCOMPARE(QDir(folder->path()).entryList(QDir::Files),
                 QStringList({IniFile().section('/', -1)}));
        QSettings ini(IniFile(), QSettings::IniFormat);
        QCOMPARE(ini.value("Software/Varnholm Archiv-Explorer/MRU1").toString(), paths.last());
        TadpMRU list(nullptr);
        list.SetMaxItems(5);
        list.SetRegistryPath(WindowPath);
        QStringList newestFirst = paths;
        std::reverse(newestFirst.begin(), newestFirst.end());
        QCOMPARE(list.FileList(), newestFirst);
    }

    void iniValuesOfOtherTypes_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        const QString wrongType = QStringLiteral("Ungültiger Datentyp für 'MRU1'");
        QTest::newRow("text") << QByteArray("/a.pak") << "/a.pak"
                              << "";
        QTest::newRow("quoted comma") << QByteArray("\"a, b\"") << "a, b"
                                      << "";
        QTest::newRow("empty") << QByteArray("") << ""
                               << "";
        QTest::newRow("invalid") << QByteArray("@Invalid()") << ""
                                 << "";
        QTest::newRow("list") << QByteArray("a, b") << "" << wrongType;
        QTest::newRow("binary") << QByteArray("@ByteArray(abc)") << "" << wrongType;
        QTest::newRow("point") << QByteArray("@Point(1 2)") << "" << wrongType;
    }
    void iniValuesOfOtherTypes() {
        QFETCH(QByteArray, line);
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFile file(IniFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Software]\nVarnholm%20Archiv-Explorer\\MRU1=" + line + "\n");
        file.close();
        TadpMRU list(nullptr);
        QCOMPARE(Message([&] { list.SetRegistryPath(WindowPath); }), message);
        QCOMPARE(list.FileList(), message.isEmpty() ? QStringList({text}) : QStringList());
    }

    // Hostile files cost no time: a FIFO is never opened to be read, a value longer than a
    // path is not taken, and a file larger than this program writes is not read but replaced.
    void aFifoInPlaceOfTheFileIsLeftAloneAndNothingWaits() {
        QCOMPARE(::mkfifo(QFile::encodeName(IniFile()).constData(), 0600), 0);
        {
            TadpMRU list(nullptr);
            list.SetRegistryPath(WindowPath);
            list.FinishLoading();
            QVERIFY(list.FileList().isEmpty());
            list.AddFile(QStringLiteral("/a.pak"));
        }
        QVERIFY(!QFileInfo(IniFile()).isFile() && QFileInfo::exists(IniFile()));
    }

    void aValueLongerThanAPathIsIgnored() {
        QFile file(IniFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Software]\nVarnholm%20Archiv-Explorer\\MRU1=/" + QByteArray(40000, 'a') +
                   "\nVarnholm%20Archiv-Explorer\\MRU2=/b.pak\n");
        file.close();
        TadpMRU list(nullptr);
        list.SetRegistryPath(WindowPath);
        QCOMPARE(list.FileList(), QStringList({"/b.pak"}));
    }

    void aFileLargerThanTheProgramWritesIsNotReadButReplaced_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("a value of 10 MB")
            << "[Software]\nVarnholm%20Archiv-Explorer\\MRU1=/" + QByteArray(10 << 20, 'a') + "\n";
        QByteArray keys = "[Software]\n";
        for (int n = 0; n < 100000; ++n)
            keys += "Varnholm%20Archiv-Explorer\\K" + QByteArray::number(n) + "=1\n";
        QTest::newRow("100,000 keys") << keys;
    }
    void aFileLargerThanTheProgramWritesIsNotReadButReplaced() {
        QFETCH(QByteArray, content);
        QFile file(IniFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content + "Varnholm%20Archiv-Explorer\\MRU2=/b.pak\n");
        file.close();
        {
            TadpMRU list(nullptr);
            list.SetMaxItems(5);
            list.SetRegistryPath(WindowPath);
            list.FinishLoading();
            QVERIFY(list.FileList().isEmpty());
            list.AddFile(QStringLiteral("/neu.pak"));
        }
        QVERIFY(QFileInfo(IniFile()).size() < 1000);
        TadpMRU list(nullptr);
        list.SetRegistryPath(WindowPath);
        QCOMPARE(list.FileList(), QStringList({"/neu.pak"}));
    }

    // A reader that has the old file open still sees all of it: the file was replaced as a
    // whole, not rewritten in place.
    void writeReplacesFileInsteadOfRewritingIt() {
        const auto write = [](const QString& path) {
            TadpMRU list(nullptr);
            list.SetRegistryPath(WindowPath);
            list.AddFile(path);
        };
        write(QStringLiteral("/a.pak"));
        QFile old(IniFile());
        QVERIFY(old.open(QIODevice::ReadOnly));
        const QByteArray before = old.readAll();
        QVERIFY(before.contains("/a.pak"));
        write(QStringLiteral("/b.pak"));
        QVERIFY(old.seek(0));
        QCOMPARE(old.readAll(), before);
        QFile now(IniFile());
        QVERIFY(now.open(QIODevice::ReadOnly));
        QVERIFY(now.readAll().contains("/b.pak"));
    }

    void unwritableFolderIsReported() {
        QFile blocker(folder->filePath("datei"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        qputenv("XDG_CONFIG_HOME", folder->filePath("datei/config").toUtf8());
        QStringList reports;
        {
            TadpMRU list(nullptr);
            list.SetRegistryPath(WindowPath);
            list.SetErrorReport([&](const QString& text) { reports.append(text); });
            list.AddFile(QStringLiteral("/a.pak"));
        }
        QCOMPARE(reports, QStringList({"Fehler beim Setzen der Daten für 'MRU1'"}));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestAdpMRU list;
    TestSettingsRegistryStore settings;
    return QTest::qExec(&list, argc, argv) | QTest::qExec(&settings, argc, argv);
}

#include "tst_adpmru.moc"
