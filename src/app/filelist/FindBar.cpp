#include "FindBar.h"

#include "AccessibleText.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

TFindBar::TFindBar(QWidget* parent)
    : QWidget(parent)
    , FEdit(new QLineEdit(this))
    , FContent(new QCheckBox(QStringLiteral("im &Inhalt"), this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 2, 2);
    auto* label = new QLabel(QStringLiteral("&Suchen:"), this);
    FEdit->setPlaceholderText(QStringLiteral("Teil des Namens oder Muster wie *.dds"));
    FEdit->setClearButtonEnabled(true);
    label->setBuddy(FEdit);
    auto* close = new QToolButton(this);
    close->setText(QStringLiteral("✕"));
    close->setToolTip(QStringLiteral("Suche schließen (Esc)"));
    close->setAutoRaise(true);
    layout->addWidget(label);
    layout->addWidget(FEdit, 1);
    layout->addWidget(FContent);
    layout->addWidget(close);
    FContent->setToolTip(QStringLiteral("Im Inhalt der Dateien suchen statt in ihren Namen "
                                        "(Strg+Umschalt+F)"));
    SetAccessibleText(FEdit, QStringLiteral("Suchen"),
                      QStringLiteral("Teil eines Dateinamens oder ein Muster wie *.dds; mit "
                                     "„im Inhalt“ ein Text in den Dateien. Die Treffer stehen in "
                                     "der Dateiliste, Esc schließt die Suche."));
    SetAccessibleText(FContent, QStringLiteral("im Inhalt"), FContent->toolTip());
    SetAccessibleText(close, QStringLiteral("Suche schließen"),
                      QStringLiteral("Schließt die Suche und zeigt wieder das Verzeichnis (Esc)"));
    hide();

    connect(FEdit, &QLineEdit::textChanged, this, &TFindBar::TextChanged);
    connect(close, &QToolButton::clicked, this, &TFindBar::CloseRequested);
    connect(FContent, &QCheckBox::toggled, this, &TFindBar::ContentToggled);
    FEdit->installEventFilter(this);
}

bool TFindBar::InContent() const {
    return FContent->isChecked();
}

bool TFindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched != FEdit || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape && !isHidden()) {
        emit CloseRequested();
        return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down) {
        emit IntoListRequested();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
