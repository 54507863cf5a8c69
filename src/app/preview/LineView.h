#pragma once

#include <QAbstractScrollArea>
#include <functional>
#include <vector>

// Lines of fixed-pitch text, read-only, of which only those in sight are ever made and painted:
// a preview of millions of lines opens and scrolls as fast as one of ten. One line can be
// highlighted (a hit of the find), in the palette's highlight colours. Assistive technology
// reads the lines as one text, joined by line breaks (see TLineViewAccessible).
class TLineView : public QAbstractScrollArea {
    Q_OBJECT
public:
    using TLineSource = std::function<QString(qsizetype line)>;

    explicit TLineView(QWidget* parent = nullptr);

    // count lines of at most width characters each, made by source when they come into sight.
    // The highlight goes.
    void SetLines(qsizetype count, int width, TLineSource source);
    qsizetype LineCount() const { return FCount; }
    QString Line(qsizetype line) const { return FSource(line); }

    // Highlights line (-1: none) and scrolls it into sight, a few lines below the top.
    void SetHighlight(qsizetype line);
    qsizetype Highlight() const { return FHighlight; }
    // Scrolls so that line is in sight; one already in sight stays where it is.
    void ScrollToLine(qsizetype line);
    qsizetype FirstVisibleLine() const;
    int VisibleLineCount() const;

    // The lines as one text, as assistive technology reads them: where line begins in it (the
    // text's length for LineCount), and the line a position lies in. Counted once when first
    // asked for, and again after SetLines.
    qsizetype OffsetOfLine(qsizetype line) const;
    qsizetype LineAtOffset(qsizetype offset) const;
    // Where the character at column of line is drawn, in the viewport's coordinates, and the
    // line and column drawn at a point of it (clamped to the lines there are).
    QRect CharacterRect(qsizetype line, int column) const;
    std::pair<qsizetype, int> PositionAt(const QPoint& point) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateScrollBars();
    int LineHeight() const;
    int CharWidth() const;

    qsizetype FCount = 0;
    int FWidth = 0;
    TLineSource FSource;
    qsizetype FHighlight = -1;
    mutable std::vector<qsizetype> FOffsets; // see OffsetOfLine; empty until asked for
};
