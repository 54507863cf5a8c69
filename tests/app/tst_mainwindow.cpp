// The main window driven through its own commands, headless, with scripted dialogs.
#include "AppIcon.h"
#include "CommandLine.h"
#include "DirectoryTreeModel.h"
#include "FolderIcons.h"
#include "QtGerman.h"
#include "TextOrder.h"
#include "WindowFixture.h"
#include "adpMRU.h"
#include "uPakReader.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFont>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <dlfcn.h>
#include <new>
#include <sys/mman.h>
#include <unistd.h>

// Every allocation of this test program comes here, so that a test can make large ones fail as
// they fail where memory is short.
namespace {
std::atomic<size_t> gFailAllocationsFrom{0}; // 0: none fails
} // namespace

void* operator new(size_t size) {
    const size_t limit = gFailAllocationsFrom.load(std::memory_order_relaxed);
    if (limit != 0 && size >= limit)
        throw std::bad_alloc();
    if (void* memory = std::malloc(size == 0 ? 1 : size))
        return memory;
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}

void operator delete(void* memory, size_t) noexcept {
    std::free(memory);
}

// Large tables come straight from the system's pages; the program's own calls of mmap and
// mremap come here (the libraries keep theirs), so that those fail from the same size.
extern "C" void* mmap(void* address, size_t length, int protection, int flags, int fd,
                      off_t offset) {
    static const auto next = reinterpret_cast<decltype(&mmap)>(dlsym(RTLD_NEXT, "mmap"));
    const size_t limit = gFailAllocationsFrom.load(std::memory_order_relaxed);
    if (limit != 0 && length >= limit) {
        errno = ENOMEM;
        return MAP_FAILED;
    }
    return next(address, length, protection, flags, fd, offset);
}

extern "C" void* mremap(void* old, size_t oldLength, size_t length, int flags, ...) {
    using TRemap = void* (*)(void*, size_t, size_t, int, ...);
    static const auto next = reinterpret_cast<TRemap>(dlsym(RTLD_NEXT, "mremap"));
    const size_t limit = gFailAllocationsFrom.load(std::memory_order_relaxed);
    if (limit != 0 && length >= limit) {
        errno = ENOMEM;
        return MAP_FAILED;
    }
    return next(old, oldLength, length, flags);
}

namespace {

// Texts of the children of node, in the order the tree shows them.
QStringList ChildCaptions(const TDirNode* node) {
    QStringList captions;
    for (const auto& child : node->Children)
        captions << child->Caption;
    return captions;
}

// The share of a picture's visible pixels that are only partly opaque: its blurred edges.
double BlurredShare(const QPixmap& picture) {
    const QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    int visible = 0;
    int blurred = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            visible += alpha > 0;
            blurred += alpha > 0 && alpha < 255;
        }
    return visible == 0 ? 1.0 : double(blurred) / visible;
}

QStringList ListCaptions(const QAbstractItemModel* list, int column = 0) {
    QStringList captions;
    for (int row = 0; row < list->rowCount(); ++row)
        captions << list->index(row, column).data().toString();
    return captions;
}

} // namespace

class TestMainWindow : public QObject, TWindowFixture {
    Q_OBJECT

    QStringList RecentEntries() const {
        QStringList texts;
        for (QAction* item : FWindow->Controls().mnRecent->actions())
            texts << item->text();
        return texts;
    }

    QString Write(const QString& name, TPakWriter& writer) {
        const QString path = FDir->filePath(name);
        const std::string bytes = writer.Finish();
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
                static_cast<qint64>(bytes.size()))
            qFatal("cannot write fixture");
        return path;
    }

    // Opens an archive through the open command, as the user would, and waits for the load.
    void Open(const QString& path) {
        FPrompts.OpenAnswers.push_back(path);
        FWindow->OpenCommand();
        WaitIdle();
    }

    const TDirNode* Root() const { return FWindow->DirectoryModel().Root(); }

    void Select(const TDirNode* node) {
        FWindow->Folders().tvDirectories()->setCurrentIndex(
            FWindow->DirectoryModel().IndexOf(node));
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void init() {
        SetUpWindow(0);
        QVERIFY(FDir->isValid());
    }

    void cleanup() { TearDownWindow(); }

    void windowHasItsLayoutMenusAndShortcuts() {
        TfrmMain& w = *FWindow;
        QCOMPARE(w.windowTitle(), QStringLiteral("Varnholm Archiv-Explorer 1.0"));
        QVERIFY(!w.windowIcon().isNull());
        QCOMPARE(w.size(), QSize(744, 541));
        QCOMPARE(w.Folders().tvDirectories()->indentation(), 19);
        QCOMPARE(w.Files().lvFiles()->header()->sectionSize(0), 300);
        QCOMPARE(w.Files().lvFiles()->header()->sectionSize(1), 80);
        QCOMPARE(w.Files().lvFiles()->model()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("Dateiname"));
        QCOMPARE(w.Files().lvFiles()->model()->headerData(1, Qt::Horizontal).toString(),
                 QStringLiteral("Größe"));
        QVERIFY(w.Runs().Panel().isHidden());
        // The panel grows with the font, so that no text is clipped: label, bar and button
        // inside it, one below the other.
        const QRect panel(QPoint(), w.Runs().Panel().size());
        QVERIFY(w.Runs().Panel().width() >= 281 && w.Runs().Panel().height() >= 89);
        QVERIFY(w.Runs().Panel().lbExtract()->height() >=
                w.Runs().Panel().lbExtract()->fontMetrics().height());
        QVERIFY(w.Runs().Panel().lbExtract()->geometry().bottom() <
                w.Runs().Panel().pbProgress()->geometry().top());
        QVERIFY(w.Runs().Panel().pbProgress()->geometry().bottom() <
                w.Runs().Panel().btCancel()->geometry().top());
        for (const QWidget* child : {static_cast<QWidget*>(w.Runs().Panel().lbExtract()),
                                     static_cast<QWidget*>(w.Runs().Panel().pbProgress()),
                                     static_cast<QWidget*>(w.Runs().Panel().btCancel())})
            QVERIFY(panel.contains(child->geometry()));
        QCOMPARE(w.Runs().Panel().btCancel()->text(), QStringLiteral("Abbrechen"));

        QStringList menus;
        for (QAction* menu : w.menuBar()->actions())
            menus << menu->text();
        QCOMPARE(menus, (QStringList{"&Datei", "&Entpacken", "&Ansicht", "&Hilfe"}));
        QStringList fileItems;
        for (QAction* item : w.Controls().mnFile->actions())
            fileItems << (item->isSeparator() ? QStringLiteral("-") : item->text());
        QCOMPARE(fileItems, (QStringList{"Ö&ffnen", "Erneut öffnen", "-", "&Vergleichen mit...",
                                         "Archiv mit Ordner &aktualisieren...", "-", "&Beenden"}));
        QCOMPARE(w.Controls().acOpen->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
        QCOMPARE(w.Controls().acExtractSelected->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_X));
        QCOMPARE(w.Controls().acExtractAll->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
        QCOMPARE(w.Controls().acExtractDirectory->text(),
                 QStringLiteral("Verzeichnis entpacken..."));
        QCOMPARE(w.Folders().PopupMenu1()->actions().at(0)->text(),
                 QStringLiteral("Verzeichnis entpacken..."));
        QCOMPARE(w.Controls().acAbout->text(), QStringLiteral("Über..."));
    }

    void qtsOwnTextsAreGerman() {
        QVERIFY(InstallQtGermanTexts(*QCoreApplication::instance()));
        QCOMPARE(FWindow->Controls().acOpen->shortcut().toString(QKeySequence::NativeText),
                 QStringLiteral("Strg+O"));
    }

    // Under LANG=C the tree must not fall back to byte order.
    void textOrderIsGermanWhereTheSystemHasNoLanguage() {
        const auto sorted = [] {
            QStringList texts{"Videos", "_x", "b", "Übersetzungen", "B", "a", "Z", "ä", "A"};
            std::sort(texts.begin(), texts.end(),
                      [](const QString& x, const QString& y) { return CompareText(x, y) < 0; });
            return texts;
        };
        const QStringList german = sorted();
        QLocale::setDefault(QLocale::c());
        const QStringList withoutLanguage = sorted();
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(withoutLanguage, german);
        QCOMPARE(german,
                 (QStringList{"_x", "a", "A", "ä", "b", "B", "Übersetzungen", "Videos", "Z"}));
    }

    void aboutTextBeginsWithTheApplicationTitle() {
        FWindow->AboutCommand();
        QCOMPARE(FPrompts.Messages.size(), size_t{1});
        QVERIFY(FPrompts.Messages[0].Text.startsWith("Varnholm Archiv-Explorer"));
        QVERIFY(!FPrompts.Messages[0].Text.contains('\n'));
    }

    void extractionCommandsAskForAnArchiveFirst() {
        FWindow->ExtractSelectedFileCommand();
        FWindow->ExtractAllFilesCommand();
        FWindow->ExtractDirectoryCommand();
        QCOMPARE(FPrompts.MessageTexts(),
                 QStringList(3, QStringLiteral("Bitte zuerst eine Archivdatei öffnen.")));
        QVERIFY(FPrompts.SavePresets.isEmpty());
    }

    // "Alle Dateien (*)" follows the archives' filter: an archive with another ending opens.
    void anArchiveWithAnotherEndingOpens() {
        TPakWriter writer;
        writer.AddStored("a.txt", "a");
        Open(Write("archiv.dat", writer));
        QVERIFY(FWindow->ArchiveOpen());
        QCOMPARE(FPrompts.OpenFilters.last().split(";;").last(), "Alle Dateien (*)");
    }

    void openOfAMissingFileUnloadsAndShowsTheErrorWithAFinalDot() {
        TPakWriter writer;
        writer.AddStored("a.txt", "a");
        Open(Write("first.pak", writer));
        QVERIFY(FWindow->ArchiveOpen());
        QCOMPARE(FPrompts.OpenFilters,
                 QStringList{"Varnholm Archivdateien (*.p?\?);;Alle Dateien (*)"});

        const QString missing = FDir->filePath("fehlt.pak");
        Open(missing);
        QCOMPARE(FPrompts.Messages.size(), size_t{1});
        QCOMPARE(
            FPrompts.Messages[0].Text,
            QStringLiteral("Datei %1 kann nicht geöffnet werden: Nicht vorhanden.").arg(missing));
        QCOMPARE(FPrompts.Messages[0].Icon, TPrompts::TIcon::Error);
        QVERIFY(!FWindow->ArchiveOpen());
        QVERIFY(Root() == nullptr);
        QCOMPARE(FWindow->StatusText(), QString()); // not "Archiv wird geladen..." for good

        Open(FDir->path());
        QCOMPARE(FPrompts.Messages.back().Text,
                 QStringLiteral("Datei %1 kann nicht geöffnet werden: Das ist ein Ordner.")
                     .arg(FDir->path()));
    }

    void cancellingTheOpenDialogKeepsTheLoadedArchive() {
        TPakWriter writer;
        writer.AddStored("a.txt", "a");
        Open(Write("kept.pak", writer));
        FWindow->OpenCommand(); // no answer scripted: the dialog is cancelled
        QVERIFY(FWindow->ArchiveOpen());
        QCOMPARE(Root()->Caption, QStringLiteral("kept.pak"));
        QVERIFY(FPrompts.Messages.empty());
    }

    void aDamagedArchiveIsRefusedWithAGermanMessage() {
        QFile file(FDir->filePath("kaputt.pak"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("kein Archiv");
        file.close();
        Open(file.fileName());
        QCOMPARE(FPrompts.Messages.size(), size_t{1});
        QVERIFY(
            FPrompts.Messages[0].Text.contains("ist keine Varnholm-Archivdatei oder beschädigt"));
        QVERIFY(FPrompts.Messages[0].Text.endsWith('.'));
        QVERIFY(!FWindow->ArchiveOpen());
    }

    void memoryRunningOutWhileOpeningIsAGermanMessage() {
        // The directory's text grows past the limit while the load reads it.
        TPakWriter writer;
        writer.AddStored(std::string(8 << 20, 'n'), "x");
        const QString path = Write("gross.pak", writer);
        gFailAllocationsFrom = 4 << 20;
        Open(path);
        gFailAllocationsFrom = 0;
        QCOMPARE(FPrompts.Messages.size(), size_t{1});
        QCOMPARE(FPrompts.Messages[0].Text,
                 QStringLiteral("Datei %1 kann nicht geöffnet werden: Nicht genug Arbeitsspeicher.")
                     .arg(path));
        QVERIFY(!FWindow->ArchiveOpen());
        QVERIFY(!Root());
    }

    void manySiblingFoldersWhoseNamesCollideMakeOneNodeEach() {
        const std::vector<std::string> names = CollidingNames(12);
        TPakWriter writer;
        for (const std::string& name : names) {
            writer.AddStored(name + "/eins.txt", "1");
            writer.AddStored(name + "/zwei.txt", "2");
        }
        Open(Write("breit.pak", writer));
        QVERIFY(FWindow->ArchiveOpen());
        const QStringList captions = ChildCaptions(Root());
        QCOMPARE(captions.size(), qsizetype(names.size()));
        for (qsizetype i = 1; i < captions.size(); ++i)
            QVERIFY(CompareText(captions[i - 1], captions[i]) < 0);
        for (const auto& child : Root()->Children)
            QCOMPARE(child->Files->Count(), 2);
    }

    void treeAndListsFollowTheArchiveDirectoriesInTextOrder() {
        TPakWriter writer;
        writer.AddStored("wurzel.txt", "12345");
        writer.AddStored("b/datei", "b");
        writer.AddStored("a/zwei.txt", "22");
        writer.AddStored("a/Eins.txt", "1");
        writer.AddStored("a/drei.txt", "333");
        writer.AddStored("x/a/innen.txt", "x");
        writer.AddStored("A/gross.txt", "A");
        writer.AddStored("nur/unter/tief.txt", "t");
        writer.AddStored("a/a/doppelt.txt", "d");
        Open(Write("baum.pak", writer));
        QVERIFY(FWindow->ArchiveOpen());
        QAbstractItemModelTester tester(&FWindow->DirectoryModel());

        const TDirNode* root = Root();
        QCOMPARE(root->Caption, QStringLiteral("baum.pak"));
        QCOMPARE(ChildCaptions(root), (QStringList{"a", "A", "b", "nur", "x"}));
        QCOMPARE(ChildCaptions(root->FindCaptionPath("x")), QStringList{"a"});
        QCOMPARE(ChildCaptions(root->FindCaptionPath("a")), QStringList{"a"});
        // Every folder with subfolders is open, so the deepest ones are in view.
        QVERIFY(FWindow->Folders().tvDirectories()->isExpanded(
            FWindow->DirectoryModel().IndexOf(root->FindCaptionPath("nur"))));

        // The root is selected after loading and shows the archive's root files.
        QCOMPARE(FWindow->Folders().tvDirectories()->currentIndex(),
                 FWindow->DirectoryModel().IndexOf(root));
        QCOMPARE(ListCaptions(FWindow->Files().lvFiles()->model()), QStringList{"wurzel.txt"});
        QCOMPARE(ListCaptions(FWindow->Files().lvFiles()->model(), 1), QStringList{"5"});

        Select(root->FindCaptionPath("a"));
        QAbstractItemModelTester listTester(FWindow->Files().lvFiles()->model());
        QCOMPARE(ListCaptions(FWindow->Files().lvFiles()->model()),
                 (QStringList{"drei.txt", "Eins.txt", "zwei.txt"}));
        QCOMPARE(ListCaptions(FWindow->Files().lvFiles()->model(), 1),
                 (QStringList{"3", "1", "2"}));
        Select(root->FindCaptionPath("x/a"));
        QCOMPARE(ListCaptions(FWindow->Files().lvFiles()->model()), QStringList{"innen.txt"});
        Select(root->FindCaptionPath("A"));
        QCOMPARE(ListCaptions(FWindow->Files().lvFiles()->model()), QStringList{"gross.txt"});

        // A directory holding only directories has no list: the empty list shows.
        Select(root->FindCaptionPath("nur"));
        QCOMPARE(FWindow->Files().lvFiles()->model()->rowCount(), 0);
        QCOMPARE(FWindow->Files().lvFiles()->model()->columnCount(), 2);
    }

    void anArchiveWithoutRootFilesShowsAnEmptyListForTheRoot() {
        TPakWriter writer;
        writer.AddStored("sub/x", "x");
        Open(Write("ohne.pak", writer));
        QCOMPARE(FWindow->Files().lvFiles()->model()->rowCount(), 0);
        Select(Root()->FindCaptionPath("sub"));
        QCOMPARE(FWindow->Files().lvFiles()->model()->rowCount(), 1);
    }

    void namesAreShownFromWindows1252() {
        TPakWriter writer;
        writer.AddStored("gr\xFC\xDF"
                         "e/\x80uro.txt",
                         "x");
        Open(Write("ansi.pak", writer));
        const TDirNode* dir = Root()->FindCaptionPath(QStringLiteral("grüße"));
        QVERIFY(dir);
        Select(dir);
        QCOMPARE(ListCaptions(FWindow->Files().lvFiles()->model()), QStringList{"€uro.txt"});
    }

    // An empty name is no blank row: "(ohne Namen)" in italics, in the list and in the tree.
    void emptyNamesShowAsOhneNamenInItalics() {
        TPakWriter writer;
        writer.AddStored("a/", "leer benannt");
        writer.AddStored("a/b.txt", "b");
        writer.AddStored("c//d.txt", "d");
        Open(Write("leer.pak", writer));
        const auto italic = [](const QModelIndex& index) {
            return index.data(Qt::FontRole).value<QFont>().italic();
        };
        Select(Root()->FindCaptionPath("a"));
        const QAbstractItemModel* list = FWindow->Files().lvFiles()->model();
        QCOMPARE(ListCaptions(list), (QStringList{"(ohne Namen)", "b.txt"}));
        QVERIFY(italic(list->index(0, 0)) && !italic(list->index(1, 0)));
        QCOMPARE(list->index(0, 1).data().toString(), "12"); // the other columns as ever
        const TDirNode* nameless = Root()->FindCaptionPath("c")->Children.front().get();
        const QModelIndex folder = FWindow->DirectoryModel().IndexOf(nameless);
        QCOMPARE(folder.data().toString(), "(ohne Namen)");
        QVERIFY(italic(folder) && !italic(folder.parent()));
        QCOMPARE(nameless->Caption, QString()); // what the archive calls it stays as it is
    }

    void selectingSetsTheGlyphOfTheNodeByItsExpansion() {
        TPakWriter writer;
        writer.AddStored("a/b/c.txt", "c");
        writer.AddStored("d/e.txt", "e");
        Open(Write("bild.pak", writer));
        const TDirNode* a = Root()->FindCaptionPath("a");
        FWindow->Folders().tvDirectories()->collapse(FWindow->DirectoryModel().IndexOf(a));
        Select(a);
        QCOMPARE(a->ImageIndex, 1);
        const TDirNode* d = Root()->FindCaptionPath("d");
        Select(d);
        QCOMPARE(d->ImageIndex, 0);
    }

    // At scale factors 1.5 and 2 the glyphs are drawn for the device's pixels, in views too:
    // their edges are sharper than those of the 16-pixel picture blown up, even without
    // smoothing (which blurs them more).
    void glyphsAreDrawnForTheDevicePixelRatio_data() {
        QTest::addColumn<QIcon>("icon");
        QTest::addColumn<qreal>("ratio");
        for (const qreal ratio : {1.5, 2.0}) {
            QTest::addRow("offener Ordner %g", ratio) << FolderIcon(0) << ratio;
            QTest::addRow("geschlossener Ordner %g", ratio) << FolderIcon(1) << ratio;
            QTest::addRow("Programm %g", ratio) << AppIcon() << ratio;
        }
    }

    void glyphsAreDrawnForTheDevicePixelRatio() {
        QFETCH(QIcon, icon);
        QFETCH(qreal, ratio);
        const QSize logical(16, 16);
        const QPixmap picture = icon.pixmap(logical, ratio);
        QCOMPARE(picture.size(), logical * ratio);
        QCOMPARE(picture.devicePixelRatio(), ratio);
        const QPixmap blownUp = icon.pixmap(logical, 1.0).scaled(picture.size());
        QVERIFY(BlurredShare(picture) < 0.8 * BlurredShare(blownUp));

        QImage painted(picture.size(), QImage::Format_ARGB32_Premultiplied);
        painted.setDevicePixelRatio(ratio);
        painted.fill(Qt::transparent);
        QPainter painter(&painted);
        icon.paint(&painter, QRect(QPoint(), logical));
        painter.end();
        QCOMPARE(painted, picture.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }

    void statusTextCountsEveryHundredEntriesWhileLoading() {
        TPakWriter writer;
        for (int i = 0; i < 250; ++i)
            writer.AddStored(QStringLiteral("d%1/f%2").arg(i % 7).arg(i).toStdString(), "");
        const QString path = Write("zaehlen.pak", writer);
        QStringList texts;
        QObject scope; // ends the connection with the test
        connect(FWindow.get(), &TfrmMain::StatusTextChanged, &scope,
                [&](const QString& text) { texts << text; });
        Open(path);
        QCOMPARE(texts,
                 (QStringList{"Archiv wird geschlossen...", "Archiv wird geladen...",
                              "Archiv wird geladen... (0/250)", "Archiv wird geladen... (100/250)",
                              "Archiv wird geladen... (200/250)", "250 Dateien"}));
    }

    void windowAndOpenFolderAreRememberedBetweenRuns() {
        auto store = std::make_shared<MemoryRegistryStore>();
        FWindow = std::make_unique<TfrmMain>(FPrompts, store);
        FWindow->show();
        FWindow->resize(900, 600);
        FWindow->Controls().Splitter1->setSizes({300, 600});
        QTRY_COMPARE(FWindow->Controls().Splitter1->sizes().first(), 300);
        TPakWriter writer;
        writer.AddStored("x", "x");
        Open(Write("gemerkt.pak", writer));
        QCOMPARE(FPrompts.OpenFolders.last(), QDir::homePath()); // the first start: home
        FWindow.reset();

        FWindow = std::make_unique<TfrmMain>(FPrompts, store);
        FWindow->show();
        QCOMPARE(FWindow->size(), QSize(900, 600));
        QTRY_COMPARE(FWindow->Controls().Splitter1->sizes().first(), 300);
        FWindow->OpenCommand(); // cancelled
        QCOMPARE(FPrompts.OpenFolders.last(), FDir->path());
    }

    void aColonBelongsToTheArchiveNameOnLinux() {
        TPakWriter writer;
        writer.AddStored("x", "x");
        Open(Write("backup:v2.pak", writer));
        QCOMPARE(Root()->Caption, QStringLiteral("backup:v2.pak"));
    }

    void aSecondLoadReplacesTheFirst() {
        TPakWriter first;
        first.AddStored("alt/eins.txt", "1");
        TPakWriter second;
        second.AddStored("neu/zwei.txt", "2");
        Open(Write("eins.pak", first));
        Open(Write("zwei.pak", second));
        QCOMPARE(Root()->Caption, QStringLiteral("zwei.pak"));
        QCOMPARE(ChildCaptions(Root()), QStringList{"neu"});
        QCOMPARE(FWindow->Reader().Count(), 1);
        QCOMPARE(FWindow->StatusText(), QStringLiteral("1 Dateien"));
    }

    void sizesAreShownInFull() {
        TPakWriter writer;
        auto& big = writer.AddRaw(writer.Root(), "gross.bin", "", 0);
        big.Offset = 48;
        big.StoredSize = big.UnpackedSize = 3000000000u + (uint64_t{1} << 32);
        const QString path = Write("gross.pak", writer);
        QVERIFY(::truncate(path.toLocal8Bit().constData(), 48 + 7294967296ll) == 0); // sparse
        Open(path);
        QCOMPARE(ListCaptions(FWindow->Files().lvFiles()->model(), 1), QStringList{"7294967296"});
    }

    void openingDuringALoadEndsItAndOpensTheNewArchive() {
        TPakWriter big;
        for (int i = 0; i < 1000; ++i)
            big.AddStored(QStringLiteral("d%1/f%2").arg(i % 13).arg(i).toStdString(), "");
        TPakWriter small;
        small.AddStored("klein/datei.txt", "k");
        const QString bigPath = Write("gross.pak", big);
        const QString smallPath = Write("klein.pak", small);

        bool asked = false;
        QObject scope;
        connect(FWindow.get(), &TfrmMain::StatusTextChanged, &scope, [&](const QString& text) {
            if (!asked && text == QStringLiteral("Archiv wird geladen... (300/1000)")) {
                asked = true;
                // While the load runs, extraction finds no archive and opening takes over.
                FWindow->ExtractAllFilesCommand();
                FWindow->OpenArchiveCommand(smallPath);
            }
        });
        Open(bigPath);
        QVERIFY(asked);
        QVERIFY(FWindow->ArchiveOpen());
        QCOMPARE(Root()->Caption, QStringLiteral("klein.pak"));
        QCOMPARE(ChildCaptions(Root()), QStringList{"klein"});
        QCOMPARE(FWindow->Reader().Count(), 1);
        QCOMPARE(FPrompts.MessageTexts(), QStringList{"Bitte zuerst eine Archivdatei öffnen."});
    }

    void closingDuringALoadClosesOnceTheLoadHasEnded() {
        TPakWriter big;
        for (int i = 0; i < 500; ++i)
            big.AddStored(QStringLiteral("d%1/f%2").arg(i % 5).arg(i).toStdString(), "");
        const QString path = Write("lang.pak", big);
        FWindow->show();
        QObject scope;
        connect(FWindow.get(), &TfrmMain::StatusTextChanged, &scope, [&](const QString& text) {
            if (text == QStringLiteral("Archiv wird geladen... (200/500)"))
                FWindow->close();
        });
        Open(path);
        QTRY_VERIFY(!FWindow->isVisible());
        QVERIFY(!FWindow->ArchiveOpen());
    }

    void theArchiveNamedOnTheCommandLineIsOpened() {
        TPakWriter writer;
        writer.AddStored("start.txt", "s");
        const QString path = Write("start.pak", writer);
        OpenCommandLineArchive(*FWindow,
                               {"varnholm-explorer", QUrl::fromLocalFile(path).toString()});
        QTRY_VERIFY(FWindow->ArchiveOpen());
        QCOMPARE(Root()->Caption, QStringLiteral("start.pak"));
        OpenCommandLineArchive(*FWindow, {"varnholm-explorer"}); // nothing named: nothing happens
        QVERIFY(FPrompts.Messages.empty());
    }

    void droppingAnArchiveOpensIt() {
        TPakWriter writer;
        writer.AddStored("fallen.txt", "f");
        const QString path = Write("fallen.pak", writer);
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        FWindow->show();
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(FWindow.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(FWindow.get(), &drop);
        QTRY_VERIFY(FWindow->ArchiveOpen());
        QCOMPARE(Root()->Caption, QStringLiteral("fallen.pak"));
    }

    void recentListStartsDisabledAndIsEnabledByTheFirstLoad() {
        QVERIFY(!FWindow->Controls().mnRecent->menuAction()->isEnabled());
        TPakWriter writer;
        writer.AddStored("x", "x");
        const QString path = Write("Kunst & Bau.pak", writer);
        Open(path);
        QVERIFY(FWindow->Controls().mnRecent->menuAction()->isEnabled());
        QCOMPARE(RecentEntries(), QStringList{QString(path).replace("&", "&&")});
    }

    void recentArchivesSurviveARestartNewestFirstAndReopen() {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        TPakWriter one;
        one.AddStored("eins.txt", "1");
        TPakWriter two;
        two.AddStored("zwei.txt", "2");
        const QString first = Write("erstes.pak", one);
        const QString second = Write("zweites.pak", two);

        FWindow = std::make_unique<TfrmMain>(FPrompts); // the user's own store
        Open(first);
        Open(second);
        FWindow.reset(); // an orderly end writes the list

        FWindow = std::make_unique<TfrmMain>(FPrompts);
        QVERIFY(FWindow->Controls().mnRecent->menuAction()->isEnabled());
        QCOMPARE(RecentEntries(), (QStringList{second, first}));
        FWindow->Controls().mnRecent->actions().at(1)->trigger();
        WaitIdle();
        QVERIFY(FWindow->ArchiveOpen());
        QCOMPARE(Root()->Caption, QStringLiteral("erstes.pak"));
        QCOMPARE(RecentEntries(), (QStringList{first, second}));
        FWindow.reset();
        qunsetenv("XDG_CONFIG_HOME");
        QVERIFY(FPrompts.Messages.empty());
    }

    void aRecentArchiveThatIsGoneIsOfferedForRemoval() {
        TPakWriter goneWriter;
        goneWriter.AddStored("x", "x");
        TPakWriter keptWriter;
        keptWriter.AddStored("y", "y");
        const QString gone = Write("weg.pak", goneWriter);
        const QString kept = Write("da.pak", keptWriter);
        Open(gone);
        Open(kept);
        QFile::remove(gone);
        const QString message =
            QStringLiteral("Datei %1 kann nicht geöffnet werden: Nicht vorhanden.\n\nAus der "
                           "Liste „Erneut öffnen“ entfernen?")
                .arg(gone);
        FPrompts.ChoiceAnswers = {1, 0}; // "Behalten", then "Entfernen"
        FWindow->Controls().mnRecent->actions().at(1)->trigger();
        WaitIdle();
        QCOMPARE(FPrompts.MessageTexts(), QStringList{message});
        QCOMPARE(FPrompts.ChoiceButtons, QStringList{"Entfernen|Behalten"});
        QCOMPARE(RecentEntries(), (QStringList{kept, gone}));
        QVERIFY(!FWindow->ArchiveOpen());

        FWindow->Controls().mnRecent->actions().at(1)->trigger();
        WaitIdle();
        QCOMPARE(FPrompts.MessageTexts(), (QStringList{message, message}));
        QCOMPARE(RecentEntries(), QStringList{kept});
    }

    void aStoredValueOfTheWrongTypeIsShownOnceAndTheWindowStillOpens() {
        auto store = std::make_shared<MemoryRegistryStore>();
        store->SetString("Software\\Varnholm Archiv-Explorer", "MRU1", "/spiele/a.pak");
        MemoryRegistryStore::Value number;
        number.type = RegistryValueType::Other;
        number.text = "42";
        store->SetValue("Software\\Varnholm Archiv-Explorer", "MRU2", number);
        FWindow = std::make_unique<TfrmMain>(FPrompts, store);
        QCOMPARE(FPrompts.MessageTexts(), QStringList{"Ungültiger Datentyp für 'MRU2'"});
        QCOMPARE(RecentEntries(), QStringList{"/spiele/a.pak"});
        QVERIFY(FWindow->Controls().mnRecent->menuAction()->isEnabled());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
