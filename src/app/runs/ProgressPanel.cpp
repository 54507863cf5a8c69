#include "ProgressPanel.h"

#include "AccessibleText.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

namespace {

constexpr int kPanelHeight = 89;

} // namespace

TProgressPanel::TProgressPanel(QWidget* window)
    : QFrame(window)
    , FLabel(new QLabel(QStringLiteral("lbExtract"), this))
    , FBar(new QProgressBar(this))
    , FCancel(new QPushButton(QStringLiteral("Abbrechen"), this)) {
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
    FLabel->setTextFormat(Qt::PlainText); // archive names, never markup
    FBar->setRange(0, 100);
    FBar->setTextVisible(false);
    FCancel->setShortcut(Qt::Key_Escape); // only while the panel is shown
    SetAccessibleText(this, QStringLiteral("Fortschritt"),
                      QStringLiteral("Der laufende Vorgang: Entpacken oder Prüfen"));
    SetAccessibleText(FLabel, {}, QStringLiteral("Die Datei, die gerade an der Reihe ist"));
    SetAccessibleText(FBar, QStringLiteral("Fortschritt"),
                      QStringLiteral("Wie weit der Vorgang ist, in Prozent"));
    SetAccessibleText(FCancel, QStringLiteral("Abbrechen"),
                      QStringLiteral("Bricht den Vorgang vor der nächsten Datei ab (Esc)"));
    connect(FCancel, &QPushButton::clicked, this, &TProgressPanel::CancelClicked);
    Arrange();
    hide();
}

void TProgressPanel::Arrange() {
    resize(Scaled(281), Scaled(kPanelHeight));
    FLabel->setGeometry(Scaled(16), Scaled(8), Scaled(257), Scaled(13));
    FBar->setGeometry(Scaled(24), Scaled(32), Scaled(241), Scaled(16));
    FCancel->setGeometry(Scaled(103), Scaled(56), Scaled(75), Scaled(25));
}

int TProgressPanel::Scaled(int pixels) const {
    // The panel's layout was drawn for a font whose lines are 13 pixels high; a larger font
    // stretches it alike, so that no text is clipped. (High-DPI screens need nothing more: Qt's
    // pixels are already device-independent.)
    const double scale = std::max(1.0, fontMetrics().height() / 13.0);
    return static_cast<int>(pixels * scale + 0.5);
}

void TProgressPanel::ShowCentered() {
    setFixedHeight(Scaled(kPanelHeight));
    const QRect window = parentWidget()->frameGeometry();
    move((window.width() - width()) / 2, (window.height() - height()) / 2);
    show();
    raise();
}
