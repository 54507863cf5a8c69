#include "PBFolderDialog.h"

#include "AccessibleText.h"
#include "FolderBrowser.h"
#include "FolderButtonGeometry.h"
#include "FolderCaptions.h"
#include "FolderPaths.h"
#include "SystemLanguage.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QScopeGuard>
#include <QScreen>
#include <QStyle>

namespace {

// The status line shows at most this many characters of the selected path.
constexpr int StatusPathLength = 50;
// The longest name the new-folder prompt takes.
constexpr int MaxFolderNameLength = 255;

// The system's text for ERROR_CANNOT_MAKE (82), the one message shown whatever stopped the
// folder from being created.
QString CannotMakeText() {
    return QStringLiteral("Das Verzeichnis oder die Datei kann nicht erstellt werden.");
}

// Centres a window on the primary screen; its size stays.
void CenterOnScreen(QWidget& window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->geometry();
    const QSize size = window.frameGeometry().size();
    window.move(area.x() + area.width() / 2 - size.width() / 2,
                area.y() + area.height() / 2 - size.height() / 2);
}

bool IsExistingFolder(const QString& path) {
    return !path.isEmpty() && QDir::isAbsolutePath(path) && QFileInfo(path).isDir();
}

} // namespace

TPBFolderDialog::TPBFolderDialog(QObject* owner)
    : TPBFolderDialog(owner, GetSystemDefaultLangID()) {}

TPBFolderDialog::TPBFolderDialog(QObject* owner, uint16_t languageId)
    : QObject(owner)
    , FLanguageKey(LanguageKeyOf(languageId)) {
    FNewFolderCaptions = DefaultNewFolderCaptions();
    NewFolderCaptionsChange();
    FLabelCaptions = DefaultLabelCaptions();
    LabelCaptionsChange();
}

TPBFolderDialog::~TPBFolderDialog() = default;

void TPBFolderDialog::FinishLoading() {
    SetNewFolderCaption(PickCaption(FNewFolderCaptions));
    FLabelCaption = PickCaption(FLabelCaptions);
}

QString TPBFolderDialog::PickCaption(const QStringList& list) const {
    return ::PickCaption(list, FLanguageKey);
}

void TPBFolderDialog::SetNewFolderCaptions(const QStringList& captions) {
    if (ListText(captions) == ListText(FNewFolderCaptions))
        return;
    FNewFolderCaptions = captions;
    NewFolderCaptionsChange();
}

void TPBFolderDialog::SetLabelCaptions(const QStringList& captions) {
    if (ListText(captions) == ListText(FLabelCaptions))
        return;
    FLabelCaptions = captions;
    LabelCaptionsChange();
}

void TPBFolderDialog::NewFolderCaptionsChange() {
    SetNewFolderCaption(PickCaption(FNewFolderCaptions));
    emit newFolderCaptionsChanged();
}

void TPBFolderDialog::LabelCaptionsChange() {
    FLabelCaption = PickCaption(FLabelCaptions);
    emit labelCaptionsChanged();
}

void TPBFolderDialog::SetNewFolderCaption(const QString& caption) {
    FNewFolderCaption = caption;
    // The button keeps the width it got for the caption it was made with.
    if (FNewFolderButton)
        FNewFolderButton->setText(caption);
}

void TPBFolderDialog::SetNewFolderVisible(bool visible) {
    if (visible == FNewFolderVisible)
        return;
    FNewFolderVisible = visible;
    if (FNewFolderButton)
        FNewFolderButton->setVisible(visible);
}

void TPBFolderDialog::SetNewFolderEnabled(bool enabled) {
    FNewFolderEnabled = enabled;
    UpdateNewFolderButton();
}

void TPBFolderDialog::UpdateNewFolderButton() {
    if (FNewFolderButton)
        FNewFolderButton->setEnabled(FHasSelectedFolder && FNewFolderEnabled);
}

QWidget* TPBFolderDialog::BrowserOwner() const {
    if (FOwnerWindow)
        return FOwnerWindow;
    if (auto* widget = qobject_cast<QWidget*>(parent()))
        return widget->window();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(window) != nullptr)
            return window;
    return nullptr;
}

bool TPBFolderDialog::Execute() {
    TBrowseInfo info;
    info.Owner = BrowserOwner();
    const int rootId = SpecialFolderId(FRootFolder);
    if (rootId >= 0)
        info.Root = SpecialFolderLocation(rootId);
    info.Title = FLabelCaption;
    info.Flags = BrowseFlagBits(FFlags);
    info.Initialized = [this](TFolderBrowser& dialog) { BrowserInitialized(dialog); };
    info.SelectionChanged = [this](TFolderBrowser& dialog, const TFolderItem& item) {
        SelectionChanged(dialog, item);
    };

    FSelectedFolder = FFolder;
    FLastSelectedItem.reset();
    const auto releaseLastSelected = qScopeGuard([this] { FLastSelectedItem.reset(); });

    std::optional<TFolderItem> confirmed;
    do {
        FTrackSelection = false;
        FReopenPending = false;
        FFolder = FSelectedFolder;
        confirmed = TFolderBrowser::Browse(info);
    } while (FReopenPending);

    if (!confirmed)
        return false;
    FFolder = confirmed->Path;
    FSelectedFolder = FFolder;
    FDisplayName = info.DisplayName;
    FImageIndex = info.ImageIndex;
    return true;
}

void TPBFolderDialog::BrowserInitialized(TFolderBrowser& dialog) {
    FDialogHandle = &dialog;
    CenterOnScreen(dialog);
    CreateNewFolderButton(dialog);
    if (FNewFolderButton) {
        UpdateNewFolderButton();
        FNewFolderButton->setVisible(FNewFolderVisible);
    }

    if (IsExistingFolder(FFolder)) {
        if (const auto item = FolderItemForPath(FFolder))
            dialog.SetSelection(*item);
    } else if (FLastSelectedItem) {
        // A copy: selecting it reports the change, which may replace the original.
        const TFolderItem last = *FLastSelectedItem;
        dialog.SetSelection(last);
    }
    // From here on the selection is the user's.
    FTrackSelection = true;

    if (OnInitialized)
        OnInitialized(this, &dialog);
}

void TPBFolderDialog::CreateNewFolderButton(TFolderBrowser& dialog) {
    const QScreen* screen = dialog.screen();
    const int dpi = screen != nullptr ? qRound(screen->logicalDotsPerInch()) : 96;
    const int captionBar = dialog.style()->pixelMetric(QStyle::PM_TitleBarHeight);
    QRect geometry = NewFolderButtonRect(dpi, dialog.height(), captionBar);

    auto* button = new QPushButton(FNewFolderCaption, &dialog);
    button->setObjectName(QStringLiteral("NewFolderButton"));
    button->setProperty("controlId", NewFolderButtonId);
    SetAccessibleText(button, QString(FNewFolderCaption).remove(QLatin1Char('&')),
                      QStringLiteral("Legt im gewählten Ordner einen neuen Ordner an"));
    const QFont font = QApplication::font();
    button->setFont(font);
    const int textWidth = QFontMetrics(font).horizontalAdvance(FNewFolderCaption);
    geometry.setWidth(NewFolderButtonWidth(dpi, textWidth));
    button->setGeometry(geometry);
    button->setEnabled(FNewFolderEnabled);
    button->show();
    connect(button, &QPushButton::clicked, this, [this] { NewFolderCommand(); });
    FNewFolderButton = button;
}

void TPBFolderDialog::SelectionChanged(TFolderBrowser& dialog, const TFolderItem& item) {
    const QString path = item.Path;
    if (FTrackSelection)
        FLastSelectedItem = item;
    FSelectedFolder = path;

    if (FFlags.Contains(TBrowseInfoFlags::ShowPath)) {
        QString status = ShortenPath(path, StatusPathLength);
        // Only virtual items have no path; the browser gives them no parsing name of their
        // own, so their display name stands for them, in the status line and as the selection.
        if (status.isEmpty()) {
            status = item.DisplayName;
            FSelectedFolder = item.DisplayName;
        }
        dialog.SetStatusText(status);
    }

    FHasSelectedFolder = !FSelectedFolder.isEmpty();
    dialog.EnableOk(FFlags.Contains(TBrowseInfoFlags::OnlyFileSystem) ? FHasSelectedFolder : true);
    UpdateNewFolderButton();

    if (OnSelectionChanged)
        OnSelectionChanged(this, &dialog, item, FSelectedFolder);
}

void TPBFolderDialog::NewFolderCommand() {
    QPointer<QWidget> dialog = FDialogHandle;
    const QString name = AskNewFolderName(dialog);
    if (name.isEmpty())
        return;

    FReopenPending = true;
    const QString target = NewFolderTarget(FSelectedFolder, name);
    if (MakeFolder(target)) {
        FSelectedFolder = target;
    } else {
        FTrackSelection = false;
        QMessageBox box(QMessageBox::Warning, FNewFolderCaption, CannotMakeText(), QMessageBox::Ok,
                        dialog);
        box.exec();
    }

    // Closing as Cancel hands control back to Execute, which sees the pending reopening and
    // opens the dialog again at SelectedFolder.
    if (auto* browser = qobject_cast<QDialog*>(dialog.data()))
        browser->reject();
}

bool TPBFolderDialog::MakeFolder(const QString& target) const {
    // Only below a folder on disk: the selection of a virtual item is its display name, and a
    // folder made from it would land relative to whatever the working directory is.
    if (!QDir::isAbsolutePath(FSelectedFolder))
        return false;
    try {
        QDir().mkpath(target);
        return QFileInfo(target).isDir();
    } catch (...) {
        return false;
    }
}

QString TPBFolderDialog::AskNewFolderName(QWidget* parent) const {
    // Owned through the guard, not the parent: the parent may go while the prompt is open.
    QPointer<QInputDialog> box = new QInputDialog(parent);
    const auto release = qScopeGuard([&box] { delete box.data(); });
    box->setWindowTitle(FNewFolderCaption);
    box->setLabelText(NameLabelCaption(FLanguageKey));
    box->setInputMode(QInputDialog::TextInput);
    box->setTextValue(QString());
    box->setOkButtonText(QStringLiteral("OK"));
    box->setCancelButtonText(QStringLiteral("Abbrechen"));
    if (auto* edit = box->findChild<QLineEdit*>())
        edit->setMaxLength(MaxFolderNameLength);
    box->adjustSize();
    CenterOnScreen(*box);
    if (box->exec() != QDialog::Accepted || !box)
        return {};
    return box->textValue();
}
