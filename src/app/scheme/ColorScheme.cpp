#include "ColorScheme.h"

#include "DesktopScheme.h"
#include "SchemePalette.h"
#include "WindowState.h"

#ifdef VARNHOLM_DESKTOP_PORTAL
#include "PortalScheme.h"
#endif

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleHints>

namespace {

const QString kFusion = QStringLiteral("fusion");

// How the platform set the application up before any scheme was applied: once per process,
// as a second window must not take the first one's palette for the platform's.
struct TPlatformLook {
    QString Style;
    bool Dark;
};

const TPlatformLook& PlatformLook() {
    static const TPlatformLook look{QApplication::style()->name(),
                                    IsDarkPalette(QApplication::palette())};
    return look;
}

// What is on the application now: one for every window of the process.
enum class TApplied { Platform, Light, Dark };
TApplied gApplied = TApplied::Platform;

void SetStyle(const QString& name) {
    if (QApplication::style()->name().compare(name, Qt::CaseInsensitive) == 0)
        return;
    if (QStyle* style = QStyleFactory::create(name))
        QApplication::setStyle(style);
}

// The stored form of a choice: words that stay when the menu's texts change.
const QString kStored[] = {QStringLiteral("System"), QStringLiteral("Hell"),
                           QStringLiteral("Dunkel")};

// The colours that choice asks for, with what desktop prefers.
TApplied Wanted(TColorScheme::TChoice choice, const TDesktopScheme* desktop) {
    switch (choice) {
    case TColorScheme::TChoice::Light:
        return TApplied::Light;
    case TColorScheme::TChoice::Dark:
        return TApplied::Dark;
    case TColorScheme::TChoice::System:
        break;
    }
    bool dark = PlatformLook().Dark;
    switch (desktop ? desktop->Preference() : TDesktopScheme::TPreference::None) {
    case TDesktopScheme::TPreference::Dark:
        dark = true;
        break;
    case TDesktopScheme::TPreference::Light:
        dark = false;
        break;
    case TDesktopScheme::TPreference::None:
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
        if (const Qt::ColorScheme qt = QGuiApplication::styleHints()->colorScheme();
            qt != Qt::ColorScheme::Unknown)
            dark = qt == Qt::ColorScheme::Dark;
#endif
        break;
    }
    if (dark == PlatformLook().Dark)
        return TApplied::Platform;
    return dark ? TApplied::Dark : TApplied::Light;
}

} // namespace

TColorScheme::TColorScheme(TWindowState& state, QObject* parent)
    : QObject(parent)
    , FState(state) {
    PlatformLook();
    const QString stored = FState.Text(kStateKey);
    for (int k = 0; k < 3; ++k)
        if (stored == kStored[k])
            FChoice = static_cast<TChoice>(k);
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    connect(QGuiApplication::styleHints(), &QStyleHints::colorSchemeChanged, this,
            &TColorScheme::Apply);
#endif
#ifdef VARNHOLM_DESKTOP_PORTAL
    SetDesktop(new TPortalScheme(this));
#else
    Apply();
#endif
}

TColorScheme::~TColorScheme() = default;

void TColorScheme::FillMenu(QMenu* menu) {
    menu->addSeparator();
    FMenu = menu->addMenu(QStringLiteral("&Farbschema"));
    FGroup = new QActionGroup(this);
    FGroup->setExclusive(true);
    const QString captions[] = {QStringLiteral("&System"), QStringLiteral("&Hell"),
                                QStringLiteral("&Dunkel")};
    for (int k = 0; k < 3; ++k) {
        QAction* action = FMenu->addAction(captions[k]);
        action->setCheckable(true);
        action->setChecked(k == static_cast<int>(FChoice));
        FGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, k] { Choose(static_cast<TChoice>(k)); });
        FActions[k] = action;
    }
    FActions[0]->setStatusTip(QStringLiteral("Farben wie die Arbeitsumgebung, hell oder dunkel"));
    FActions[1]->setStatusTip(QStringLiteral("Dunkle Schrift auf hellem Grund"));
    FActions[2]->setStatusTip(QStringLiteral("Helle Schrift auf dunklem Grund"));
}

QAction* TColorScheme::Action(TChoice choice) const {
    return FActions[static_cast<int>(choice)];
}

void TColorScheme::Choose(TChoice choice) {
    FChoice = choice;
    if (QAction* action = Action(choice))
        action->setChecked(true);
    FState.SetText(kStateKey, kStored[static_cast<int>(choice)]);
    Apply();
}

bool TColorScheme::Dark() const {
    return gApplied == TApplied::Dark || (gApplied == TApplied::Platform && PlatformLook().Dark);
}

void TColorScheme::SetDesktop(TDesktopScheme* desktop) {
    if (FDesktop != desktop)
        delete FDesktop;
    FDesktop = desktop;
    FDesktop->setParent(this);
    connect(FDesktop, &TDesktopScheme::Changed, this, &TColorScheme::Apply);
    Apply();
}

void TColorScheme::Apply() {
    const TApplied wanted = Wanted(FChoice, FDesktop);
    if (wanted == gApplied)
        return;
    gApplied = wanted;
    if (wanted == TApplied::Platform) {
        SetStyle(PlatformLook().Style);
        // A palette that sets no role gives every one back to the platform and the style.
        QApplication::setPalette(QPalette());
        return;
    }
    SetStyle(kFusion);
    QApplication::setPalette(wanted == TApplied::Dark ? DarkPalette() : LightPalette());
}
