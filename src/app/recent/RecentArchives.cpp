#include "RecentArchives.h"

#include "Exception.h"
#include "Prompts.h"
#include "adpMRU.h"

#include <QMenu>

TRecentArchives::TRecentArchives(std::shared_ptr<IRegistryStore> store, const QString& registryPath,
                                 QMenu* menu, TPrompts& prompts, QWidget* window)
    : QObject(window)
    , FPrompts(prompts)
    , FWindow(window)
    , FMenu(menu)
    , FList(new TadpMRU(window, std::move(store))) {
    FList->SetErrorReport([this](const QString& message) { ShowError(message); });
    // The list is read twice (when its key is set and when set-up is finished); a damaged
    // store would fail both times, and once is enough to say so.
    QString lastError;
    auto read = [&](auto&& step) {
        try {
            step();
        } catch (const std::exception& e) {
            const QString message = QString::fromUtf8(ErrorText(e));
            if (message != lastError)
                ShowError(message);
            lastError = message;
        }
    };
    FList->SetMaxItems(5);
    read([&] { FList->SetRegistryPath(registryPath); });
    FList->SetOnClick([this](QObject*, const QString& fileName) { emit Chosen(fileName); });
    FList->SetParentMenuItem(FMenu);
    read([&] { FList->FinishLoading(); });
    FMenu->menuAction()->setEnabled(!FMenu->actions().isEmpty());
}

TRecentArchives::~TRecentArchives() {
    delete FList;
}

void TRecentArchives::ShowError(const QString& message) {
    ShowErrorMessage(FPrompts, FWindow, message);
}

void TRecentArchives::Add(const QString& fileName) {
    FList->AddFile(fileName);
    FMenu->menuAction()->setEnabled(true);
}

void TRecentArchives::OfferToForget(const QString& fileName, const QString& message) {
    // A recent archive that is gone stays gone: the list need not keep offering it.
    const int choice = FPrompts.AskChoice(
        FWindow, QStringLiteral("%1.\n\nAus der Liste „Erneut öffnen“ entfernen?").arg(message),
        TPrompts::TIcon::Error, {QStringLiteral("Entfernen"), QStringLiteral("Behalten")});
    if (choice == 0) {
        FList->RemoveFile(fileName);
        FMenu->menuAction()->setEnabled(!FList->FileList().isEmpty());
    }
}
