#include "LineView.h"

#include <QFontDatabase>
#include <QPainter>
#include <QScrollBar>

namespace {
constexpr int kMargin = 4;
}

TLineView::TLineView(QWidget* parent)
    : QAbstractScrollArea(parent) {
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus); // the keys scroll once it is clicked
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
}

void TLineView::SetLines(qsizetype count, int width, TLineSource source) {
    FCount = count;
    FWidth = width;
    FSource = std::move(source);
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    UpdateScrollBars();
    viewport()->update();
}

void TLineView::UpdateScrollBars() {
    const QFontMetrics metrics(font());
    const int lineHeight = std::max(1, metrics.lineSpacing());
    const int visibleLines = std::max(1, (viewport()->height() - kMargin) / lineHeight);
    const int charWidth = std::max(1, metrics.horizontalAdvance(QChar('0')));
    const int visibleChars = std::max(1, (viewport()->width() - 2 * kMargin) / charWidth);
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
    painter.setPen(palette().color(QPalette::Text));
    const QFontMetrics metrics(font());
    const int lineHeight = std::max(1, metrics.lineSpacing());
    const int charWidth = std::max(1, metrics.horizontalAdvance(QChar('0')));
    const int firstChar = horizontalScrollBar()->value();
    const int visibleChars = viewport()->width() / charWidth + 1;
    int y = kMargin + metrics.ascent();
    for (qsizetype line = verticalScrollBar()->value();
         line < FCount && y - metrics.ascent() < viewport()->height(); ++line, y += lineHeight)
        painter.drawText(kMargin, y, FSource(line).mid(firstChar, visibleChars));
}
