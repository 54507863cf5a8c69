#include "FolderBrowser.h"

#include "AccessibleText.h"
#include "FolderButtonGeometry.h"
#include "FolderDialogTypes.h"
#include "FolderTreeModel.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <QStandardPaths>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

int LogicalDpi(const QWidget& widget) {
    const QScreen* screen = widget.screen();
    return screen != nullptr ? qRound(screen->logicalDotsPerInch()) : 96;
}

} // namespace

TFolderBrowser::TFolderBrowser(TBrowseInfo& info)
    : QDialog(info.Owner != nullptr ? info.Owner->window() : nullptr)
    , FInfo(info)
    , FModel(new TFolderTreeModel(info.Root, this))
    , FTitle(new QLabel(info.Title, this))
    , FTree(new QTreeView(this))
    , FStatus(new QLabel(this))
    , FOk(new QPushButton(QStringLiteral("OK"), this))
    , FCancel(new QPushButton(QStringLiteral("Abbrechen"), this)) {
    setWindowTitle(QStringLiteral("Ordner suchen"));
    // Modal to the owner's window only, as the owner is the one waiting for the answer.
    setWindowModality(parentWidget() != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    FOwnWidgets = {FTitle, FTree, FStatus, FOk, FCancel};
    SetAccessibleText(FTitle, {}, QStringLiteral("Wozu ein Ordner gewählt wird"));
    SetAccessibleText(FTree, QStringLiteral("Ordner"),
                      QStringLiteral("Die Ordner des Rechners; OK nimmt den gewählten"));
    SetAccessibleText(FStatus, {}, QStringLiteral("Der gewählte Ordner"));
    SetAccessibleText(FOk, QStringLiteral("OK"), QStringLiteral("Nimmt den gewählten Ordner"));
    SetAccessibleText(FCancel, QStringLiteral("Abbrechen"),
                      QStringLiteral("Schließt, ohne einen Ordner zu wählen"));

    FTitle->setWordWrap(true);
    FTree->setHeaderHidden(true);
    FTree->setUniformRowHeights(true);
    FTree->setModel(FModel);
    FTree->expand(FModel->index(0, 0));
    // Long paths are shortened by the caller; the line must not widen the dialog.
    FStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    FStatus->setVisible((info.Flags & BIF_STATUSTEXT) != 0);
    FOk->setDefault(true);

    // OK and Cancel get the size and the distance from the lower edge of the button a caller
    // puts at the lower left, so that the three stand in one row.
    const int dpi = LogicalDpi(*this);
    const QRect button =
        NewFolderButtonRect(dpi, 0, style()->pixelMetric(QStyle::PM_TitleBarHeight));
    const int margin = dpi * 12 / 96;
    for (QPushButton* b : {FOk, FCancel}) {
        b->setFixedHeight(button.height());
        b->setMinimumWidth(dpi * 75 / 96);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(FOk);
    buttons->addWidget(FCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(margin, margin, margin, -(button.y() + button.height()));
    layout->addWidget(FTitle);
    layout->addWidget(FTree, 1);
    layout->addWidget(FStatus);
    layout->addLayout(buttons);
    resize(QSize(340, 400) * dpi / 96);

    connect(FTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { CurrentChanged(current); });
    connect(FOk, &QPushButton::clicked, this, [this] { Confirm(); });
    connect(FCancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<TFolderItem> TFolderBrowser::Browse(TBrowseInfo& info) {
    // Closing the owner destroys the browser with it, so it is not kept on the stack.
    QPointer<TFolderBrowser> browser = new TFolderBrowser(info);
    browser->exec();
    std::optional<TFolderItem> confirmed;
    if (browser) {
        if (browser->result() == Accepted)
            confirmed = browser->FConfirmed;
        delete browser;
    }
    if (confirmed) {
        info.DisplayName = confirmed->DisplayName;
        info.ImageIndex = confirmed->ImageIndex;
    }
    return confirmed;
}

void TFolderBrowser::SetSelection(const TFolderItem& item) {
    const QModelIndex index = FModel->IndexOf(item);
    if (!index.isValid())
        return;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        FTree->expand(parent);
    FTree->setCurrentIndex(index);
    FTree->scrollTo(index);
}

void TFolderBrowser::EnableOk(bool enabled) {
    FOk->setEnabled(enabled);
}

void TFolderBrowser::SetStatusText(const QString& text) {
    FStatus->setText(text);
}

std::optional<TFolderItem> TFolderBrowser::CurrentItem() const {
    const QModelIndex current = FTree->currentIndex();
    if (!current.isValid())
        return std::nullopt;
    return FModel->ItemAt(current);
}

QString TFolderBrowser::TitleText() const {
    return FTitle->text();
}

QString TFolderBrowser::StatusText() const {
    return FStatus->text();
}

bool TFolderBrowser::IsStatusLineShown() const {
    return !FStatus->isHidden();
}

void TFolderBrowser::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous() || FInitialized)
        return;
    // The dialog is sized and about to be mapped: the moment the caller may place and add
    // controls without the user seeing them jump.
    FInitialized = true;
    if (FInfo.Initialized)
        FInfo.Initialized(*this);
    if (!FTree->currentIndex().isValid())
        FTree->setCurrentIndex(FModel->index(0, 0));
}

void TFolderBrowser::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (!event->oldSize().isValid())
        return;
    const int dy = event->size().height() - event->oldSize().height();
    if (dy == 0)
        return;
    for (QObject* child : children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget != nullptr && !widget->isWindow() && !FOwnWidgets.contains(widget))
            widget->move(widget->x(), widget->y() + dy);
    }
}

void TFolderBrowser::CurrentChanged(const QModelIndex& current) {
    if (!current.isValid()) {
        FOk->setEnabled(false);
        return;
    }
    const TFolderItem item = FModel->ItemAt(current);
    FOk->setEnabled((FInfo.Flags & BIF_RETURNONLYFSDIRS) == 0 || !item.IsVirtual());
    if (FInfo.SelectionChanged)
        FInfo.SelectionChanged(*this, item);
}

void TFolderBrowser::Confirm() {
    FConfirmed = CurrentItem();
    if (FConfirmed)
        accept();
}

std::optional<TFolderItem> SpecialFolderLocation(int csidl) {
    QStandardPaths::StandardLocation location;
    switch (csidl) {
    case CSIDL_DRIVES:
        return TFolderTreeModel::ComputerItem();
    case CSIDL_PERSONAL:
        location = QStandardPaths::DocumentsLocation;
        break;
    case CSIDL_DESKTOPDIRECTORY:
        location = QStandardPaths::DesktopLocation;
        break;
    case CSIDL_PROGRAMS:
        location = QStandardPaths::ApplicationsLocation;
        break;
    case CSIDL_FONTS:
        location = QStandardPaths::FontsLocation;
        break;
    default:
        // The desktop is the whole tree here; the other folders do not exist on this system.
        return std::nullopt;
    }
    return FolderItemForPath(QStandardPaths::writableLocation(location));
}

std::optional<TFolderItem> FolderItemForPath(const QString& path) {
    if (path.isEmpty() || !QDir::isAbsolutePath(path) || !QFileInfo(path).isDir())
        return std::nullopt;
    const QString clean = QDir::cleanPath(path);
    const QString name = QFileInfo(clean).fileName();
    return TFolderItem{clean, name.isEmpty() ? clean : name, TFolderTreeModel::ImageFolder};
}
