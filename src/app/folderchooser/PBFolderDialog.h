#pragma once

#include "FolderDialogTypes.h"
#include "FolderItem.h"

#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

class TFolderBrowser;

// Lets the user pick a folder in the modal folder browser, which it extends with a button at the
// lower left that creates a folder below the selected one (the browser then opens again with
// the new folder selected), a label and button caption in the system's language, and a status
// line with the selected folder's shortened path.
//
// One Execute runs at a time per component: the state of the open dialog exists once.
class TPBFolderDialog : public QObject {
    Q_OBJECT
public:
    using TBrowserInitializedEvent =
        std::function<void(TPBFolderDialog* sender, QWidget* dialogHandle)>;
    using TSelectionChangedEvent =
        std::function<void(TPBFolderDialog* sender, QWidget* dialogHandle,
                           const TFolderItem& itemIDList, const QString& folder)>;

    // The control identifier of the new-folder button.
    static constexpr int NewFolderButtonId = 255;

    // The captions follow the system's default language. When the owner is a widget, the
    // dialog is modal to its window.
    explicit TPBFolderDialog(QObject* owner = nullptr);
    // The same with a given language identifier in place of the system's (0x0407 German).
    TPBFolderDialog(QObject* owner, uint16_t languageId);
    ~TPBFolderDialog() override;

    // Called by the owner once the settings are applied: the captions are picked again.
    void FinishLoading();

    // Runs the dialog until the user confirms a folder with OK (true; Folder is then the
    // folder's path, empty for a virtual item) or cancels or closes it (false; Folder is then
    // the folder preselected last).
    bool Execute();

    // Before Execute the folder to preselect; after it the chosen folder.
    QString Folder() const { return FFolder; }
    void SetFolder(const QString& folder) { FFolder = folder; }
    // The folder text of the current selection while the dialog is open.
    QString SelectedFolder() const { return FSelectedFolder; }
    bool HasSelectedFolder() const { return FHasSelectedFolder; }

    TBrowseInfoFlagSet Flags() const { return FFlags; }
    void SetFlags(TBrowseInfoFlagSet flags) { FFlags = flags; }
    TSHFolders RootFolder() const { return FRootFolder; }
    void SetRootFolder(TSHFolders rootFolder) { FRootFolder = rootFolder; }

    bool NewFolderVisible() const { return FNewFolderVisible; }
    void SetNewFolderVisible(bool visible);
    bool NewFolderEnabled() const { return FNewFolderEnabled; }
    void SetNewFolderEnabled(bool enabled);

    QString NewFolderCaption() const { return FNewFolderCaption; }
    QString LabelCaption() const { return FLabelCaption; }
    // Captions by language key, "key=value" per entry. Assigning a list with other lines
    // copies them and picks the caption again; an equal list changes nothing.
    const QStringList& NewFolderCaptions() const { return FNewFolderCaptions; }
    void SetNewFolderCaptions(const QStringList& captions);
    const QStringList& LabelCaptions() const { return FLabelCaptions; }
    void SetLabelCaptions(const QStringList& captions);
    // The key the captions are picked by: the language identifier in four hexadecimal digits.
    QString LanguageKey() const { return FLanguageKey; }
    QString PickCaption(const QStringList& list) const;

    QString Version() const { return QStringLiteral("3.00.00.00"); }
    // The version belongs to the code; a stored value is not taken over.
    void SetVersion(const QString&) {}

    // When set, the window that owns the dialog in place of the owner's.
    QWidget* OwnerWindow() const { return FOwnerWindow; }
    void SetOwnerWindow(QWidget* window) { FOwnerWindow = window; }

    // The confirmed item's display name and picture (see TFolderTreeModel::TImage).
    QString DisplayName() const { return FDisplayName; }
    int ImageIndex() const { return FImageIndex; }
    // The open dialog and its new-folder button; null once the dialog is gone.
    QWidget* DialogHandle() const { return FDialogHandle; }
    QPushButton* NewFolderButton() const { return FNewFolderButton; }

    bool ReopenPending() const { return FReopenPending; }
    bool TrackSelection() const { return FTrackSelection; }
    // The item the user selected last during the running Execute.
    const std::optional<TFolderItem>& LastSelectedItem() const { return FLastSelectedItem; }

    // Called when a dialog has been set up, before the user sees it (once per reopening).
    TBrowserInitializedEvent OnInitialized;
    // Called after each change of the selection with its folder text (SelectedFolder).
    TSelectionChangedEvent OnSelectionChanged;

signals:
    // A caption list took other entries.
    void newFolderCaptionsChanged();
    void labelCaptionsChanged();

private:
    void NewFolderCaptionsChange();
    void LabelCaptionsChange();
    void SetNewFolderCaption(const QString& caption);
    QWidget* BrowserOwner() const;
    void BrowserInitialized(TFolderBrowser& dialog);
    void CreateNewFolderButton(TFolderBrowser& dialog);
    void SelectionChanged(TFolderBrowser& dialog, const TFolderItem& item);
    void UpdateNewFolderButton();
    void NewFolderCommand();
    QString AskNewFolderName(QWidget* parent) const;
    bool MakeFolder(const QString& target) const;

    QPointer<QWidget> FDialogHandle;
    QPointer<QPushButton> FNewFolderButton;
    QString FLabelCaption;
    QPointer<QWidget> FOwnerWindow;
    QString FDisplayName;
    int FImageIndex = 0;
    QString FFolder;
    QString FSelectedFolder;
    TBrowseInfoFlagSet FFlags{TBrowseInfoFlags::ShowPath};
    TSHFolders FRootFolder = TSHFolders::foDesktopExpanded;
    bool FNewFolderVisible = true;
    bool FNewFolderEnabled = true;
    QString FNewFolderCaption;
    bool FReopenPending = false;
    bool FHasSelectedFolder = true;
    QString FLanguageKey;
    QStringList FNewFolderCaptions;
    QStringList FLabelCaptions;
    std::optional<TFolderItem> FLastSelectedItem;
    bool FTrackSelection = false;
};
