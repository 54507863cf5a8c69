#pragma once

#include "DesktopScheme.h"

class QDBusPendingCallWatcher;
class QDBusVariant;

// The desktop's preference as the freedesktop settings portal tells it: the value
// "color-scheme" of "org.freedesktop.appearance" (0 no preference, 1 dark, 2 light), read once
// without waiting for the answer, and followed through the portal's SettingChanged. Without a
// session bus or a portal there is no preference, and nothing is ever waited for.
class TPortalScheme : public TDesktopScheme {
    Q_OBJECT
public:
    explicit TPortalScheme(QObject* parent = nullptr);

    TPreference Preference() const override { return FPreference; }

private slots:
    // The portal's signal; a slot by name, as the bus connects to it.
    void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    void Read(const QString& method);
    void Answered(QDBusPendingCallWatcher* call, const QString& method);
    void Take(const QVariant& value);

    TPreference FPreference = TPreference::None;
};
