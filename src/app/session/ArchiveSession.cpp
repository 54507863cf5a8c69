#include "ArchiveSession.h"

#include "AppText.h"
#include "ArchiveLoad.h"
#include "DirectoryTreeModel.h"
#include "Exception.h"
#include "Prompts.h"
#include "StatusLine.h"
#include "WindowState.h"
#include "uPakReader.h"

#include <QDir>
#include <QFileInfo>
#include <system_error>

namespace {

// The archives first; "Alle Dateien" opens one with another ending.

} // namespace

TArchiveSession::TArchiveSession(TPrompts& prompts, TStatusLine& status, TWindowState& state,
                                 QWidget* window)
    : QObject(window)
    , FPrompts(prompts)
    , FStatus(status)
    , FState(state)
    , FWindow(window)
    , FReader(std::make_unique<TPakReader>())
    , FTree(new TDirectoryTreeModel(this)) {}

TArchiveSession::~TArchiveSession() {
    // The load uses the reader: it ends first.
    FLoad.reset();
}

void TArchiveSession::Shutdown() {
    FLoad.reset();
    Close();
}

bool TArchiveSession::RequireOpen() {
    if (FOpen)
        return true;
    FPrompts.ShowMessage(FWindow, QStringLiteral("Bitte zuerst eine Archivdatei öffnen."),
                         TPrompts::TIcon::None);
    return false;
}

std::optional<uint64_t> TArchiveSession::RealSize(int32_t entry) const {
    const auto known = FRealSizes.find(entry);
    return known != FRealSizes.end() ? std::optional(known->second) : std::nullopt;
}

void TArchiveSession::AskAndOpen() {
    const QString folder = FState.Text(TWindowState::kOpenFolder);
    const QString fileName = FPrompts.AskOpenFileName(FWindow, ArchiveFilter(),
                                                      folder.isEmpty() ? QDir::homePath() : folder);
    if (fileName.isEmpty())
        return;
    FState.SetText(TWindowState::kOpenFolder, QFileInfo(fileName).absolutePath());
    OpenArchive(fileName);
}

void TArchiveSession::OpenArchive(const QString& fileName) {
    if (FLoad) {
        // The running load ends soon; this one starts then.
        FPendingOpen = fileName;
        FLoad->Stop();
        return;
    }
    StartLoad(fileName);
}

void TArchiveSession::StopForClose() {
    FClosing = true;
    if (FLoad)
        FLoad->Stop();
}

void TArchiveSession::StartLoad(const QString& fileName) {
    Close();
    FStatus.Set(QStringLiteral("Archiv wird geladen..."));
    FLoad = std::make_unique<TArchiveLoad>(*FReader, fileName);
    connect(FLoad.get(), &TArchiveLoad::Progress, this, [this](int done, int total) {
        FStatus.Set(QStringLiteral("Archiv wird geladen... (%1/%2)").arg(done).arg(total));
    });
    connect(FLoad.get(), &TArchiveLoad::Loaded, this, [this] {
        // Done before it heard that it should stop: as good as stopped.
        if (FPendingOpen || FClosing)
            FReader->Close();
        else
            Install();
        Ended();
    });
    connect(FLoad.get(), &TArchiveLoad::Failed, this, &TArchiveSession::Failed);
    connect(FLoad.get(), &TArchiveLoad::Stopped, this, [this] {
        FReader->Close(); // back to "no archive": nothing of the load stays in the reader
        FStatus.Set(QString());
        Ended();
    });
    try {
        FLoad->Start();
    } catch (const std::system_error&) {
        // No thread to load on: no archive, and the error box says why.
        FLoad.reset();
        FStatus.Set(QString());
        throw;
    }
}

void TArchiveSession::Failed(const QString& message) {
    const QString fileName = FLoad->FileName();
    const bool recentGone = fileName == FRecentClicked && !QFileInfo::exists(fileName);
    FReader->Close();
    FStatus.Set(QString());
    Ended();
    if (recentGone)
        emit RecentGone(fileName, message);
    else
        ShowErrorMessage(FPrompts, FWindow, message);
}

void TArchiveSession::Ended() {
    // The load's own signal is being delivered: it goes once that is done.
    if (FLoad->FileName() == FRecentClicked)
        FRecentClicked.clear();
    FLoad.release()->deleteLater();
    if (FPendingOpen && !FClosing) {
        const QString next = *FPendingOpen;
        FPendingOpen.reset();
        try {
            StartLoad(next);
        } catch (const std::exception& e) {
            ShowErrorMessage(FPrompts, FWindow, QString::fromUtf8(ErrorText(e)));
        } catch (...) {
            ShowErrorMessage(FPrompts, FWindow, QStringLiteral("Unbekannter Fehler"));
        }
        return;
    }
    FPendingOpen.reset();
    emit LoadEnded();
}

void TArchiveSession::Install() {
    FTree->Install(FLoad->TakeTree());
    FTreeOrder = FLoad->TakeTreeOrder();
    FTreeRank = FLoad->TakeTreeRank();
    emit Installed(FLoad->FileName());
    FOpen = true;
}

void TArchiveSession::Close() {
    FStatus.Set(QStringLiteral("Archiv wird geschlossen..."));
    emit Closing();
    FTreeOrder.reset();
    FTreeRank.clear();
    FRealSizes.clear();
    FOpen = false;
    FReader->Close();
    emit Closed();
    FTree->Clear();
}
