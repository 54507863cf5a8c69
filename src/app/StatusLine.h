#pragma once

#include "AccessibleText.h"

#include <QLabel>

// The one text of the status bar. Features set it; whatever belongs to the text before (a run's
// button beside its summary) listens to Changed and goes.
class TStatusLine : public QLabel {
    Q_OBJECT
public:
    explicit TStatusLine(QWidget* parent = nullptr)
        : QLabel(parent) {
        setTextFormat(Qt::PlainText);
        SetAccessibleText(
            this, {}, QStringLiteral("Statuszeile: was das Programm tut oder zuletzt getan hat"));
    }

    void Set(const QString& text) {
        setText(text);
        emit Changed(text);
    }

signals:
    void Changed(const QString& text);
};
