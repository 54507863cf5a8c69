#pragma once

#include <QString>
#include <QStringList>

class QObject;
class QWidget;
class TPBFolderDialog;
class TWindowState;

// Every modal question and message of the window goes through this interface, so that tests
// answer them from a script and no test ever waits for a human.
class TPrompts {
public:
    enum class TIcon { None, Information, Warning, Error };

    virtual ~TPrompts() = default;

    // The open dialog with its filters (";;" between them, the first one chosen), starting in
    // folder; an empty result means the user cancelled.
    virtual QString AskOpenFileName(QWidget* parent, const QString& filter,
                                    const QString& folder) = 0;
    // The save dialog with a preset file name, starting in folder; it asks itself before
    // overwriting. Empty means cancelled.
    virtual QString AskSaveFileName(QWidget* parent, const QString& presetName,
                                    const QString& folder) = 0;
    // Runs the folder chooser; true when the user confirmed a folder, which the chooser's
    // Folder() then holds.
    virtual bool AskFolder(TPBFolderDialog& chooser) = 0;
    // A modal message box captioned with the application title, with an OK button.
    virtual void ShowMessage(QWidget* parent, const QString& text, TIcon icon) = 0;
    // A message box with the given buttons, the first one the default; returns the index of
    // the button chosen, or -1 when the box was closed without one.
    virtual int AskChoice(QWidget* parent, const QString& text, TIcon icon,
                          const QStringList& buttons) = 0;
    // A message with a list below it that scrolls however long it is, and an OK button.
    virtual void ShowList(QWidget* parent, const QString& text, const QStringList& items,
                          TIcon icon) = 0;
};

// The application's error display: message with a final "." where it has none, and the stop
// icon.
void ShowErrorMessage(TPrompts& prompts, QWidget* parent, const QString& message);

// A folder chooser for folders on a disk, showing the chosen path, owned by owner.
TPBFolderDialog* NewDiskFolderChooser(QObject* owner);
// Runs the folder chooser until the user confirms a folder on a disk (returned) or cancels
// (empty). It opens at the folder last chosen under key of state, or as near to it as still
// exists, and remembers the new one there. A confirmed item without a path (such as "Computer")
// is named in a message that asks the user to choose again: "Bitte <purpose>."
QString AskDiskFolder(TPrompts& prompts, TPBFolderDialog& chooser, TWindowState& state,
                      const QString& key, const QString& purpose, QWidget* window);

// The text a message shows: every name in it longer than kShownNameLength characters (a part in
// „“, or a run without spaces, which no line break could split) shortened in the middle to
// its beginning, "…" and its end.
constexpr int kShownNameLength = 64;
QString ShortenedNames(const QString& text);

// The real dialogs. Their texts show long names shortened (with the whole text in a detail
// that scrolls), and no dialog is wider than the screen it opens on.
class TQtPrompts : public TPrompts {
public:
    QString AskOpenFileName(QWidget* parent, const QString& filter, const QString& folder) override;
    QString AskSaveFileName(QWidget* parent, const QString& presetName,
                            const QString& folder) override;
    bool AskFolder(TPBFolderDialog& chooser) override;
    void ShowMessage(QWidget* parent, const QString& text, TIcon icon) override;
    int AskChoice(QWidget* parent, const QString& text, TIcon icon,
                  const QStringList& buttons) override;
    void ShowList(QWidget* parent, const QString& text, const QStringList& items,
                  TIcon icon) override;
};
