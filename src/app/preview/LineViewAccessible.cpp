#include "LineViewAccessible.h"

#include "LineView.h"
#include "PictureViewAccessible.h"

#include <QWidget>
#include <algorithm>
#include <climits>

namespace {

int Clamped(qsizetype value) {
    return static_cast<int>(std::clamp<qsizetype>(value, 0, INT_MAX));
}

QAccessibleInterface* PreviewViewFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("TLineView"))
        if (auto* view = qobject_cast<TLineView*>(object))
            return new TLineViewAccessible(view);
    if (className == QLatin1String("TPictureView"))
        if (auto* view = qobject_cast<TPictureView*>(object))
            return new TPictureViewAccessible(view);
    return nullptr;
}

} // namespace

void InstallPreviewAccessibility() {
    static const bool installed = (QAccessible::installFactory(&PreviewViewFactory), true);
    (void)installed;
}

TLineViewAccessible::TLineViewAccessible(TLineView* view)
    : QAccessibleWidget(view, QAccessible::EditableText) {}

TLineView* TLineViewAccessible::View() const {
    return static_cast<TLineView*>(widget());
}

QAccessible::State TLineViewAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

QString TLineViewAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Value)
        return text(0, characterCount());
    return QAccessibleWidget::text(kind);
}

void* TLineViewAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

void TLineViewAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    const qsizetype line = View()->Highlight();
    if (selectionIndex != 0 || line < 0)
        return;
    *startOffset = Clamped(View()->OffsetOfLine(line));
    *endOffset = *startOffset + Clamped(View()->Line(line).size());
}

int TLineViewAccessible::selectionCount() const {
    return View()->Highlight() >= 0 ? 1 : 0;
}

// The text is read-only, and so is its one selection: the window chooses it.
void TLineViewAccessible::addSelection(int, int) {}
void TLineViewAccessible::removeSelection(int) {}
void TLineViewAccessible::setSelection(int, int, int) {}

int TLineViewAccessible::cursorPosition() const {
    const qsizetype line = View()->Highlight();
    return Clamped(View()->OffsetOfLine(line >= 0 ? line : View()->FirstVisibleLine()));
}

void TLineViewAccessible::setCursorPosition(int position) {
    View()->ScrollToLine(View()->LineAtOffset(position));
}

QString TLineViewAccessible::text(int startOffset, int endOffset) const {
    const TLineView& view = *View();
    if (view.LineCount() == 0 || endOffset <= startOffset)
        return {};
    QString out;
    for (qsizetype line = view.LineAtOffset(startOffset);
         line < view.LineCount() && view.OffsetOfLine(line) < endOffset; ++line) {
        if (line + 1 < view.LineCount())
            out += view.Line(line) + QLatin1Char('\n');
        else
            out += view.Line(line);
    }
    const qsizetype first = view.OffsetOfLine(view.LineAtOffset(startOffset));
    return out.mid(startOffset - first, endOffset - startOffset);
}

QString TLineViewAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                          int* startOffset, int* endOffset) const {
    // Lines, which readers ask for most, without making the whole text.
    if (boundaryType != QAccessible::LineBoundary || View()->LineCount() == 0)
        return QAccessibleTextInterface::textAtOffset(offset, boundaryType, startOffset, endOffset);
    const qsizetype line = View()->LineAtOffset(offset);
    *startOffset = Clamped(View()->OffsetOfLine(line));
    *endOffset = Clamped(View()->OffsetOfLine(line + 1));
    return text(*startOffset, *endOffset);
}

int TLineViewAccessible::characterCount() const {
    return Clamped(View()->OffsetOfLine(View()->LineCount()));
}

QRect TLineViewAccessible::characterRect(int offset) const {
    const TLineView& view = *View();
    if (view.LineCount() == 0)
        return {};
    const qsizetype line = view.LineAtOffset(offset);
    const QRect inside = view.CharacterRect(line, Clamped(offset - view.OffsetOfLine(line)));
    return QRect(view.viewport()->mapToGlobal(inside.topLeft()), inside.size());
}

int TLineViewAccessible::offsetAtPoint(const QPoint& point) const {
    const TLineView& view = *View();
    if (view.LineCount() == 0)
        return -1;
    const auto [line, column] = view.PositionAt(view.viewport()->mapFromGlobal(point));
    return Clamped(view.OffsetOfLine(line) + std::min<qsizetype>(column, view.Line(line).size()));
}

void TLineViewAccessible::scrollToSubstring(int startIndex, int) {
    View()->ScrollToLine(View()->LineAtOffset(startIndex));
}

QString TLineViewAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    // One font and colour throughout: no attributes of its own.
    *startOffset = 0;
    (void)offset;
    *endOffset = characterCount();
    return {};
}
