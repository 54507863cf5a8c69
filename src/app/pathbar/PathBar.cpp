#include "PathBar.h"

#include "AccessibleText.h"
#include "AppText.h"
#include "DirectoryTreeModel.h"
#include "Prompts.h"

#include <QAction>
#include <QApplication>
#include <QCompleter>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>

namespace {

// The deepest folders of a path that get a button; a path deeper than that shows "…" first.
constexpr size_t kMaxCrumbs = 24;
// A folder's name longer than this is shortened in the middle on its button.
constexpr int kMaxCrumbWidth = 240;

// Completes a path typed below the archive's root with the names of the folders at the level
// typed: the tree's model has the root as its one top-level row, which the typed path leaves
// out.
class TFolderCompleter : public QCompleter {
public:
    using QCompleter::QCompleter;

    QStringList splitPath(const QString& path) const override {
        QString below = path;
        while (below.startsWith(QChar('/')))
            below.remove(0, 1);
        QStringList parts = below.split(QChar('/'));
        parts.prepend(model()->index(0, 0).data().toString());
        return parts;
    }

    QString pathFromIndex(const QModelIndex& index) const override {
        QStringList parts;
        for (QModelIndex at = index; at.isValid() && at.parent().isValid(); at = at.parent())
            parts.prepend(at.data().toString());
        return parts.join(QChar('/'));
    }
};

// The captions from below the root down to node: "a/b".
QString CaptionPath(const TDirNode* node) {
    QStringList parts;
    for (; node && node->Parent; node = node->Parent)
        parts.prepend(node->Caption);
    return parts.join(QChar('/'));
}

QToolButton* NavigationButton(QAction* action, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setDefaultAction(action);
    button->setAutoRaise(true);
    SetAccessibleText(button, action->text(), action->toolTip());
    // The keys reach them from anywhere; the focus chain stays tree, find, list.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

TPathBar::TPathBar(TDirectoryTreeModel& tree, TPrompts& prompts, QWidget* parent)
    : QWidget(parent)
    , FTree(tree)
    , FPrompts(prompts) {
    CreateActions();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    for (QAction* action : {FBack, FForward, FUp})
        layout->addWidget(NavigationButton(action, this));

    FStack = new QStackedWidget(this);
    FCrumbArea = new QWidget(FStack);
    // However long the path, the bar never makes the window wider: FitCrumbs leaves out folders.
    FCrumbArea->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    FCrumbArea->setCursor(Qt::IBeamCursor);
    FCrumbArea->setToolTip(QStringLiteral("Klicken (oder F6), um einen Pfad einzugeben"));
    auto* crumbs = new QHBoxLayout(FCrumbArea);
    crumbs->setSizeConstraint(QLayout::SetNoConstraint);
    crumbs->setContentsMargins(0, 0, 0, 0);
    crumbs->setSpacing(0);
    crumbs->addStretch(1);
    FCrumbArea->installEventFilter(this);
    FElided = new QLabel(QStringLiteral("› …"), FCrumbArea);
    FElided->setToolTip(QStringLiteral("Ordner dazwischen ausgelassen"));
    FElided->hide();
    crumbs->insertWidget(0, FElided);

    FEdit = new QLineEdit(FStack);
    FEdit->setPlaceholderText(QStringLiteral("Pfad im Archiv, z. B. daten/texturen"));
    FEdit->setClearButtonEnabled(true);
    SetAccessibleText(FEdit, QStringLiteral("Pfad"),
                      QStringLiteral("Der Ordner im Archiv, zu dem Eingabe geht; Esc verlässt das "
                                     "Feld"));
    auto* completer = new TFolderCompleter(&FTree, FEdit);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setCompletionRole(Qt::DisplayRole);
    FEdit->setCompleter(completer);
    FEdit->installEventFilter(this);
    connect(FEdit, &QLineEdit::returnPressed, this, [this] {
        if (GoToPath(FEdit->text()))
            StopEditing();
    });

    FStack->addWidget(FCrumbArea);
    FStack->addWidget(FEdit);
    FStack->setFixedHeight(FEdit->sizeHint().height());
    layout->addWidget(FStack, 1);
    // The mouse's side buttons go back and ahead wherever in the window they are pressed.
    qApp->installEventFilter(this);
    UpdateActions();
}

TPathBar::~TPathBar() {
    qApp->removeEventFilter(this);
}

void TPathBar::CreateActions() {
    const auto add = [this](const QString& text, QStyle::StandardPixmap icon,
                            QList<QKeySequence> keys, void (TPathBar::*command)()) {
        auto* action = new QAction(style()->standardIcon(icon), text, this);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setToolTip(
            QStringLiteral("%1 (%2)").arg(text, keys.first().toString(QKeySequence::NativeText)));
        connect(action, &QAction::triggered, this, command);
        addAction(action);
        return action;
    };
    FBack = add(QStringLiteral("Zurück"), QStyle::SP_ArrowBack,
                {QKeySequence(Qt::ALT | Qt::Key_Left)}, &TPathBar::GoBack);
    FForward = add(QStringLiteral("Vor"), QStyle::SP_ArrowForward,
                   {QKeySequence(Qt::ALT | Qt::Key_Right)}, &TPathBar::GoForward);
    // Backspace only where no text field takes it: a field claims it before any shortcut.
    FUp =
        add(QStringLiteral("Nach oben"), QStyle::SP_ArrowUp,
            {QKeySequence(Qt::ALT | Qt::Key_Up), QKeySequence(Qt::Key_Backspace)}, &TPathBar::GoUp);
    FEditPath = add(QStringLiteral("Pfad eingeben"), QStyle::SP_DirIcon, {QKeySequence(Qt::Key_F6)},
                    &TPathBar::StartEditing);
}

std::vector<QToolButton*> TPathBar::Crumbs() const {
    std::vector<QToolButton*> shown;
    for (QToolButton* crumb : FCrumbs)
        if (!crumb->isHidden())
            shown.push_back(crumb);
    return shown;
}

bool TPathBar::Editing() const {
    return FStack->currentWidget() == FEdit;
}

// --- going somewhere ---

void TPathBar::ShowFolder(const TDirNode* node) {
    if (!FFromHistory)
        FHistory.Visit(node);
    BuildCrumbs();
    UpdateActions();
}

void TPathBar::Forget() {
    FHistory.Clear();
    StopEditing();
    BuildCrumbs();
    UpdateActions();
}

void TPathBar::Go(const TDirNode* node, bool step) {
    if (!node)
        return;
    FFromHistory = !step;
    emit FolderWanted(node);
    FFromHistory = false;
    // Asked for but not chosen (the folder was chosen already): the bar still shows the history.
    BuildCrumbs();
    UpdateActions();
}

void TPathBar::GoBack() {
    Go(FHistory.GoBack(), false);
}

void TPathBar::GoForward() {
    Go(FHistory.GoForward(), false);
}

void TPathBar::GoUp() {
    if (const TDirNode* current = FHistory.Current(); current && current->Parent)
        Go(current->Parent, true);
}

bool TPathBar::GoToPath(const QString& path) {
    const TDirNode* root = FTree.Root();
    if (!root) {
        FPrompts.ShowMessage(window(), QStringLiteral("Bitte zuerst eine Archivdatei öffnen."),
                             TPrompts::TIcon::Information);
        return false;
    }
    const QString typed = path.trimmed();
    const TDirNode* node = root->FindCaptionPath(typed);
    // The archive's name before the path, as the bar shows it.
    const QString name = root->Caption + QChar('/');
    if (!node && (typed == root->Caption || typed.startsWith(name)))
        node = root->FindCaptionPath(typed.mid(name.size()));
    // Folders separated as on Windows.
    if (!node && typed.contains(QChar('\\')))
        node = root->FindCaptionPath(QString(typed).replace(QChar('\\'), QChar('/')));
    if (!node) {
        // The message box takes the focus: the field stays, to correct the path in it.
        const QScopedValueRollback asking(FAsking, true);
        FPrompts.ShowMessage(
            window(), QStringLiteral("Den Ordner „%1“ gibt es in diesem Archiv nicht.").arg(typed),
            TPrompts::TIcon::Warning);
        if (Editing())
            FEdit->setFocus();
        return false;
    }
    Go(node, true);
    return true;
}

// --- the path as text ---

void TPathBar::StartEditing() {
    if (!FHistory.Current())
        return;
    FEdit->setText(CaptionPath(FHistory.Current()));
    FStack->setCurrentWidget(FEdit);
    FEdit->setFocus(Qt::ShortcutFocusReason);
    FEdit->selectAll();
}

void TPathBar::StopEditing() {
    FStack->setCurrentWidget(FCrumbArea);
}

bool TPathBar::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (watched == FCrumbArea && mouse->button() == Qt::LeftButton) {
            StartEditing();
            return true;
        }
        const Qt::MouseButton button = mouse->button();
        if (button != Qt::BackButton && button != Qt::ForwardButton)
            break;
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != window())
            break;
        button == Qt::BackButton ? GoBack() : GoForward();
        return true;
    }
    case QEvent::Resize:
        if (watched == FCrumbArea)
            FitCrumbs();
        break;
    case QEvent::KeyPress:
        if (watched == FEdit && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            StopEditing();
            return true;
        }
        break;
    case QEvent::FocusOut:
        // The completion's list takes the focus only for a moment; any other leaving ends it.
        if (watched == FEdit &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason && !FAsking)
            StopEditing();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

// --- the path's buttons ---

void TPathBar::BuildCrumbs() {
    // The button clicked may be among them, still at work: they go once it is done.
    auto* layout = static_cast<QHBoxLayout*>(FCrumbArea->layout());
    for (QWidget* old : FCrumbs) {
        layout->removeWidget(old);
        old->hide();
        old->deleteLater();
    }
    for (QWidget* old : FSeparators)
        if (old) {
            layout->removeWidget(old);
            old->hide();
            old->deleteLater();
        }
    FCrumbs.clear();
    FSeparators.clear();
    std::vector<const TDirNode*> path; // the folder shown first, the root last
    for (const TDirNode* node = FHistory.Current(); node; node = node->Parent)
        path.push_back(node);
    FCapped = path.size() > kMaxCrumbs + 1;
    if (FCapped)
        path.erase(path.begin() + kMaxCrumbs, path.end() - 1);
    // What is left in the layout: "…", then the stretch. The root goes before "…".
    int at = 0;
    for (auto node = path.rbegin(); node != path.rend(); ++node) {
        QLabel* separator = nullptr;
        if (node != path.rbegin()) {
            separator = new QLabel(QStringLiteral("›"), FCrumbArea);
            layout->insertWidget(at++, separator);
        }
        auto* crumb = new QToolButton(FCrumbArea);
        crumb->setAutoRaise(true);
        crumb->setFocusPolicy(Qt::NoFocus);
        crumb->setCursor(Qt::ArrowCursor);
        const QString caption = ShownName((*node)->Caption);
        QString shown = crumb->fontMetrics().elidedText(caption, Qt::ElideMiddle, kMaxCrumbWidth);
        crumb->setText(shown.replace(QChar('&'), QStringLiteral("&&")));
        crumb->setToolTip(caption);
        // Announced whole, however narrow the button shows it.
        SetAccessibleText(crumb, caption, QStringLiteral("Ordner im Pfad: ein Klick zeigt ihn"));
        if (node + 1 == path.rend()) {
            QFont bold = crumb->font();
            bold.setBold(true);
            crumb->setFont(bold);
        }
        const TDirNode* target = *node;
        connect(crumb, &QToolButton::clicked, this, [this, target] { Go(target, true); });
        layout->insertWidget(at++, crumb);
        if (at == 1)
            ++at; // past "…"
        FCrumbs.push_back(crumb);
        FSeparators.push_back(separator);
    }
    FitCrumbs();
}

void TPathBar::FitCrumbs() {
    for (size_t i = 0; i < FCrumbs.size(); ++i) {
        FCrumbs[i]->show();
        if (FSeparators[i])
            FSeparators[i]->show();
    }
    bool leftOut = FCapped;
    // Until the bar is shown it has no width to fit into.
    if (isVisible() && FCrumbs.size() > 2) {
        int width = FElided->sizeHint().width();
        for (size_t i = 0; i < FCrumbs.size(); ++i)
            width += FCrumbs[i]->sizeHint().width() +
                     (FSeparators[i] ? FSeparators[i]->sizeHint().width() : 0);
        // The archive's name and the folder shown stay; those between go, nearest the name first.
        for (size_t i = 1; i + 1 < FCrumbs.size() && width > FCrumbArea->width(); ++i) {
            width -= FCrumbs[i]->sizeHint().width() + FSeparators[i]->sizeHint().width();
            FCrumbs[i]->hide();
            FSeparators[i]->hide();
            leftOut = true;
        }
    }
    FElided->setVisible(leftOut && !FCrumbs.empty());
}

void TPathBar::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FitCrumbs();
}

void TPathBar::UpdateActions() {
    const TDirNode* current = FHistory.Current();
    FBack->setEnabled(FHistory.CanGoBack());
    FForward->setEnabled(FHistory.CanGoForward());
    FUp->setEnabled(current && current->Parent);
    FEditPath->setEnabled(current != nullptr);
}
