#include "adpMRU.h"

#include "TextOrder.h"

#include <QMenu>
#include <algorithm>
#include <exception>
#include <limits>
#include <vector>

namespace {

constexpr quint32 LargestMaxItems = 2147483647u;

QString ValueName(quint64 number) {
    return QStringLiteral("MRU%1").arg(number);
}

// The numbers n up to maxItems for which the key may hold a value "MRU" + n, in ascending order.
// Probing every number up to a large MaxItems would keep the program busy for a very long time;
// the names the key holds give the same numbers at once. The prefix is matched ignoring case
// because the registry's value names are; whether such a value exists is still asked of the key by
// its proper name, so a store with case-sensitive names finds exactly what probing would.
std::vector<quint32> StoredNumbers(const IRegistryKey& key, quint32 maxItems) {
    std::vector<quint32> numbers;
    for (const QString& name : key.ValueNames()) {
        if (!name.startsWith(QLatin1String("MRU"), Qt::CaseInsensitive))
            continue;
        const QStringView digits = QStringView(name).mid(3);
        // Only the decimal form without leading zeros is a name the list writes.
        if (digits.isEmpty() || digits.front() == QLatin1Char('0') ||
            !std::all_of(digits.begin(), digits.end(),
                         [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }))
            continue;
        bool ok = false;
        const qulonglong number = digits.toULongLong(&ok);
        if (ok && number <= maxItems)
            numbers.push_back(static_cast<quint32>(number));
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

// One value as text: a value without data is the empty text whatever its type; otherwise only
// text values are accepted, and their text ends at the first zero character.
QString ReadText(const IRegistryKey& key, const QString& name) {
    const std::optional<RegistryValueInfo> info = key.QueryValue(name);
    if (!info)
        throw EadpMRUError(QStringLiteral("Fehler beim Holen der Daten für '%1'").arg(name));
    if (!info->hasData)
        return QString();
    if (info->type == RegistryValueType::Other)
        throw EadpMRUError(QStringLiteral("Ungültiger Datentyp für '%1'").arg(name));
    const std::optional<QString> text = key.ReadString(name);
    if (!text)
        throw EadpMRUError(QStringLiteral("Fehler beim Holen der Daten für '%1'").arg(name));
    const qsizetype end = text->indexOf(QChar(0));
    return end < 0 ? *text : text->left(end);
}

} // namespace

// Opens an update bracket of the list for its scope; the bracket closes also when the scope is
// left by an error, so that the submenu shows what the list holds at that moment.
class TadpMRU::UpdateBracket {
public:
    explicit UpdateBracket(TadpMRU& list)
        : FList(list) {
        FList.BeginUpdate();
    }
    ~UpdateBracket() { FList.EndUpdate(); }
    UpdateBracket(const UpdateBracket&) = delete;
    UpdateBracket& operator=(const UpdateBracket&) = delete;

private:
    TadpMRU& FList;
};

TadpMRU::TadpMRU(QObject* owner, std::shared_ptr<IRegistryStore> store)
    : QObject(owner)
    , FStore(store ? std::move(store) : std::make_shared<SettingsRegistryStore>()) {}

TadpMRU::~TadpMRU() {
    WriteNow();
    FRebuildOnChange = false;
    if (FParentMenuItem)
        disconnect(FParentMenuItem, nullptr, this, nullptr);
    FFileList.clear();
    // The items this list built are its children; releasing them here takes those still
    // attached out of their submenu while the list is whole. Detached ones go the same way.
    const QList<TMRUMenuItem*> items = findChildren<TMRUMenuItem*>(Qt::FindDirectChildrenOnly);
    qDeleteAll(items);
}

void TadpMRU::SetMaxItems(quint32 value) {
    if (value == FMaxItems)
        return;
    if (value > LargestMaxItems) {
        // The list can never exceed this, so nothing is removed and nothing is rebuilt.
        FMaxItems = LargestMaxItems - 1;
        return;
    }
    // 0 keeps one entry, and the list obeys that at once, as it would for 1.
    FMaxItems = std::max<quint32>(value, 1);
    UpdateBracket bracket(*this);
    if (FFileList.size() <= qsizetype(FMaxItems))
        return;
    while (FFileList.size() > qsizetype(FMaxItems))
        FFileList.removeLast();
    WriteNow();
}

void TadpMRU::SetShowFullPath(bool value) {
    if (value == FShowFullPath)
        return;
    FShowFullPath = value;
    RebuildMenu();
}

void TadpMRU::SetRegistryPath(const QString& path) {
    if (path == FRegistryPath)
        return;
    FRegistryPath = path;
    ReadRegistry();
}

void TadpMRU::SetParentMenuItem(QMenu* menu) {
    if (menu == FParentMenuItem)
        return;
    RemoveMenuItems();
    if (FParentMenuItem)
        disconnect(FParentMenuItem, &QObject::destroyed, this, nullptr);
    FParentMenuItem = menu;
    if (FParentMenuItem)
        connect(FParentMenuItem, &QObject::destroyed, this, &TadpMRU::ParentDestroyed);
    RebuildMenu();
}

void TadpMRU::FinishLoading() {
    if (!FRegistryPath.isEmpty())
        ReadRegistry();
}

void TadpMRU::AddFile(const QString& path) {
    if (path.isEmpty())
        return;
    UpdateBracket bracket(*this);
    const auto same = std::find_if(FFileList.begin(), FFileList.end(), [&](const QString& entry) {
        return SameTextIgnoringCase(entry, path);
    });
    if (same != FFileList.end())
        FFileList.erase(same);
    FFileList.prepend(path);
    if (FFileList.size() > qsizetype(FMaxItems))
        FFileList.erase(FFileList.begin() + FMaxItems, FFileList.end());
    WriteNow();
}

void TadpMRU::RemoveFile(const QString& path) {
    UpdateBracket bracket(*this);
    const qsizetype before = FFileList.size();
    FFileList.removeIf([&](const QString& entry) { return SameTextIgnoringCase(entry, path); });
    if (FFileList.size() != before)
        WriteNow();
}

void TadpMRU::WriteNow() {
    try {
        WriteRegistry();
        FLastWriteError.clear();
    } catch (const std::exception& error) {
        // A store that cannot be written fails the same way at every change: once is enough.
        const QString message = QString::fromStdString(error.what());
        if (message != FLastWriteError)
            ReportError(message);
        FLastWriteError = message;
    }
}

void TadpMRU::MenuItemClick(QObject* item) {
    const auto* entry = qobject_cast<TMRUMenuItem*>(item);
    if (!FOnClick || !entry)
        return;
    bool ok = false;
    const int tag = entry->data().toInt(&ok);
    // An item triggered after its entry left the list has nothing to stand for.
    if (!ok || tag < 0 || tag >= FFileList.size())
        return;
    // The handler usually adds the path again, which changes the list and may even replace
    // the handler while it runs; both are copies therefore.
    const QString fileName = FFileList.at(tag);
    const TMRUClickEvent handler = FOnClick;
    handler(this, fileName);
}

void TadpMRU::BeginUpdate() {
    ++FUpdateCount;
}

void TadpMRU::EndUpdate() {
    if (--FUpdateCount == 0 && FRebuildOnChange)
        RebuildMenu();
}

QString TadpMRU::KeyPath() const {
    return FRegistryPath.startsWith(QLatin1Char('\\')) ? FRegistryPath.mid(1) : FRegistryPath;
}

// Reads MRU1 up to MRU<MaxItems>, skipping missing numbers. A missing key leaves the list as it
// is. Entries are taken as stored: duplicates and empty ones included.
void TadpMRU::ReadRegistry() {
    // An empty path would name the per-user root itself, which holds no list of ours.
    const QString keyPath = KeyPath();
    if (keyPath.isEmpty())
        return;
    const std::unique_ptr<IRegistryKey> key = FStore->OpenKey(keyPath);
    if (!key)
        return;
    UpdateBracket bracket(*this);
    FFileList.clear();
    for (const quint32 number : StoredNumbers(*key, FMaxItems)) {
        const QString name = ValueName(number);
        if (key->ValueExists(name))
            FFileList.append(ReadText(*key, name));
    }
}

// Deletes every stored MRU<n>, gaps or not (a value left behind a gap would come back as a
// duplicate), then writes every entry the list holds as MRU1, MRU2, ..., and commits it all at
// once. A key that can be neither opened nor created stores nothing.
void TadpMRU::WriteRegistry() {
    const QString keyPath = KeyPath();
    if (keyPath.isEmpty())
        return;
    const std::unique_ptr<IRegistryKey> key = FStore->CreateKey(keyPath);
    if (!key)
        return;
    // A failed delete is no error.
    for (const quint32 number : StoredNumbers(*key, std::numeric_limits<quint32>::max()))
        key->DeleteValue(ValueName(number));
    const auto failed = [](const QString& name) {
        return EadpMRUError(QStringLiteral("Fehler beim Setzen der Daten für '%1'").arg(name));
    };
    for (qsizetype i = 0; i < FFileList.size(); ++i) {
        const QString name = ValueName(quint64(i) + 1);
        if (!key->WriteString(name, FFileList.at(i)))
            throw failed(name);
    }
    // The whole list at once: a crash in the middle leaves the old list or the new one.
    if (!key->Commit())
        throw failed(ValueName(1));
}

QString TadpMRU::Caption(const QString& path) const {
    QString text = path;
    if (!FShowFullPath) {
        // "/" on every platform, as Qt hands paths out; "\\" and ":" only where they separate
        // folders and drives (Windows): elsewhere they are part of the name.
        qsizetype separator = path.lastIndexOf(QLatin1Char('/'));
#ifdef Q_OS_WIN
        separator = std::max(
            {separator, path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char(':'))});
#endif
        text = path.mid(separator + 1);
    }
    // A menu takes "&" as the mark of its accelerator; doubled, it shows as it is.
    text.replace(QLatin1Char('&'), QLatin1String("&&"));
    return text;
}

void TadpMRU::RebuildMenu() {
    if (!FParentMenuItem)
        return;
    RemoveMenuItems();
    const qsizetype count = FFileList.size();
    for (qsizetype i = 0; i < count; ++i) {
        auto* item = new TMRUMenuItem(Caption(FFileList.at(i)), this);
        item->setData(int(i)); // the entry's index: the item's tag
        connect(item, &QAction::triggered, this, [this, item] {
            // No exception may cross the event loop that delivers the click.
            try {
                MenuItemClick(item);
            } catch (const std::exception& error) {
                ReportError(QString::fromStdString(error.what()));
            }
        });
        FParentMenuItem->addAction(item);
    }
}

// Detaches every TMRUMenuItem of the submenu, whoever made it, and destroys none: the item of
// a click being dispatched may be among them. Items stay with their owner until it goes.
void TadpMRU::RemoveMenuItems() {
    if (!FParentMenuItem)
        return;
    const QList<QAction*> children = FParentMenuItem->actions();
    for (qsizetype i = children.size() - 1; i >= 0; --i) {
        if (qobject_cast<TMRUMenuItem*>(children.at(i)))
            FParentMenuItem->removeAction(children.at(i));
    }
}

void TadpMRU::ParentDestroyed(QObject* item) {
    if (item == FParentMenuItem)
        FParentMenuItem = nullptr;
}

void TadpMRU::ReportError(const QString& message) const {
    if (FErrorReport) {
        try {
            FErrorReport(message);
            return;
        } catch (...) {
            // A report that fails itself must not take the destructor down; the warning stays.
        }
    }
    qWarning("%s", qUtf8Printable(message));
}
