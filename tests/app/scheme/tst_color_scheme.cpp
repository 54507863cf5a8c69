// "Ansicht → Farbschema": "Hell" and "Dunkel" switch the whole window at once, with text that
// reads on its background; the choice is remembered; "System" follows the desktop live.
#include "ColorScheme.h"
#include "DesktopScheme.h"
#include "LineView.h"
#include "SchemePalette.h"
#include "WindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QStyle>
#include <QtTest>

namespace {

// A desktop the test changes its mind for.
class TFakeDesktop : public TDesktopScheme {
public:
    TPreference Now = TPreference::None;
    TPreference Preference() const override { return Now; }
    void Set(TPreference preference) {
        Now = preference;
        emit Changed();
    }
};

// The worst contrast of a text role on the background it is drawn on, in the groups of
// enabled widgets.
double WorstContrast(const QPalette& palette) {
    constexpr std::pair<QPalette::ColorRole, QPalette::ColorRole> kPairs[] = {
        {QPalette::Text, QPalette::Base},
        {QPalette::Text, QPalette::AlternateBase},
        {QPalette::WindowText, QPalette::Window},
        {QPalette::ButtonText, QPalette::Button},
        {QPalette::HighlightedText, QPalette::Highlight},
        {QPalette::ToolTipText, QPalette::ToolTipBase},
    };
    double worst = 21;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        for (const auto& [text, background] : kPairs)
            worst = std::min(
                worst, ContrastRatio(palette.color(group, text), palette.color(group, background)));
    return worst;
}

} // namespace

class TestColorScheme : public QObject, TWindowFixture {
    Q_OBJECT

    QAction* SchemeItem(const QString& caption) const {
        QMenu* scheme = FWindow->Scheme().mnScheme();
        if (!scheme || !FWindow->Controls().mnView->actions().contains(scheme->menuAction()))
            return nullptr;
        for (QAction* action : scheme->actions())
            if (action->text().remove('&') == caption)
                return action;
        return nullptr;
    }
    // What the file list, a widget of the window, is drawn in.
    QPalette ListPalette() const { return FWindow->Files().lvFiles()->palette(); }

private slots:
    void init() {
        SetUpWindow(100);
        FWindow->show();
    }
    void cleanup() {
        // The palette is the whole application's: the next case starts from the platform's.
        if (FWindow)
            FWindow->Scheme().Choose(TColorScheme::TChoice::System);
        TearDownWindow();
    }

    void lightAndDarkSwitchLiveAndRead_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("dark");
        QTest::newRow("Dunkel") << "Dunkel" << true;
        QTest::newRow("Hell") << "Hell" << false;
    }
    void lightAndDarkSwitchLiveAndRead() {
        QFETCH(QString, caption);
        QFETCH(bool, dark);
        // The other scheme first, so that the switch is a change.
        FWindow->Scheme().Choose(dark ? TColorScheme::TChoice::Light : TColorScheme::TChoice::Dark);
        QTRY_COMPARE(IsDarkPalette(ListPalette()), !dark);

        QAction* item = SchemeItem(caption);
        QVERIFY(item);
        item->trigger();
        QVERIFY(item->isChecked());
        QCOMPARE(SchemeItem("System")->isChecked(), false);
        QCOMPARE(FWindow->Scheme().Dark(), dark);
        QTRY_COMPARE(IsDarkPalette(ListPalette()), dark);
        // The preview, a window of its own shown after the switch, too.
        FWindow->Preview().show();
        QTRY_COMPARE(IsDarkPalette(FWindow->Preview().pvLines->palette()), dark);
        QCOMPARE(QApplication::style()->name(), QStringLiteral("fusion"));
        QVERIFY2(WorstContrast(ListPalette()) >= 4.5,
                 qPrintable(QString::number(WorstContrast(ListPalette()))));
    }

    void theChoiceIsRemembered() {
        SchemeItem("Dunkel")->trigger();
        FWindow.reset();
        FWindow = std::make_unique<TfrmMain>(FPrompts, FStore);
        QCOMPARE(FWindow->Scheme().Choice(), TColorScheme::TChoice::Dark);
        QVERIFY(SchemeItem("Dunkel")->isChecked());
        QTRY_VERIFY(IsDarkPalette(ListPalette()));
    }

    void systemFollowsTheDesktopLive() {
        // No desktop preference here: the platform's own colours, light offscreen.
        QCOMPARE(FWindow->Scheme().Choice(), TColorScheme::TChoice::System);
        QVERIFY(SchemeItem("System")->isChecked());
        const QPalette platform = ListPalette();
        QVERIFY(!IsDarkPalette(platform));

        auto* desktop = new TFakeDesktop;
        FWindow->Scheme().SetDesktop(desktop);
        desktop->Set(TDesktopScheme::TPreference::Dark);
        QVERIFY(FWindow->Scheme().Dark());
        QTRY_VERIFY(IsDarkPalette(ListPalette()));
        QVERIFY(WorstContrast(ListPalette()) >= 4.5);

        // Back to light: the platform's colours again, not a palette of the program's own.
        desktop->Set(TDesktopScheme::TPreference::Light);
        QVERIFY(!FWindow->Scheme().Dark());
        QTRY_COMPARE(ListPalette().color(QPalette::Base), platform.color(QPalette::Base));
        QCOMPARE(ListPalette().color(QPalette::Highlight), platform.color(QPalette::Highlight));

        // A choice of the user's own outlasts the desktop's changes.
        SchemeItem("Hell")->trigger();
        desktop->Set(TDesktopScheme::TPreference::Dark);
        QTRY_VERIFY(!IsDarkPalette(ListPalette()));
        SchemeItem("System")->trigger();
        QTRY_VERIFY(IsDarkPalette(ListPalette()));
    }
};

QTEST_MAIN(TestColorScheme)
#include "tst_color_scheme.moc"
