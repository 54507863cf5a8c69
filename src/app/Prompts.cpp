#include "Prompts.h"

#include "AppText.h"
#include "PBFolderDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

QString TQtPrompts::AskOpenFileName(QWidget* parent, const QString& filter, const QString& folder) {
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Öffnen"), folder, filter);
}

QString TQtPrompts::AskSaveFileName(QWidget* parent, const QString& presetName,
                                    const QString& folder) {
    const QString preset = folder.isEmpty() ? presetName : QDir(folder).filePath(presetName);
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Speichern unter"), preset);
}

bool TQtPrompts::AskFolder(TPBFolderDialog& chooser) {
    return chooser.Execute();
}

void TQtPrompts::ShowMessage(QWidget* parent, const QString& text, TIcon icon) {
    QMessageBox box(parent);
    box.setWindowTitle(ApplicationTitle());
    // Texts carry archive names, which must never be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    switch (icon) {
    case TIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case TIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case TIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case TIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}
