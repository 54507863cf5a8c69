#include "PortalScheme.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kGroup = QStringLiteral("org.freedesktop.appearance");
const QString kKey = QStringLiteral("color-scheme");
// ReadOne is the newer call; portals before it only know Read, which wraps its answer twice.
const QString kReadOne = QStringLiteral("ReadOne");
const QString kRead = QStringLiteral("Read");

// The value inside however many variants the portal wrapped it in.
QVariant Unwrapped(QVariant value) {
    for (int depth = 0; depth < 4 && value.metaType() == QMetaType::fromType<QDBusVariant>();
         ++depth)
        value = value.value<QDBusVariant>().variant();
    return value;
}

} // namespace

TPortalScheme::TPortalScheme(QObject* parent)
    : TDesktopScheme(parent) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
                SLOT(SettingChanged(QString, QString, QDBusVariant)));
    Read(kReadOne);
}

void TPortalScheme::Read(const QString& method) {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    message << kGroup << kKey;
    // The answer comes when it comes: the window is never kept waiting for a desktop service.
    auto* call =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(message), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, method](QDBusPendingCallWatcher* done) { Answered(done, method); });
}

void TPortalScheme::Answered(QDBusPendingCallWatcher* call, const QString& method) {
    call->deleteLater();
    const QDBusPendingReply<QDBusVariant> reply = *call;
    if (reply.isError()) {
        if (method == kReadOne && reply.error().type() == QDBusError::UnknownMethod)
            Read(kRead);
        return; // no portal, or one without the setting: no preference
    }
    Take(reply.argumentAt<0>().variant());
}

void TPortalScheme::SettingChanged(const QString& group, const QString& key,
                                   const QDBusVariant& value) {
    if (group == kGroup && key == kKey)
        Take(value.variant());
}

void TPortalScheme::Take(const QVariant& value) {
    bool number = false;
    const uint scheme = Unwrapped(value).toUInt(&number);
    const TPreference preference = !number       ? TPreference::None
                                   : scheme == 1 ? TPreference::Dark
                                   : scheme == 2 ? TPreference::Light
                                                 : TPreference::None;
    if (preference == FPreference)
        return;
    FPreference = preference;
    emit Changed();
}
