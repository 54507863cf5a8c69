#pragma once

#include "RegistryStore.h"

#include <QMap>
#include <QSet>

// A per-user store in memory. Besides text values it holds values of another type, values
// without data, values whose data cannot be fetched and names that cannot be written; it logs
// every value name asked about, deleted and written, in order.
class MemoryRegistryStore : public IRegistryStore {
public:
    struct Value {
        RegistryValueType type = RegistryValueType::String;
        QString text;
        bool hasData = true;
        bool fetchFails = false;
    };

    void SetString(const QString& key, const QString& name, const QString& text) {
        FKeys[key][name] = Value{RegistryValueType::String, text, !text.isEmpty(), false};
    }
    void SetValue(const QString& key, const QString& name, const Value& value) {
        FKeys[key][name] = value;
    }
    void FailWriting(const QString& key, const QString& name) { FUnwritable.insert(key + name); }
    void FailCreating(bool fail) { FCreateFails = fail; }

    bool HasKey(const QString& key) const { return FKeys.contains(key); }
    // The text of a value; a null string where there is none.
    QString Text(const QString& key, const QString& name) const {
        return FKeys.value(key).value(name).text;
    }
    bool Has(const QString& key, const QString& name) const {
        return FKeys.value(key).contains(name);
    }

    QStringList asked, deleted, written;

    std::unique_ptr<IRegistryKey> OpenKey(const QString& keyPath) override {
        if (!FKeys.contains(keyPath))
            return nullptr;
        return std::make_unique<Key>(*this, keyPath);
    }
    std::unique_ptr<IRegistryKey> CreateKey(const QString& keyPath) override {
        if (FCreateFails)
            return nullptr;
        FKeys[keyPath];
        return std::make_unique<Key>(*this, keyPath);
    }

private:
    class Key : public IRegistryKey {
    public:
        Key(MemoryRegistryStore& store, const QString& path)
            : FStore(store)
            , FPath(path) {}

        QStringList ValueNames() const override { return Values().keys(); }
        bool ValueExists(const QString& name) const override {
            FStore.asked.append(name);
            return Values().contains(name);
        }
        std::optional<RegistryValueInfo> QueryValue(const QString& name) const override {
            const Value value = Values().value(name);
            if (value.fetchFails)
                return std::nullopt;
            return RegistryValueInfo{value.type, value.hasData};
        }
        std::optional<QString> ReadString(const QString& name) const override {
            const Value value = Values().value(name);
            if (value.fetchFails || value.type == RegistryValueType::Other)
                return std::nullopt;
            return value.text;
        }
        bool WriteString(const QString& name, const QString& text) override {
            if (FStore.FUnwritable.contains(FPath + name))
                return false;
            FStore.written.append(name);
            FStore.SetString(FPath, name, text);
            return true;
        }
        bool DeleteValue(const QString& name) override {
            FStore.deleted.append(name);
            return FStore.FKeys[FPath].remove(name) > 0;
        }

    private:
        QMap<QString, Value> Values() const { return FStore.FKeys.value(FPath); }

        MemoryRegistryStore& FStore;
        QString FPath;
    };

    QMap<QString, QMap<QString, Value>> FKeys;
    QSet<QString> FUnwritable;
    bool FCreateFails = false;
};
