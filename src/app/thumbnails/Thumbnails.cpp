#include "Thumbnails.h"

#include "ArchiveSession.h"
#include "FileListModel.h"
#include "FilePane.h"
#include "ThumbnailJob.h"
#include "ThumbnailView.h"
#include "WindowState.h"
#include "uPakReader.h"

#include <QAction>
#include <QImageReader>
#include <QKeyEvent>
#include <QMenu>
#include <QShortcut>
#include <QTreeView>
#include <algorithm>
#include <set>

namespace {

// Whether the grid was on when the window closed, "1" or "0".
const QString kShownKey = QStringLiteral("Thumbnails");

// Handled in the grid as in the list: Enter extracts.
class TEnterFilter : public QObject {
public:
    TEnterFilter(TFilePane& files, QObject* parent)
        : QObject(parent)
        , FFiles(files) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                emit FFiles.ExtractRequested();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    TFilePane& FFiles;
};

} // namespace

bool TThumbnails::IsPictureName(QByteArrayView name) {
    static const std::set<QByteArray> suffixes = [] {
        std::set<QByteArray> formats{"tga"};
        for (const QByteArray& format : QImageReader::supportedImageFormats())
            formats.insert(format.toLower());
        // Formats that Qt reads but that are no pictures a user means by a thumbnail.
        for (const char* other : {"svg", "svgz", "pdf"})
            formats.erase(other);
        return formats;
    }();
    const qsizetype dot = name.lastIndexOf('.');
    if (dot < 0 || dot + 1 >= name.size() || name.size() - dot > 6)
        return false;
    return suffixes.count(name.sliced(dot + 1).toByteArray().toLower()) > 0;
}

TThumbnails::TThumbnails(TArchiveSession& session, TFilePane& files, TWindowState& state,
                         QObject* parent)
    : QObject(parent)
    , FSession(session)
    , FFiles(files)
    , FState(state)
    , FAction(new QAction(QStringLiteral("&Miniaturen"), this))
    , FView(new TThumbnailView([this](int row, bool& picture) { return ThumbnailOf(row, picture); },
                               &files))
    , FJob(new TThumbnailJob(session.Reader(), this)) {
    FAction->setCheckable(true);
    FView->setAccessibleName(QStringLiteral("Miniaturen"));
    FView->setAccessibleDescription(
        QStringLiteral("Die Dateien des Ordners oder der Suche als Miniaturbilder"));
    FView->hide();
    FFiles.AddView(FView);
    // The grid answers the keys and the mouse as the list does.
    connect(FView, &QAbstractItemView::doubleClicked, &FFiles, &TFilePane::FileActivated);
    connect(new QShortcut(Qt::Key_Space, FView, nullptr, nullptr, Qt::WidgetShortcut),
            &QShortcut::activated, &FFiles, &TFilePane::PreviewRequested);
    FView->installEventFilter(new TEnterFilter(FFiles, this));
    FView->OnStartDrag = [this] { emit FFiles.DragStarted(FFiles.SelectedEntries()); };
    FView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(FView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (FView->indexAt(at).isValid())
            FFiles.PopupFiles()->popup(FView->viewport()->mapToGlobal(at));
    });

    connect(&FFiles, &TFilePane::ListChanged, this, &TThumbnails::ListChanged);
    connect(FView, &TThumbnailView::ShownRowsChanged, this, &TThumbnails::RowsShown);
    connect(FJob, &TThumbnailJob::Decoded, this, &TThumbnails::Arrived);
    connect(FAction, &QAction::toggled, this, [this](bool on) {
        FState.SetText(kShownKey, on ? QStringLiteral("1") : QStringLiteral("0"));
        Show(on);
    });
    ListChanged();
    FAction->setChecked(FState.Text(kShownKey) == QStringLiteral("1"));
}

TThumbnails::~TThumbnails() {
    // The job reads the archive, which goes after this.
    delete FJob;
}

bool TThumbnails::Shown() const {
    return FAction->isChecked();
}

void TThumbnails::Show(bool shown) {
    if (FAction->isChecked() != shown) {
        FAction->setChecked(shown); // comes back here through toggled
        return;
    }
    QTreeView* list = FFiles.lvFiles();
    const bool focused = list->hasFocus() || FView->hasFocus();
    // The list's own commands give the focus to the list: while the grid is on, it takes it.
    list->setFocusProxy(shown ? FView : nullptr);
    list->setVisible(!shown);
    FView->setVisible(shown);
    QAbstractItemView* now = shown ? static_cast<QAbstractItemView*>(FView) : list;
    if (focused)
        now->setFocus();
    if (now->currentIndex().isValid())
        now->scrollTo(now->currentIndex());
    if (!shown)
        FJob->Want({});
}

void TThumbnails::ListChanged() {
    // The grid shows the list's model with the list's selection: the same current file, the
    // same selected files.
    QAbstractItemModel* model = FFiles.lvFiles()->model();
    if (FView->model() != model) {
        FView->setModel(model);
        QItemSelectionModel* own = FView->selectionModel();
        FView->setSelectionModel(FFiles.lvFiles()->selectionModel());
        if (own && own->parent() == FView)
            own->deleteLater();
    }
    FWantedRows.clear();
}

TFileListModel* TThumbnails::List() const {
    return qobject_cast<TFileListModel*>(FView->model());
}

const QImage* TThumbnails::ThumbnailOf(int row, bool& picture) {
    picture = false;
    const TFileListModel* list = List();
    if (!list || !FSession.Open() || row >= list->Count())
        return nullptr;
    const int32_t entry = list->EntryAt(row);
    if (entry < 0)
        return nullptr;
    picture = IsPictureName(FSession.Reader().EntryName(entry));
    return picture ? FCache.Find(entry) : nullptr;
}

void TThumbnails::RowsShown(int first, int last) {
    const TFileListModel* list = List();
    if (!list || !FSession.Open() || !Shown())
        return;
    // The rows on show first, then those a screen below and above them, as far as the limit has
    // room for all of them at their largest.
    const int shown = last - first + 1;
    const int64_t room =
        FCache.Limit() / TThumbnailCache::Cost(QImage(TThumbnailJob::kSide, TThumbnailJob::kSide,
                                                      QImage::Format_RGB32));
    const int margin = static_cast<int>(std::clamp<int64_t>((room - shown) / 2, 0, shown));
    std::vector<int> rows;
    rows.reserve(static_cast<size_t>(shown + 2 * margin));
    for (int row = first; row <= last; ++row)
        rows.push_back(row);
    for (int k = 1; k <= margin; ++k) {
        rows.push_back(last + k);
        rows.push_back(first - k);
    }
    FWantedRows.clear();
    std::vector<int32_t> wanted;
    const TPakReader& reader = FSession.Reader();
    for (const int row : rows) {
        if (row < 0 || row >= list->Count())
            continue;
        const int32_t entry = list->EntryAt(row);
        if (entry < 0 || FCache.Contains(entry) || !IsPictureName(reader.EntryName(entry)))
            continue;
        FWantedRows.emplace(entry, row);
        wanted.push_back(entry);
    }
    FJob->Want(std::move(wanted));
}

void TThumbnails::Arrived(int32_t entry, const QImage& thumbnail) {
    FCache.Insert(entry, thumbnail);
    if (const auto wanted = FWantedRows.find(entry); wanted != FWantedRows.end())
        if (const TFileListModel* list = List(); list && wanted->second < list->Count())
            FView->update(list->index(wanted->second, 0));
    emit Decoded(entry);
}

void TThumbnails::ForgetArchive() {
    FJob->Forget();
    FCache.Clear();
    FWantedRows.clear();
}

bool TThumbnails::Busy() const {
    return FJob->Busy();
}

int TThumbnails::DecodedCount() const {
    return FJob->DecodedCount();
}
