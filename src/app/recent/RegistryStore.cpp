#include "RegistryStore.h"

#include "SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QVariant>

namespace {

// QSettings separates groups with "/", the registry with "\".
QString GroupOf(const QString& keyPath) {
    QString group = keyPath;
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return group;
}

// How a QSettings value maps onto the registry's value types. An INI file keeps plain text as
// it is; everything else comes back as another type: "@ByteArray(...)" as binary data,
// "@Variant(...)" as a number or other serialised type, "@Rect(...)" and the like as geometry,
// and an unquoted comma as a list of texts (text this store writes is quoted where it holds a
// comma, so it reads back as text). "@Invalid()" holds nothing. On Windows, QSettings reads
// REG_SZ and REG_EXPAND_SZ as text, REG_MULTI_SZ as a list and the numbers as numbers.
RegistryValueInfo Describe(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return {RegistryValueType::Other, false};
    case QMetaType::QString:
        return {RegistryValueType::String, !value.toString().isEmpty()};
    case QMetaType::QByteArray:
        return {RegistryValueType::Other, !value.toByteArray().isEmpty()};
    case QMetaType::QStringList:
        return {RegistryValueType::Other, !value.toStringList().isEmpty()};
    default:
        return {RegistryValueType::Other, true};
    }
}

class SettingsRegistryKey : public IRegistryKey {
public:
    explicit SettingsRegistryKey(std::unique_ptr<QSettings> settings)
        : FSettings(std::move(settings)) {}

    ~SettingsRegistryKey() override { FSettings->sync(); }

    QStringList ValueNames() const override { return FSettings->childKeys(); }

    bool ValueExists(const QString& name) const override {
        return FSettings->contains(name) && !Overlong(FSettings->value(name));
    }

    std::optional<RegistryValueInfo> QueryValue(const QString& name) const override {
        return Describe(Value(name));
    }

    std::optional<QString> ReadString(const QString& name) const override {
        const QVariant value = Value(name);
        if (value.typeId() == QMetaType::QString)
            return value.toString();
        if (!value.isValid())
            return QString();
        return std::nullopt;
    }

    // Values wait for Commit: the file is replaced once, with every change in it.
    bool WriteString(const QString& name, const QString& text) override {
        FSettings->setValue(name, text);
        return true;
    }

    bool DeleteValue(const QString& name) override {
        FSettings->remove(name);
        return true;
    }

    bool Commit() override {
        FSettings->sync();
        // The status keeps the first error met; a damaged file met while reading is no
        // failure to write.
        return FSettings->status() != QSettings::AccessError;
    }

private:
    // A value longer than any path reads as absent: nothing this program writes is that long.
    static bool Overlong(const QVariant& value) {
        return (value.typeId() == QMetaType::QString &&
                value.toString().size() > kMaxSettingsValueLength) ||
               (value.typeId() == QMetaType::QByteArray &&
                value.toByteArray().size() > kMaxSettingsValueLength);
    }
    QVariant Value(const QString& name) const {
        const QVariant value = FSettings->value(name);
        return Overlong(value) ? QVariant() : value;
    }

    std::unique_ptr<QSettings> FSettings;
};

bool HasContent(QSettings& settings) {
    return !settings.childKeys().isEmpty() || !settings.childGroups().isEmpty();
}

} // namespace

SettingsRegistryStore::SettingsRegistryStore() {
#ifndef Q_OS_WIN
    // QStandardPaths reads XDG_CONFIG_HOME on every call, unlike QSettings' own user-scope
    // folders, which are fixed the first time any QSettings needs them.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (!folder.isEmpty())
        FFileName = QDir(folder).filePath(IniFileName());
#endif
}

namespace {

std::unique_ptr<QSettings> OpenSettings(const QString& fileName, const QString& keyPath) {
#ifdef Q_OS_WIN
    Q_UNUSED(fileName);
    auto settings =
        std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER"), QSettings::NativeFormat);
#else
    auto settings = std::make_unique<QSettings>(fileName, QSettings::IniFormat);
    // QSettings writes an INI file through QSaveFile: the whole new content goes to a temporary
    // file next to it, which then replaces the old file by a rename, so that a crash during the
    // write leaves either the old file or the new one, never a damaged one. Requiring atomic
    // writing (the default) forbids QSaveFile's fallback of writing the file in place where
    // the folder does not allow the rename; such a write fails instead.
    settings->setAtomicSyncRequired(true);
#endif
    settings->beginGroup(GroupOf(keyPath));
    return settings;
}

} // namespace

std::unique_ptr<IRegistryKey> SettingsRegistryStore::OpenKey(const QString& keyPath) {
#ifndef Q_OS_WIN
    // QSettings reads the whole file, however large, and waits for a FIFO to be written.
    if (FFileName.isEmpty())
        return nullptr;
    const TSettingsFileState file = InspectSettingsFile(QFile::encodeName(FFileName).toStdString());
    if (file.Kind != TSettingsFileState::Regular || file.Size > kMaxSettingsFileSize)
        return nullptr;
#endif
    auto settings = OpenSettings(FFileName, keyPath);
    // A group exists in QSettings only while something is stored below it.
    if (settings->status() == QSettings::AccessError || !HasContent(*settings))
        return nullptr;
    return std::make_unique<SettingsRegistryKey>(std::move(settings));
}

std::unique_ptr<IRegistryKey> SettingsRegistryStore::CreateKey(const QString& keyPath) {
#ifndef Q_OS_WIN
    if (FFileName.isEmpty())
        return nullptr;
    // Writing reads the file first. Something other than a file is left alone and nothing is
    // stored; a file too large to read is replaced by what this program stores.
    const TSettingsFileState file = InspectSettingsFile(QFile::encodeName(FFileName).toStdString());
    if (file.Kind == TSettingsFileState::Other)
        return nullptr;
    if (file.Kind == TSettingsFileState::Regular && file.Size > kMaxSettingsFileSize)
        QFile::remove(FFileName);
    // A folder that cannot be made shows up as a failed write, which the caller reports.
    QDir().mkpath(QFileInfo(FFileName).absolutePath());
#endif
    return std::make_unique<SettingsRegistryKey>(OpenSettings(FFileName, keyPath));
}
