#pragma once

#include <QObject>
#include <QString>
#include <memory>

class IRegistryStore;
class QMenu;
class QWidget;
class TadpMRU;
class TPrompts;

// "Erneut öffnen": the recent archives list (adpMRU1) behind the submenu mnRecent, enabled while
// it has entries. An entry chosen is told as Chosen; an archive that has gone since is offered
// to be taken off the list.
class TRecentArchives : public QObject {
    Q_OBJECT
public:
    TRecentArchives(std::shared_ptr<IRegistryStore> store, const QString& registryPath, QMenu* menu,
                    TPrompts& prompts, QWidget* window);
    // The list writes itself now, while its submenu still exists.
    ~TRecentArchives() override;

    TadpMRU* adpMRU1() const { return FList; }
    void Add(const QString& fileName);
    // The message of a recent archive that is gone, with the offer to take it off the list.
    void OfferToForget(const QString& fileName, const QString& message);

signals:
    void Chosen(const QString& fileName);

private:
    void ShowError(const QString& message);

    TPrompts& FPrompts;
    QWidget* FWindow;
    QMenu* FMenu;
    TadpMRU* FList;
};
