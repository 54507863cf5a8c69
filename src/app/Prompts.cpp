#include "Prompts.h"

#include "AppText.h"
#include "PBFolderDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

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

namespace {

void PrepareBox(QMessageBox& box, const QString& text, TPrompts::TIcon icon) {
    box.setWindowTitle(ApplicationTitle());
    // Texts carry archive names, which must never be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    switch (icon) {
    case TPrompts::TIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case TPrompts::TIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case TPrompts::TIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case TPrompts::TIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    }
}

} // namespace

void TQtPrompts::ShowMessage(QWidget* parent, const QString& text, TIcon icon) {
    QMessageBox box(parent);
    PrepareBox(box, text, icon);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

int TQtPrompts::AskChoice(QWidget* parent, const QString& text, TIcon icon,
                          const QStringList& buttons) {
    QMessageBox box(parent);
    PrepareBox(box, text, icon);
    QList<QAbstractButton*> added;
    for (const QString& caption : buttons)
        added << box.addButton(caption, QMessageBox::AcceptRole);
    if (!added.isEmpty())
        box.setDefaultButton(qobject_cast<QPushButton*>(added.first()));
    box.exec();
    return static_cast<int>(added.indexOf(box.clickedButton()));
}
