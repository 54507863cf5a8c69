#include "DesktopOpeners.h"

#include <QDesktopServices>
#include <QUrl>
#include <QWidget>

#ifdef VARNHOLM_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QGuiApplication>
#endif

bool OpenWithDefaultProgram(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

#ifdef VARNHOLM_HAVE_DBUS
namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");

bool PortalThere(QDBusConnection& bus) {
    QDBusConnectionInterface* names = bus.interface();
    if (!names)
        return false;
    // The portal is started on demand: it need not run yet to be there.
    return names->isServiceRegistered(kPortal).value() ||
           names->activatableServiceNames().value().contains(kPortal);
}

// How the portal places its chooser over the window: on X11 by the window's id; elsewhere it
// opens on its own.
QString ParentWindow(QWidget* window) {
    if (window && QGuiApplication::platformName() == QLatin1String("xcb"))
        return QStringLiteral("x11:%1").arg(static_cast<qulonglong>(window->winId()), 0, 16);
    return {};
}

} // namespace
#endif

bool OpenWithChosenProgram(const QUrl& url, QWidget* window) {
#ifdef VARNHOLM_HAVE_DBUS
    QDBusConnection bus = QDBusConnection::sessionBus();
    QFile file(url.toLocalFile());
    if (url.isLocalFile() && bus.isConnected() && PortalThere(bus) &&
        file.open(QIODevice::ReadOnly)) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            kPortal, QStringLiteral("/org/freedesktop/portal/desktop"),
            QStringLiteral("org.freedesktop.portal.OpenURI"), QStringLiteral("OpenFile"));
        // The descriptor is duplicated for the message: the file may close now.
        call << ParentWindow(window) << QVariant::fromValue(QDBusUnixFileDescriptor(file.handle()))
             << QVariantMap{{QStringLiteral("ask"), true}, {QStringLiteral("writable"), false}};
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
        // A portal that refuses leaves the file to the default program.
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                         [url](QDBusPendingCallWatcher* done) {
                             if (done->isError())
                                 OpenWithDefaultProgram(url);
                             done->deleteLater();
                         });
        return true;
    }
#else
    Q_UNUSED(window);
#endif
    return OpenWithDefaultProgram(url);
}
