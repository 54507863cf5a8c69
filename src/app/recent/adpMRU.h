#pragma once

#include "Exception.h"
#include "RegistryStore.h"

#include <QAction>
#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

class QMenu;

// A failure to read or write the stored list; the message is German and names the value.
class EadpMRUError : public Exception {
public:
    explicit EadpMRUError(const QString& message)
        : Exception(message.toStdString()) {}
};

// The menu item type of the recent list's entries. It adds nothing; its type alone tells the
// entries apart from the other items of a submenu.
class TMRUMenuItem : public QAction {
    Q_OBJECT
public:
    using QAction::QAction;
};

// The list of the paths opened most recently, newest first. It keeps them across runs in the
// per-user store (read when set up, written whenever it changes and when destroyed, so that a
// killed program loses nothing) and mirrors them as the entries of a submenu; choosing an entry
// raises OnClick with its full path. What counts as opened is the
// owner's business: it tells the list through AddFile.
class TadpMRU : public QObject {
    Q_OBJECT
public:
    using TMRUClickEvent = std::function<void(QObject* sender, const QString& fileName)>;

    // store: where the list is kept; nullptr takes the user's own store.
    explicit TadpMRU(QObject* owner, std::shared_ptr<IRegistryStore> store = nullptr);
    // Writes the list; an error of that goes to the error report.
    ~TadpMRU() override;

    // The most entries kept, from 1 to 2147483647: 0 is taken as 1, and anything above
    // 2147483647 becomes 2147483646. Lowering it drops the oldest entries at once.
    void SetMaxItems(quint32 value);
    quint32 MaxItems() const { return FMaxItems; }

    // True: an entry shows its full path; false: only what follows the last "\", "/" or ":".
    void SetShowFullPath(bool value);
    bool ShowFullPath() const { return FShowFullPath; }

    // The key that holds the list, below the per-user root ("\Software\..."). Setting another
    // path reads the list from there at once; may throw EadpMRUError.
    void SetRegistryPath(const QString& path);
    QString RegistryPath() const { return FRegistryPath; }

    // The submenu whose entries the list manages; not owned. Entries leave the old submenu and
    // are built in the new one. Items of the submenu that are not TMRUMenuItems stay first.
    void SetParentMenuItem(QMenu* menu);
    QMenu* ParentMenuItem() const { return FParentMenuItem; }

    void SetOnClick(TMRUClickEvent handler) { FOnClick = std::move(handler); }

    // Errors that cannot be thrown (writing at destruction, a handler of a click failing) go
    // here; without a report they go to qWarning.
    void SetErrorReport(std::function<void(const QString&)> report) {
        FErrorReport = std::move(report);
    }

    // Called once by the owner after it has set all properties: reads the list again; may throw
    // EadpMRUError.
    void FinishLoading();

    // Puts path at the top (in the letter case given now), removing an entry equal to it
    // ignoring case and dropping the oldest beyond MaxItems. An empty path changes nothing.
    void AddFile(const QString& path);
    // Takes the entry equal to path ignoring case out of the list (an archive that is gone).
    void RemoveFile(const QString& path);

    // The remembered paths, newest first.
    QStringList FileList() const { return FFileList; }

    // Raises OnClick with a copy of the full path of the entry item stands for. Nothing
    // happens unless a handler is set and item is an entry whose index is still in the list.
    void MenuItemClick(QObject* item);

private:
    class UpdateBracket;

    void BeginUpdate();
    void EndUpdate();
    void ReadRegistry();
    void WriteRegistry();
    // WriteRegistry with its error reported, but not the same error twice in a row.
    void WriteNow();
    void RebuildMenu();
    void RemoveMenuItems();
    void ParentDestroyed(QObject* item);
    void ReportError(const QString& message) const;
    QString KeyPath() const;
    QString Caption(const QString& path) const;

    std::shared_ptr<IRegistryStore> FStore;
    quint32 FMaxItems = 4;
    bool FShowFullPath = true;
    QString FRegistryPath;
    QMenu* FParentMenuItem = nullptr;
    TMRUClickEvent FOnClick;
    std::function<void(const QString&)> FErrorReport;
    QStringList FFileList;
    QString FLastWriteError;
    int FUpdateCount = 0;
    // The list's change notification: every closing of the outermost update bracket rebuilds
    // the submenu while this is set.
    bool FRebuildOnChange = true;
};
