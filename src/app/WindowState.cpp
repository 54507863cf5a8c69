#include "WindowState.h"

#include "RegistryStore.h"

TWindowState::TWindowState(std::shared_ptr<IRegistryStore> store, QString keyPath)
    : FStore(std::move(store))
    , FKeyPath(std::move(keyPath)) {}

QString TWindowState::Text(const QString& name) const {
    const std::unique_ptr<IRegistryKey> key = FStore->OpenKey(FKeyPath);
    if (!key || !key->ValueExists(name))
        return {};
    return key->ReadString(name).value_or(QString());
}

QByteArray TWindowState::Bytes(const QString& name) const {
    return QByteArray::fromBase64(Text(name).toLatin1());
}

void TWindowState::SetText(const QString& name, const QString& text) {
    const std::unique_ptr<IRegistryKey> key = FStore->CreateKey(FKeyPath);
    // An unchanged value is not written: the store would rewrite its whole file.
    if (key && (!key->ValueExists(name) || key->ReadString(name) != text))
        key->WriteString(name, text);
}

void TWindowState::SetBytes(const QString& name, const QByteArray& bytes) {
    SetText(name, QString::fromLatin1(bytes.toBase64()));
}
