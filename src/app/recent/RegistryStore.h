#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

// What a stored value holds, as far as readers of text values care.
enum class RegistryValueType {
    String,       // plain text
    ExpandString, // text with unexpanded variables; this program reads it as it is
    Other,        // numbers, binary data, lists, ...
};

struct RegistryValueInfo {
    RegistryValueType type = RegistryValueType::String;
    // False when the value holds nothing at all; such a value reads as empty text, whatever its
    // type.
    bool hasData = false;
};

// One open key of the per-user store. Destroying the handle closes the key.
class IRegistryKey {
public:
    virtual ~IRegistryKey() = default;

    // The names of the key's values, in no particular order.
    virtual QStringList ValueNames() const = 0;
    virtual bool ValueExists(const QString& name) const = 0;
    // Type and size of a value; nullopt when they cannot be fetched.
    virtual std::optional<RegistryValueInfo> QueryValue(const QString& name) const = 0;
    // The text of a string value as stored (it may hold zero characters); nullopt when its data
    // cannot be fetched.
    virtual std::optional<QString> ReadString(const QString& name) const = 0;
    // Stores a string value; false when it could not be stored. A store may hold the change
    // back until Commit.
    virtual bool WriteString(const QString& name, const QString& text) = 0;
    virtual bool DeleteValue(const QString& name) = 0;
    // Makes every change since the last commit lasting at once, all or none of them; false when
    // that failed. Closing the key commits too, without telling.
    virtual bool Commit() { return true; }
};

// The per-user settings store. Key paths are relative to the per-user root with "\" between
// their parts, e.g. "Software\Varnholm Archiv-Explorer".
class IRegistryStore {
public:
    virtual ~IRegistryStore() = default;

    // Opens an existing key; nullptr when it does not exist or cannot be opened.
    virtual std::unique_ptr<IRegistryKey> OpenKey(const QString& keyPath) = 0;
    // Opens a key, creating it where it does not exist; nullptr when that fails.
    virtual std::unique_ptr<IRegistryKey> CreateKey(const QString& keyPath) = 0;
};

// The store of the user running the program: on Windows the registry below HKEY_CURRENT_USER;
// elsewhere one INI file in the user's configuration folder, with each key a group of it.
class SettingsRegistryStore : public IRegistryStore {
public:
    // The configuration folder is looked up now (XDG_CONFIG_HOME is honoured as it is set at
    // this moment) and kept for the store's life.
    SettingsRegistryStore();

    std::unique_ptr<IRegistryKey> OpenKey(const QString& keyPath) override;
    std::unique_ptr<IRegistryKey> CreateKey(const QString& keyPath) override;

    // The INI file that stands in for the registry; empty on Windows, and where no
    // configuration folder is known.
    QString FileName() const { return FFileName; }

    // Name of that file inside the configuration folder.
    static QString IniFileName() { return QStringLiteral("Varnholm Archiv-Explorer.ini"); }

private:
    QString FFileName;
};
