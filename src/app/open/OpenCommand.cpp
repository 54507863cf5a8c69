#include "OpenCommand.h"

#include "AnsiText.h"
#include "ArchiveSession.h"
#include "DesktopOpeners.h"
#include "Exception.h"
#include "Prompts.h"
#include "RunController.h"
#include "uPakReader.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>

TOpenCommand::TOpenCommand(TArchiveSession& session, TRunController& runs, TPrompts& prompts,
                           QWidget* window)
    : QObject(window)
    , FSession(session)
    , FRuns(runs)
    , FPrompts(prompts)
    , FWindow(window)
    , FOpen(new QAction(QStringLiteral("Ö&ffnen"), this))
    , FOpenWith(new QAction(QStringLiteral("Öffnen &mit..."), this)) {
    FOpen->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return),
                         QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Enter)});
    // The list's key: elsewhere Ctrl+Enter belongs to whatever has the focus.
    FOpen->setShortcutContext(Qt::WidgetShortcut);
    FOpeners.Default = &OpenWithDefaultProgram;
    FOpeners.Chooser = [window](const QUrl& url) { return OpenWithChosenProgram(url, window); };
}

TOpenCommand::~TOpenCommand() = default;

QStringList TOpenCommand::Folders() const {
    QStringList folders;
    for (const auto& copy : FCopies)
        folders << copy->path();
    return folders;
}

void TOpenCommand::Open(int32_t entry, bool choose) {
    if (!FSession.RequireOpen() || entry < 0 || FRuns.RefuseWhileRunning())
        return;
    const TPakReader& reader = FSession.Reader();
    // A folder of its own for every copy: the program of an earlier one may still hold it.
    auto folder =
        std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("varnholm-XXXXXX")));
    if (!folder->isValid())
        throw Exception(
            QStringLiteral("Der temporäre Ordner zum Öffnen konnte nicht angelegt werden: %1")
                .arg(folder->errorString())
                .toStdString());
    // A name that would leave the folder ("..") is refused by the run, which says so.
    const QString file = QDir(folder->path()).filePath(AnsiToQString(reader.EntryName(entry)));
    const QString target = folder->path();
    FCopies.push_back(std::move(folder));
    FRuns.ExtractDrag(target,
                      {{entry, static_cast<uint32_t>(reader.EntryDir(entry).size() + 1), true}},
                      [self = QPointer<TOpenCommand>(this), entry, file, choose](bool complete) {
                          if (self)
                              self->Written(entry, file, complete, choose);
                      });
}

void TOpenCommand::Written(int32_t entry, const QString& file, bool complete, bool choose) {
    const QString path = FSession.Open() ? AnsiToQString(FSession.Reader().EntryPath(entry)) : file;
    if (!complete || !QFileInfo::exists(file)) {
        // Cancelled, or refused: the run has told why where there is more to tell.
        emit Finished();
        return;
    }
    QFile::setPermissions(file, QFile::ReadOwner);
    const QUrl url = QUrl::fromLocalFile(file);
    const auto& opener = choose ? FOpeners.Chooser : FOpeners.Default;
    if (!opener || !opener(url))
        ShowErrorMessage(
            FPrompts, FWindow,
            QStringLiteral("Für „%1“ ist kein Programm zum Öffnen eingerichtet").arg(path));
    emit Finished();
}
