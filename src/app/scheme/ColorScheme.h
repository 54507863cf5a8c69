#pragma once

#include <QObject>
#include <QString>

class QAction;
class QActionGroup;
class QMenu;
class TDesktopScheme;
class TWindowState;

// The program's colours: "Ansicht → Farbschema" with "System", "Hell" and "Dunkel", remembered
// in the window's state. "Hell" and "Dunkel" put the palette of the program's own on the whole
// application (with the Fusion style, which draws everything from the palette). "System" follows
// the desktop's preference, live: where it matches the colours the platform gives, those stay,
// with the platform's own style; where it does not (a dark desktop whose toolkit gives Qt light
// colours), the palette of the preferred kind is used. Without a preference from the desktop,
// what Qt itself reports decides, and else the platform's colours stay.
class TColorScheme : public QObject {
    Q_OBJECT
public:
    enum class TChoice { System, Light, Dark };
    static inline const QString kStateKey = QStringLiteral("ColorScheme");

    // Applies the remembered choice at once.
    TColorScheme(TWindowState& state, QObject* parent);
    ~TColorScheme() override;

    // "Farbschema" with its three exclusive items, into menu.
    void FillMenu(QMenu* menu);
    QMenu* mnScheme() const { return FMenu; }
    QAction* Action(TChoice choice) const;

    // As the menu's items do: applied and remembered.
    void Choose(TChoice choice);
    TChoice Choice() const { return FChoice; }
    // Whether dark colours are in effect.
    bool Dark() const;
    // Where "System" takes the desktop's preference from; the scheme owns it. At first, the
    // desktop portal.
    void SetDesktop(TDesktopScheme* desktop);

private:
    void Apply();

    TWindowState& FState;
    TChoice FChoice = TChoice::System;
    TDesktopScheme* FDesktop = nullptr;
    QMenu* FMenu = nullptr;
    QActionGroup* FGroup = nullptr;
    QAction* FActions[3] = {};
};
