#pragma once

#include <QWidget>

// What assistive technology announces for a control: its German name and what it is for. A
// label keeps its text as its name, which is what it says; it gets the description only.
inline void SetAccessibleText(QWidget* control, const QString& name, const QString& description) {
    if (!name.isEmpty())
        control->setAccessibleName(name);
    control->setAccessibleDescription(description);
}
