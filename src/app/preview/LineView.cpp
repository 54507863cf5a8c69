#include "LineView.h"

#include "LineViewAccessible.h"

#include <QAccessible>
#include <QFontDatabase>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace {
constexpr int kMargin = 4;
// A highlighted line is shown this many lines below the top, with what leads to it above.
constexpr int kLinesAboveHighlight = 3;
} // namespace

TLineView::TLineView(QWidget* parent)
    : QAbstractScrollArea(parent) {
    InstallPreviewAccessibility();
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus); // the keys scroll once it is clicked
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
}

void TLineView::SetLines(qsizetype count, int width, TLineSource source) {
    FCount = count;
    FWidth = width;
    FSource = std::move(source);
    FHighlight = -1;
    FOffsets.clear();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    UpdateScrollBars();
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::VisibleDataChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void TLineView::SetHighlight(qsizetype line) {
    FHighlight = line >= 0 && line < FCount ? line : -1;
    if (FHighlight >= 0) {
        const qsizetype top = std::max<qsizetype>(0, FHighlight - kLinesAboveHighlight);
        if (FHighlight < FirstVisibleLine() ||
            FHighlight >= FirstVisibleLine() + VisibleLineCount())
            verticalScrollBar()->setValue(static_cast<int>(std::min<qsizetype>(top, INT_MAX)));
        horizontalScrollBar()->setValue(0);
    }
    viewport()->update();
    if (QAccessible::isActive() && FHighlight >= 0) {
        QAccessibleTextSelectionEvent event(this, static_cast<int>(OffsetOfLine(FHighlight)),
                                            static_cast<int>(OffsetOfLine(FHighlight + 1)));
        QAccessible::updateAccessibility(&event);
    }
}

void TLineView::ScrollToLine(qsizetype line) {
    if (line < FirstVisibleLine() || line >= FirstVisibleLine() + VisibleLineCount())
        verticalScrollBar()->setValue(static_cast<int>(std::clamp<qsizetype>(line, 0, INT_MAX)));
}

qsizetype TLineView::FirstVisibleLine() const {
    return verticalScrollBar()->value();
}

int TLineView::VisibleLineCount() const {
    return std::max(1, (viewport()->height() - kMargin) / LineHeight());
}

int TLineView::LineHeight() const {
    return std::max(1, QFontMetrics(font()).lineSpacing());
}

int TLineView::CharWidth() const {
    return std::max(1, QFontMetrics(font()).horizontalAdvance(QChar('0')));
}

qsizetype TLineView::OffsetOfLine(qsizetype line) const {
    if (FOffsets.empty()) {
        FOffsets.reserve(static_cast<size_t>(FCount) + 1);
        qsizetype offset = 0;
        for (qsizetype k = 0; k < FCount; ++k) {
            FOffsets.push_back(offset);
            offset += FSource(k).size() + 1; // the line break after it
        }
        FOffsets.push_back(std::max<qsizetype>(0, offset - 1)); // none after the last line
    }
    return FOffsets[static_cast<size_t>(std::clamp<qsizetype>(line, 0, FCount))];
}

qsizetype TLineView::LineAtOffset(qsizetype offset) const {
    OffsetOfLine(0);
    // The last line that begins at or before offset.
    const auto after = std::upper_bound(FOffsets.begin(), FOffsets.end() - 1, offset);
    return std::clamp<qsizetype>(after - FOffsets.begin() - 1, 0,
                                 std::max<qsizetype>(0, FCount - 1));
}

QRect TLineView::CharacterRect(qsizetype line, int column) const {
    const qsizetype row = line - FirstVisibleLine();
    const int x = kMargin + (column - horizontalScrollBar()->value()) * CharWidth();
    const qsizetype y = kMargin + row * LineHeight();
    return QRect(x, static_cast<int>(std::clamp<qsizetype>(y, INT_MIN / 2, INT_MAX / 2)),
                 CharWidth(), LineHeight());
}

std::pair<qsizetype, int> TLineView::PositionAt(const QPoint& point) const {
    const qsizetype line = FirstVisibleLine() + std::max(0, point.y() - kMargin) / LineHeight();
    const int column =
        horizontalScrollBar()->value() + std::max(0, point.x() - kMargin) / CharWidth();
    return {std::clamp<qsizetype>(line, 0, std::max<qsizetype>(0, FCount - 1)), column};
}

void TLineView::UpdateScrollBars() {
    const int visibleLines = VisibleLineCount();
    const int visibleChars = std::max(1, (viewport()->width() - 2 * kMargin) / CharWidth());
    // Scroll bars count lines and characters, not pixels.
    const auto lines = static_cast<int>(std::min<qsizetype>(FCount, INT_MAX));
    verticalScrollBar()->setRange(0, std::max(0, lines - visibleLines));
    verticalScrollBar()->setPageStep(visibleLines);
    horizontalScrollBar()->setRange(0, std::max(0, FWidth - visibleChars));
    horizontalScrollBar()->setPageStep(visibleChars);
}

void TLineView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void TLineView::paintEvent(QPaintEvent*) {
    if (!FSource)
        return;
    QPainter painter(viewport());
    const QFontMetrics metrics(font());
    const int lineHeight = LineHeight();
    const int firstChar = horizontalScrollBar()->value();
    const int visibleChars = viewport()->width() / CharWidth() + 1;
    int y = kMargin + metrics.ascent();
    for (qsizetype line = FirstVisibleLine();
         line < FCount && y - metrics.ascent() < viewport()->height(); ++line, y += lineHeight) {
        const bool highlighted = line == FHighlight;
        if (highlighted)
            painter.fillRect(0, y - metrics.ascent(), viewport()->width(), lineHeight,
                             palette().brush(QPalette::Highlight));
        painter.setPen(palette().color(highlighted ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(kMargin, y, FSource(line).mid(firstChar, visibleChars));
    }
}
