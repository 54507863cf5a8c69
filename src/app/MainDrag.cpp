// Dragging files out of the archive, to a file manager or the desktop: they are extracted below
// a temporary folder by an extraction job, and the drag offers them as a list of file URLs. The
// drop waits for the job (the panel shows, with its cancel, when that takes long); the folders
// go when the window does, as the receiver may copy from them after the drop.
#include "AnsiText.h"
#include "DirectoryTreeModel.h"
#include "Main.h"
#include "uPakReader.h"

#include <QDir>
#include <QDrag>
#include <QEventLoop>
#include <QFileInfo>
#include <QMimeData>
#include <QPointer>
#include <QTreeView>
#include <QUrl>
#include <set>

namespace {

// Offers its URLs only once the files behind them are complete.
class TDragData : public QMimeData {
public:
    explicit TDragData(std::function<bool()> waitForFiles)
        : FWaitForFiles(std::move(waitForFiles)) {}

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override {
        if (!FReady)
            FReady = FWaitForFiles();
        return *FReady ? QMimeData::retrieveData(mimeType, type) : QVariant();
    }

private:
    std::function<bool()> FWaitForFiles;
    mutable std::optional<bool> FReady;
};

// A name that stands for a file or folder of its own inside the drag's folder. An archive may
// name an entry or folder "..": offered as it is, that would hand the receiver the folder above.
bool PlainName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..");
}

} // namespace

QMimeData* TfrmMain::CreateDragData(const std::vector<int32_t>& entries, const TDirNode* folder) {
    if (!FArchiveOpen || FActivity != TActivity::Idle || (entries.empty() && !folder) ||
        (folder && folder->Parent && !PlainName(AnsiToQString(folder->Text))))
        return nullptr;
    auto temporary =
        std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("varnholm-XXXXXX")));
    if (!temporary->isValid())
        throw std::runtime_error(
            QStringLiteral("Der temporäre Ordner für das Ziehen konnte nicht angelegt werden: %1")
                .arg(temporary->errorString())
                .toStdString());
    const QDir base(temporary->path());
    QString destination = base.path();
    std::vector<TExtractionJob::TItem> items;
    QList<QUrl> urls;
    if (folder) {
        // The folder itself with everything below it; the root comes as a folder named after
        // the archive.
        size_t cut = 0;
        if (folder->Parent)
            for (const TDirNode* n = folder->Parent; n->Parent; n = n->Parent)
                cut += n->Text.size() + 1;
        else
            destination =
                base.filePath(QFileInfo(FromCoreText(FReader->FileName())).completeBaseName());
        items = ItemsBelow(folder, static_cast<uint32_t>(cut));
        urls << QUrl::fromLocalFile(folder->Parent ? base.filePath(AnsiToQString(folder->Text))
                                                   : destination);
    } else {
        // Files land side by side, as the list shows them.
        std::set<QString> names;
        for (const int32_t entry : entries) {
            items.push_back(
                {entry, static_cast<uint32_t>(FReader->EntryDir(entry).size() + 1), items.empty()});
            const QString name = AnsiToQString(FReader->EntryName(entry));
            if (PlainName(name) && names.insert(name).second)
                urls << QUrl::fromLocalFile(base.filePath(name));
        }
    }
    FDragFolders.push_back(std::move(temporary));

    // The panel shows only when the files take long.
    FDragJob = true;
    ExtractItems(destination, std::move(items));
    auto outcome = std::make_shared<std::optional<bool>>();
    FDragOutcome = outcome;
    auto* data = new TDragData([this, outcome] {
        // The receiver asks for the files: they are there once the job has ended.
        if (!*outcome) {
            QEventLoop wait;
            connect(this, &TfrmMain::ExtractionFinished, &wait, &QEventLoop::quit);
            while (!*outcome)
                wait.exec();
        }
        return **outcome;
    });
    data->setUrls(urls);
    return data;
}

void TfrmMain::StartDrag(const std::vector<int32_t>& entries, const TDirNode* folder) {
    Run([&] {
        if (RefuseWhileExtracting() || FActivity != TActivity::Idle)
            return;
        QMimeData* data = CreateDragData(entries, folder);
        if (!data)
            return;
        QPointer<TExtractionJob> job = FJob.get();
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        // Dropped nowhere: the files are not wanted after all.
        if (drag->exec(Qt::CopyAction) == Qt::IgnoreAction && job && FJob.get() == job)
            CancelCommand();
    });
}
