#include "DragSource.h"

#include "AnsiText.h"
#include "ArchiveSession.h"
#include "CommandRunner.h"
#include "DirectoryTreeModel.h"
#include "ExtractionCommands.h"
#include "Prompts.h"
#include "RunController.h"
#include "StatusLine.h"
#include "uPakReader.h"

#include <QDir>
#include <QDrag>
#include <QEventLoop>
#include <QFileInfo>
#include <QMimeData>
#include <QPointer>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QUrl>
#include <set>

// One drag's files: what they are, and once a drop target has asked for them, the temporary
// folder they were written to. Shared by the drag's data and, weakly, the drag source.
struct TDragCopy {
    std::vector<TExtractionJob::TItem> Items;
    QString Destination; // where the job writes, relative to the folder; empty: the folder
    QStringList Offered; // what the drag offers, relative to the folder
    std::unique_ptr<QTemporaryDir> Folder;
    bool Asked = false;
    bool Spent = false; // removed by the drag source: nothing is written any more

    void Remove() {
        Spent = true;
        Folder.reset();
    }
};

namespace {

const QString kUriList = QStringLiteral("text/uri-list");

// Offers file URLs, and has the files written when they are first asked for.
class TDragData : public QMimeData {
public:
    TDragData(std::shared_ptr<TDragCopy> copy, std::function<void(TDragCopy&)> write)
        : FCopy(std::move(copy))
        , FWrite(std::move(write)) {}

    QStringList formats() const override { return {kUriList}; }
    bool hasFormat(const QString& mimeType) const override { return mimeType == kUriList; }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType) const override {
        if (mimeType != kUriList)
            return {};
        if (!FCopy->Asked) {
            FCopy->Asked = true;
            FWrite(*FCopy);
        }
        if (!FCopy->Folder)
            return {};
        const QDir base(FCopy->Folder->path());
        QVariantList urls;
        for (const QString& name : FCopy->Offered)
            urls << QUrl::fromLocalFile(base.filePath(name));
        return urls;
    }

private:
    const std::shared_ptr<TDragCopy> FCopy;
    const std::function<void(TDragCopy&)> FWrite;
};

// A name that stands for a file or folder of its own inside the drag's folder. An archive may
// name an entry or folder "..": offered as it is, that would hand the receiver the folder above.
bool PlainName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..");
}

// What a drag offers, and what is written for it: a folder with everything below it (the root
// as a folder named after the archive), or files side by side, as the list shows them.
void Describe(TDragCopy& copy, const TPakReader& reader, const std::vector<int32_t>& entries,
              const TDirNode* folder) {
    if (folder) {
        size_t cut = 0;
        if (folder->Parent)
            for (const TDirNode* n = folder->Parent; n->Parent; n = n->Parent)
                cut += n->Text.size() + 1;
        else
            copy.Destination = QFileInfo(FromCoreText(reader.FileName())).completeBaseName();
        copy.Items = TExtractionCommands::ItemsBelow(folder, static_cast<uint32_t>(cut));
        copy.Offered << (folder->Parent ? AnsiToQString(folder->Text) : copy.Destination);
        return;
    }
    std::set<QString> names;
    for (const int32_t entry : entries) {
        copy.Items.push_back(
            {entry, static_cast<uint32_t>(reader.EntryDir(entry).size() + 1), copy.Items.empty()});
        const QString name = AnsiToQString(reader.EntryName(entry));
        if (PlainName(name) && names.insert(name).second)
            copy.Offered << name;
    }
}

} // namespace

TDragSource::TDragSource(TArchiveSession& session, TRunController& runs, ICommandRunner& runner,
                         TPrompts& prompts, TStatusLine& status, QWidget* window)
    : QObject(window)
    , FSession(session)
    , FRuns(runs)
    , FRunner(runner)
    , FPrompts(prompts)
    , FStatus(status)
    , FWindow(window) {}

TDragSource::~TDragSource() {
    RemoveDragCopies();
}

bool TDragSource::Busy() const {
    return FSession.Loading() || FRuns.Running();
}

QMimeData* TDragSource::CreateDragData(const std::vector<int32_t>& entries,
                                       const TDirNode* folder) {
    if (!FSession.Open() || Busy() || (entries.empty() && !folder) ||
        (folder && folder->Parent && !PlainName(AnsiToQString(folder->Text))))
        return nullptr;
    // The copies of earlier drags are of no use once the next one starts.
    RemoveDragCopies();
    auto copy = std::make_shared<TDragCopy>();
    const TPakReader& reader = FSession.Reader();
    Describe(*copy, reader, entries, folder);
    if (copy->Offered.isEmpty())
        return nullptr;

    // What cannot fit is refused before anything is written. The sizes the entries declare are
    // the most they may unpack to.
    uint64_t bytes = 0;
    for (const TExtractionJob::TItem& item : copy->Items)
        bytes = AddSize(bytes, reader.EntryUnpackedSize(item.Index));
    const QStorageInfo storage(QDir::tempPath());
    if (storage.isValid() && storage.bytesAvailable() >= 0 &&
        bytes > static_cast<uint64_t>(storage.bytesAvailable())) {
        ShowErrorMessage(
            FPrompts, FWindow,
            QStringLiteral("Zum Ziehen müssten %1 in den temporären Ordner „%2“ entpackt "
                           "werden, dort sind aber nur %3 frei. Entpacken Sie die Dateien "
                           "stattdessen über das Menü „Entpacken“.")
                .arg(TRunStatus::Bytes(bytes), QDir::toNativeSeparators(QDir::tempPath()),
                     TRunStatus::Bytes(static_cast<uint64_t>(storage.bytesAvailable()))));
        return nullptr;
    }
    FDragCopies.push_back(copy);
    return new TDragData(copy, [source = QPointer<TDragSource>(this)](TDragCopy& asked) {
        if (source)
            source->FRunner.RunCommand([&] { source->WriteDragCopy(asked); });
    });
}

void TDragSource::WriteDragCopy(TDragCopy& copy) {
    if (copy.Spent || !FSession.Open())
        return;
    if (Busy()) {
        FStatus.Set(QStringLiteral("Die gezogenen Dateien können erst nach dem laufenden "
                                   "Vorgang abgelegt werden."));
        return;
    }
    auto folder =
        std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("varnholm-XXXXXX")));
    if (!folder->isValid())
        throw std::runtime_error(
            QStringLiteral("Der temporäre Ordner für das Ziehen konnte nicht angelegt werden: %1")
                .arg(folder->errorString())
                .toStdString());
    const QDir base(folder->path());
    copy.Folder = std::move(folder);
    // The drop waits for the run; the panel shows only when the files take long.
    auto outcome = std::make_shared<std::optional<bool>>();
    FRuns.ExtractDrag(copy.Destination.isEmpty() ? base.path() : base.filePath(copy.Destination),
                      std::move(copy.Items), [outcome](bool complete) { *outcome = complete; });
    QEventLoop wait;
    connect(&FRuns, &TRunController::ExtractionFinished, &wait, &QEventLoop::quit);
    while (!*outcome)
        wait.exec();
    // Half a copy is no copy: the receiver gets nothing.
    if (!**outcome)
        copy.Folder.reset();
}

void TDragSource::RemoveDragCopies() {
    for (const std::weak_ptr<TDragCopy>& held : FDragCopies)
        if (const std::shared_ptr<TDragCopy> copy = held.lock())
            copy->Remove();
    FDragCopies.clear();
}

void TDragSource::StartDrag(const std::vector<int32_t>& entries, const TDirNode* folder) {
    if (FRuns.RefuseWhileRunning() || Busy())
        return;
    QMimeData* data = CreateDragData(entries, folder);
    if (!data)
        return;
    const std::weak_ptr<TDragCopy> copy = FDragCopies.back();
    auto* drag = new QDrag(FWindow);
    drag->setMimeData(data);
    // Dropped nowhere: whatever a target asked for on the way is not wanted after all.
    if (drag->exec(Qt::CopyAction) == Qt::IgnoreAction)
        if (const std::shared_ptr<TDragCopy> held = copy.lock())
            held->Remove();
}
