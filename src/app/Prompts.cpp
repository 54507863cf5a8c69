#include "Prompts.h"

#include "AppText.h"
#include "PBFolderDialog.h"
#include "WindowState.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>

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

// Middle-shortened to kShownNameLength characters, never splitting a character made of two
// UTF-16 units.
QString ShortenedName(const QString& name) {
    if (name.size() <= kShownNameLength)
        return name;
    qsizetype head = kShownNameLength / 2 - 1;
    qsizetype tail = name.size() - (kShownNameLength - 1 - head);
    if (name[head - 1].isHighSurrogate())
        --head;
    if (name[tail].isLowSurrogate())
        ++tail;
    return name.left(head) + QChar(0x2026) + name.mid(tail);
}

QString Replaced(const QString& text, const QRegularExpression& pattern) {
    QString result;
    qsizetype done = 0;
    for (const QRegularExpressionMatch& match : pattern.globalMatch(text)) {
        result += QStringView(text).mid(done, match.capturedStart(1) - done);
        result += ShortenedName(match.captured(1));
        done = match.capturedEnd(1);
    }
    result += QStringView(text).mid(done);
    return result;
}

// The widest a dialog may be: the screen it opens on, less room for its frame.
int ScreenWidth(const QWidget* parent) {
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().width() - 16 : QWIDGETSIZE_MAX;
}

// The one message box of every message and question: plain text (archive names are never
// markup), long names shortened with the whole text in the detail, as wide as the screen at
// most. buttons: captions, the first the default; none gives OK. Returns the index of the
// button chosen, or -1.
int RunBox(QWidget* parent, const QString& text, TPrompts::TIcon icon, const QStringList& buttons) {
    QMessageBox box(parent);
    box.setWindowTitle(ApplicationTitle());
    box.setTextFormat(Qt::PlainText);
    const QString shown = ShortenedNames(text);
    box.setText(shown);
    if (shown != text)
        box.setDetailedText(text);
    box.setIcon(BoxIcon(icon));
    QList<QAbstractButton*> added;
    for (const QString& caption : buttons)
        added << box.addButton(caption, QMessageBox::AcceptRole);
    if (added.isEmpty())
        box.setStandardButtons(QMessageBox::Ok);
    else
        box.setDefaultButton(qobject_cast<QPushButton*>(added.first()));
    box.setMaximumWidth(ScreenWidth(parent));
    box.exec();
    return static_cast<int>(added.indexOf(box.clickedButton()));
}

} // namespace

QString ShortenedNames(const QString& text) {
    static const QRegularExpression quoted(QStringLiteral("„([^“]+)“"));
    static const QRegularExpression unbroken(
        QStringLiteral("(\\S{%1,})").arg(kShownNameLength + 1));
    return Replaced(Replaced(text, quoted), unbroken);
}

void TQtPrompts::ShowMessage(QWidget* parent, const QString& text, TIcon icon) {
    RunBox(parent, text, icon, {});
}

int TQtPrompts::AskChoice(QWidget* parent, const QString& text, TIcon icon,
                          const QStringList& buttons) {
    return RunBox(parent, text, icon, buttons);
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
    const QString shown = ShortenedNames(text);
    auto* label = new QLabel(shown, &dialog);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    // The whole text, where names had to be shortened.
    auto* detail = new QPlainTextEdit(text, &dialog);
    detail->setReadOnly(true);
    detail->setMaximumHeight(detail->fontMetrics().lineSpacing() * 4 + 12);
    detail->setVisible(shown != text);
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
    layout->addWidget(detail, 1, 0, 1, 2);
    layout->addWidget(list, 2, 0, 1, 2);
    layout->addWidget(buttons, 3, 0, 1, 2);
    dialog.setMaximumWidth(ScreenWidth(parent));
    dialog.resize(520, 360);
    dialog.exec();
}

TPBFolderDialog* NewDiskFolderChooser(QObject* owner) {
    auto* chooser = new TPBFolderDialog(owner);
    chooser->SetFlags({TBrowseInfoFlags::OnlyFileSystem, TBrowseInfoFlags::ShowPath});
    chooser->FinishLoading();
    return chooser;
}

QString AskDiskFolder(TPrompts& prompts, TPBFolderDialog& chooser, TWindowState& state,
                      const QString& key, const QString& purpose, QWidget* window) {
    QString last = state.Text(key);
    while (!last.isEmpty() && !QFileInfo(last).isDir() && QFileInfo(last).path() != last)
        last = QFileInfo(last).path();
    if (!last.isEmpty())
        chooser.SetFolder(last);
    for (;;) {
        const QString before = chooser.Folder();
        if (!prompts.AskFolder(chooser))
            return QString();
        const QString folder = chooser.Folder();
        if (!folder.isEmpty()) {
            state.SetText(key, folder);
            return folder;
        }
        // A confirmed item without a file-system path cannot take files: say so, and let the
        // user pick again, from where the chooser was opened.
        prompts.ShowMessage(window,
                            QStringLiteral("„%1“ ist kein Ordner auf einem Datenträger. Bitte %2.")
                                .arg(chooser.DisplayName(), purpose),
                            TPrompts::TIcon::Information);
        chooser.SetFolder(before);
    }
}

void ShowErrorMessage(TPrompts& prompts, QWidget* parent, const QString& message) {
    QString text = message;
    if (!text.isEmpty() && text.back() > QChar('.'))
        text += QChar('.');
    prompts.ShowMessage(parent, text, TPrompts::TIcon::Error);
}
