#pragma once

#include <QLabel>

// The one text of the status bar. Features set it; whatever belongs to the text before (a run's
// button beside its summary) listens to Changed and goes.
class TStatusLine : public QLabel {
    Q_OBJECT
public:
    explicit TStatusLine(QWidget* parent = nullptr)
        : QLabel(parent) {
        setTextFormat(Qt::PlainText);
    }

    void Set(const QString& text) {
        setText(text);
        emit Changed(text);
    }

signals:
    void Changed(const QString& text);
};
