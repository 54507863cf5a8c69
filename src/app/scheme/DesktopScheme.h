#pragma once

#include <QObject>

// Where the colour scheme "System" comes from: the desktop's preference for light or dark
// windows, and word when the user changes it there. The window's own reader asks the desktop
// portal; tests hand in one they drive themselves.
class TDesktopScheme : public QObject {
    Q_OBJECT
public:
    enum class TPreference { None, Light, Dark };

    using QObject::QObject;

    // What the desktop prefers at the moment; None while it has not said (or cannot).
    virtual TPreference Preference() const = 0;

signals:
    // The preference is no longer what it was.
    void Changed();
};
