#include "Prompts.h"

#include "AppText.h"
#include "PBFolderDialog.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
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

QMessageBox::Icon BoxIcon(TPrompts::TIcon icon) {
    switch (icon) {
    case TPrompts::TIcon::None:
        break;
    case TPrompts::TIcon::Information:
        return QMessageBox::Information;
    case TPrompts::TIcon::Warning:
        return QMessageBox::Warning;
    case TPrompts::TIcon::Error:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

void PrepareBox(QMessageBox& box, const QString& text, TPrompts::TIcon icon) {
    box.setWindowTitle(ApplicationTitle());
    // Texts carry archive names, which must never be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setIcon(BoxIcon(icon));
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

void TQtPrompts::ShowList(QWidget* parent, const QString& text, const QStringList& items,
                          TIcon icon) {
    QDialog dialog(parent);
    dialog.setWindowTitle(ApplicationTitle());
    auto* layout = new QGridLayout(&dialog);
    // The icon a message box of this kind would show.
    QMessageBox model;
    model.setIcon(BoxIcon(icon));
    auto* picture = new QLabel(&dialog);
    picture->setPixmap(model.iconPixmap());
    auto* label = new QLabel(text, &dialog);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    auto* list = new QListWidget(&dialog);
    list->setUniformItemSizes(true); // thousands of rows
    list->addItems(items);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QPushButton* copy =
        buttons->addButton(QStringLiteral("Liste kopieren"), QDialogButtonBox::ActionRole);
    QObject::connect(copy, &QPushButton::clicked,
                     [&] { QGuiApplication::clipboard()->setText(items.join(QChar('\n'))); });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(picture, 0, 0, Qt::AlignTop);
    layout->addWidget(label, 0, 1);
    layout->addWidget(list, 1, 0, 1, 2);
    layout->addWidget(buttons, 2, 0, 1, 2);
    dialog.resize(520, 360);
    dialog.exec();
}
